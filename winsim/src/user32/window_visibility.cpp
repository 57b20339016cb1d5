// Showing, hiding, enabling and disabling windows.
#include "machine/faults.h"
#include "user32/focus.h"
#include "user32/window_messages.h"
#include "user32/window_state.h"

namespace winsim {
namespace {

bool HasFocusInside(HWND hwnd) {
    HWND focus = FocusWindow();
    return focus && (focus == hwnd || IsDescendant(hwnd, focus));
}

}  // namespace

bool ChangeVisibility(HWND hwnd, bool show) {
    Window* window = FindWindowRecord(hwnd);
    if (!window) return false;
    bool wasVisible = (window->style & WS_VISIBLE) != 0;
    if (show == wasVisible) return wasVisible;
    Send(hwnd, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
    window = FindWindowRecord(hwnd);
    if (!window) return wasVisible;
    if (show) {
        window->style |= WS_VISIBLE;
    } else {
        window->style &= ~static_cast<DWORD>(WS_VISIBLE);
        // A hidden window cannot keep the focus: it goes to the parent.
        if (HasFocusInside(hwnd)) MoveFocus(window->IsChild() ? window->parent : nullptr);
    }
    return wasVisible;
}

bool ChangeEnabled(HWND hwnd, bool enable) {
    Window* window = FindWindowRecord(hwnd);
    if (!window) return false;
    bool wasDisabled = (window->style & WS_DISABLED) != 0;
    if (enable && wasDisabled) {
        window->style &= ~static_cast<DWORD>(WS_DISABLED);
        Send(hwnd, WM_ENABLE, TRUE, 0);
    } else if (!enable && !wasDisabled) {
        window->style |= WS_DISABLED;
        // A disabled window cannot keep the focus; nobody gets it.
        if (HasFocusInside(hwnd)) MoveFocus(nullptr);
        Send(hwnd, WM_ENABLE, FALSE, 0);
    }
    return wasDisabled;
}

bool IsShown(HWND hwnd) {
    const Window* window = FindWindowRecord(hwnd);
    if (!window) return false;
    while (window) {
        if (!(window->style & WS_VISIBLE)) return false;
        if (!window->IsChild()) return true;
        window = FindWindowRecord(window->parent);
    }
    return true;
}

bool IsEnabled(HWND hwnd) {
    const Window* window = FindWindowRecord(hwnd);
    return window && !(window->style & WS_DISABLED);
}

}  // namespace winsim

extern "C" BOOL WINAPI ShowWindow(HWND hwnd, int command) {
    if (winsim::FailsHere("ShowWindow", false)) return FALSE;
    if (!winsim::WindowOrError(hwnd)) return FALSE;
    return winsim::ChangeVisibility(hwnd, command != SW_HIDE) ? TRUE : FALSE;
}

// Both queries validate the handle as every other window call does: a window
// that is gone sets ERROR_INVALID_WINDOW_HANDLE.
extern "C" BOOL WINAPI IsWindowVisible(HWND hwnd) {
    return winsim::WindowOrError(hwnd) && winsim::IsShown(hwnd) ? TRUE : FALSE;
}

extern "C" BOOL WINAPI EnableWindow(HWND hwnd, BOOL enable) {
    if (winsim::FailsHere("EnableWindow", false)) return FALSE;
    if (!winsim::WindowOrError(hwnd)) return FALSE;
    return winsim::ChangeEnabled(hwnd, enable != FALSE) ? TRUE : FALSE;
}

extern "C" BOOL WINAPI IsWindowEnabled(HWND hwnd) {
    return winsim::WindowOrError(hwnd) && winsim::IsEnabled(hwnd) ? TRUE : FALSE;
}
