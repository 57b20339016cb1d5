#include "user32/window_destroy.h"

#include <algorithm>

#include "machine/faults.h"
#include "user32/focus.h"
#include "user32/window_messages.h"

namespace winsim {
namespace {

void SendDestroy(HWND handle) {
    Send(handle, WM_DESTROY);
    std::shared_ptr<Window> window = LookupWindow(handle);
    if (!window) return;
    for (HWND child : std::vector<HWND>(window->children)) SendDestroy(child);
}

void SendNcDestroyAndForget(HWND handle) {
    std::shared_ptr<Window> window = LookupWindow(handle);
    if (!window) return;
    for (HWND child : std::vector<HWND>(window->children)) SendNcDestroyAndForget(child);
    Send(handle, WM_NCDESTROY);
    window->destroyed = true;
    ForgetWindow(handle);
}

}  // namespace

void DestroyWindowTree(HWND handle) {
    std::shared_ptr<Window> window = LookupWindow(handle);
    if (!window) return;
    HWND focus = FocusWindow();
    if (focus && (focus == handle || IsDescendant(handle, focus))) DropFocus();
    SendDestroy(handle);
    SendNcDestroyAndForget(handle);
    if (std::shared_ptr<Window> parent = LookupWindow(window->parent); parent && window->IsChild()) {
        auto& siblings = parent->children;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), handle), siblings.end());
    }
}

}  // namespace winsim

extern "C" BOOL WINAPI DestroyWindow(HWND hwnd) {
    if (winsim::FailsHere("DestroyWindow", false)) return FALSE;
    if (!winsim::WindowOrError(hwnd)) return FALSE;
    winsim::DestroyWindowTree(hwnd);
    return TRUE;
}
