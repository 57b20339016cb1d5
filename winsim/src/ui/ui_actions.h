// A user's action done to a dialog: posted as the input messages that the
// real action makes (mouse clicks, keys, the system menu's close command).
#ifndef WINSIM_UI_ACTIONS_H
#define WINSIM_UI_ACTIONS_H

#include <string>

#include "ui/ui_script.h"

namespace winsim {

// False with `error` set when the action cannot be done to this dialog at
// all (no such control, not a combo box, no such item). An action that a
// user could try but that has no effect (a click on a disabled or hidden
// control) succeeds with `ignored` saying why nothing happens.
bool ApplyAction(const UiAction& action, HWND dialog, std::string& ignored, std::string& error);

}  // namespace winsim

#endif
