#include "user32/focus.h"

#include "machine/faults.h"
#include "user32/window_messages.h"

namespace winsim {
namespace {

HWND focus = nullptr;

}  // namespace

HWND FocusWindow() {
    if (focus && !FindWindowRecord(focus)) focus = nullptr;
    return focus;
}

HWND MoveFocus(HWND to) {
    HWND from = FocusWindow();
    if (from == to) return from;
    focus = to;
    if (from) Send(from, WM_KILLFOCUS, reinterpret_cast<WPARAM>(to));
    // The old window's handler may have moved the focus on.
    if (to && focus == to) Send(to, WM_SETFOCUS, reinterpret_cast<WPARAM>(from));
    return from;
}

void DropFocus() { focus = nullptr; }

}  // namespace winsim

extern "C" HWND WINAPI SetFocus(HWND hwnd) {
    if (winsim::FailsHere("SetFocus", false)) return nullptr;
    if (hwnd && !winsim::WindowOrError(hwnd)) return nullptr;
    return winsim::MoveFocus(hwnd);
}

extern "C" HWND WINAPI GetFocus(void) { return winsim::FocusWindow(); }
