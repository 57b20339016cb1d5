// Push buttons, check boxes, radio buttons and group boxes ("Button").
#ifndef WINSIM_CONTROL_BUTTON_H
#define WINSIM_CONTROL_BUTTON_H

#include "user32/window_object.h"

namespace winsim {

class ButtonProcedure : public WindowProcedure {
public:
    LRESULT Handle(Window& window, UINT message, WPARAM wParam, LPARAM lParam) override;

    int check = BST_UNCHECKED;
    bool pushed = false;
    HANDLE image = nullptr;

private:
    void Release(Window& window);
};

// The button type of a style (BS_PUSHBUTTON, BS_DEFPUSHBUTTON ...).
inline DWORD ButtonType(DWORD style) { return style & BS_TYPEMASK; }
inline bool IsPushButton(DWORD style) {
    return ButtonType(style) == BS_PUSHBUTTON || ButtonType(style) == BS_DEFPUSHBUTTON;
}

}  // namespace winsim

#endif
