#include "user32/dialogs/dialog_items.h"

#include <algorithm>

#include "machine/faults.h"
#include "user32/window_messages.h"

namespace winsim {

HWND FindDlgItem(HWND dialog, int id) {
    const Window* window = WindowOrError(dialog);
    if (!window) return nullptr;
    for (HWND child : window->children) {
        const Window* control = FindWindowRecord(child);
        if (control && control->id == id) return child;
    }
    SetLastError(ERROR_CONTROL_ID_NOT_FOUND);
    return nullptr;
}

bool IsTabStop(HWND control) {
    const Window* window = FindWindowRecord(control);
    if (!window) return false;
    const DWORD needed = WS_VISIBLE | WS_TABSTOP;
    return (window->style & (needed | WS_DISABLED)) == needed;
}

HWND NextTabItem(HWND dialog, HWND from, bool previous) {
    const Window* window = FindWindowRecord(dialog);
    if (!window) return nullptr;
    std::vector<HWND> order = window->children;
    if (previous) std::reverse(order.begin(), order.end());
    auto start = std::find(order.begin(), order.end(), from);
    size_t first = start == order.end() ? 0 : static_cast<size_t>(start - order.begin()) + 1;
    for (size_t i = 0; i < order.size(); ++i) {
        HWND candidate = order[(first + i) % order.size()];
        if (IsTabStop(candidate)) return candidate;
    }
    return nullptr;
}

int ControlId(HWND control) {
    const Window* window = FindWindowRecord(control);
    return window ? window->id : 0;
}

}  // namespace winsim

extern "C" HWND WINAPI GetDlgItem(HWND dialog, int id) {
    if (winsim::FailsHere("GetDlgItem", false)) return nullptr;
    return winsim::FindDlgItem(dialog, id);
}

extern "C" int WINAPI GetDlgCtrlID(HWND hwnd) {
    if (winsim::FailsHere("GetDlgCtrlID", false)) return 0;
    const winsim::Window* window = winsim::WindowOrError(hwnd);
    if (!window || !window->IsChild()) return 0;
    return window->id;
}

extern "C" LRESULT WINAPI SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
    if (winsim::FailsHere("SendDlgItemMessageA", false)) return 0;
    HWND control = winsim::FindDlgItem(dialog, id);
    if (!control) return 0;
    return winsim::Send(control, message, wParam, lParam);
}

extern "C" HWND WINAPI GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous) {
    if (winsim::FailsHere("GetNextDlgTabItem", false)) return nullptr;
    if (!winsim::WindowOrError(dialog)) return nullptr;
    HWND next = winsim::NextTabItem(dialog, control, previous != FALSE);
    return next ? next : control;
}
