#include "user32/controls/control_button.h"

#include <algorithm>

#include "user32/focus.h"
#include "user32/window_messages.h"

namespace winsim {
namespace {

UINT DialogCode(DWORD style) {
    switch (ButtonType(style)) {
        case BS_PUSHBUTTON: return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
        case BS_DEFPUSHBUTTON: return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON: return DLGC_BUTTON | DLGC_RADIOBUTTON;
        case BS_GROUPBOX: return DLGC_STATIC;
        default: return DLGC_BUTTON;
    }
}

// The highest check state each type shows (BM_GETCHECK answers unchecked for
// every push button, group box and owner-drawn button).
int HighestCheck(DWORD style) {
    switch (ButtonType(style)) {
        case BS_CHECKBOX:
        case BS_AUTOCHECKBOX:
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON: return BST_CHECKED;
        case BS_3STATE:
        case BS_AUTO3STATE: return BST_INDETERMINATE;
        default: return BST_UNCHECKED;
    }
}

}  // namespace

// A press ends in a click when it is released on the button: the automatic
// kinds change their check first, then the parent hears BN_CLICKED.
void ButtonProcedure::Release(Window& window) {
    if (!pushed) return;
    pushed = false;
    switch (ButtonType(window.style)) {
        case BS_AUTOCHECKBOX: check = check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED; break;
        case BS_AUTO3STATE: check = (check + 1) % 3; break;
        case BS_AUTORADIOBUTTON: check = BST_CHECKED; break;
        default: break;
    }
    NotifyParent(window.handle, BN_CLICKED);
}

LRESULT ButtonProcedure::Handle(Window& window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_GETDLGCODE:
            return DialogCode(window.style);
        case BM_SETSTYLE:
            window.style = (window.style & ~static_cast<DWORD>(BS_TYPEMASK)) | (static_cast<DWORD>(wParam) & BS_TYPEMASK);
            return 0;
        case BM_CLICK:
            Send(window.handle, WM_LBUTTONDOWN);
            Send(window.handle, WM_LBUTTONUP);
            return 0;
        case WM_LBUTTONDOWN:
            if (ButtonType(window.style) == BS_GROUPBOX) return 0;
            MoveFocus(window.handle);
            pushed = true;
            return 0;
        case WM_LBUTTONUP:
            Release(window);
            return 0;
        case WM_KEYDOWN:
            if (wParam == VK_SPACE && ButtonType(window.style) != BS_GROUPBOX) pushed = true;
            return 0;
        case WM_KEYUP:
            if (wParam == VK_SPACE) Release(window);
            return 0;
        case WM_SETFOCUS:
            if (window.style & BS_NOTIFY) NotifyParent(window.handle, BN_SETFOCUS);
            return 0;
        case WM_KILLFOCUS:
            pushed = false;
            if (window.style & BS_NOTIFY) NotifyParent(window.handle, BN_KILLFOCUS);
            return 0;
        case BM_GETCHECK:
            return check;
        case BM_SETCHECK:
            // A state the button type cannot show becomes the highest it can:
            // push buttons stay unchecked, two-state boxes take checked.
            check = std::min(static_cast<int>(wParam), HighestCheck(window.style));
            return 0;
        case BM_GETSTATE:
            return check | (pushed ? BST_PUSHED : 0) | (FocusWindow() == window.handle ? BST_FOCUS : 0);
        case BM_SETSTATE:
            pushed = wParam != 0;
            return 0;
        case BM_SETIMAGE: {
            HANDLE previous = image;
            image = reinterpret_cast<HANDLE>(lParam);
            return reinterpret_cast<LRESULT>(previous);
        }
        case BM_GETIMAGE:
            return reinterpret_cast<LRESULT>(image);
        default:
            return DefaultWindowProc(window, message, wParam, lParam);
    }
}

}  // namespace winsim
