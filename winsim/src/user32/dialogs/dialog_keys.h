// The dialog manager's keyboard interface (IsDialogMessageA): Tab and the
// arrows move the focus, Enter clicks the default button, Esc cancels, and
// mnemonics click their buttons.
#ifndef WINSIM_DIALOG_KEYS_H
#define WINSIM_DIALOG_KEYS_H

#include <windows.h>

namespace winsim {

// IsDialogMessageA without its fault check.
bool DialogMessage(HWND dialog, const MSG& message);

}  // namespace winsim

#endif
