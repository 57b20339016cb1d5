// Edit controls and the classes that only hold text and state here (list
// boxes and scroll bars).
#ifndef WINSIM_CONTROL_GENERIC_H
#define WINSIM_CONTROL_GENERIC_H

#include "user32/window_object.h"

namespace winsim {

// One line of text typed into; EN_CHANGE after each change.
class EditProcedure : public WindowProcedure {
public:
    LRESULT Handle(Window& window, UINT message, WPARAM wParam, LPARAM lParam) override;

    size_t limit = 30000;
};

class PlainProcedure : public WindowProcedure {
public:
    LRESULT Handle(Window& window, UINT message, WPARAM wParam, LPARAM lParam) override;
};

}  // namespace winsim

#endif
