#include "user32/window_messages.h"

#include <cstring>

#include "machine/faults.h"
#include "user32/window_destroy.h"

namespace winsim {

LRESULT Send(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    std::shared_ptr<Window> window = LookupWindow(handle);
    if (!window || !window->procedure) return 0;
    return window->procedure->Handle(*window, message, wParam, lParam);
}

void NotifyParent(HWND control, WORD code) {
    const Window* window = FindWindowRecord(control);
    if (!window || !window->parent) return;
    HWND parent = window->parent;
    WPARAM wParam = MAKEWPARAM(static_cast<WORD>(window->id), code);
    Send(parent, WM_COMMAND, wParam, reinterpret_cast<LPARAM>(control));
}

LRESULT CopyTextOut(const std::string& text, WPARAM size, LPARAM buffer) {
    char* out = reinterpret_cast<char*>(buffer);
    if (!out || size == 0) return 0;
    size_t n = std::min(text.size(), static_cast<size_t>(size) - 1);
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
    return static_cast<LRESULT>(n);
}

LRESULT DefaultWindowProc(Window& window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SETTEXT: {
            const char* text = reinterpret_cast<const char*>(lParam);
            window.text = text ? text : "";
            return TRUE;
        }
        case WM_GETTEXT:
            return CopyTextOut(window.text, wParam, lParam);
        case WM_GETTEXTLENGTH:
            return static_cast<LRESULT>(window.text.size());
        case WM_SETFONT:
            window.font = reinterpret_cast<HFONT>(wParam);
            return 0;
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(window.font);
        case WM_SETICON: {
            int which = wParam == ICON_BIG ? ICON_BIG : ICON_SMALL;
            HICON previous = window.icons[which];
            window.icons[which] = reinterpret_cast<HICON>(lParam);
            return reinterpret_cast<LRESULT>(previous);
        }
        case WM_GETICON:
            return reinterpret_cast<LRESULT>(window.icons[wParam == ICON_BIG ? ICON_BIG : ICON_SMALL]);
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) == SC_CLOSE) Send(window.handle, WM_CLOSE);
            return 0;
        case WM_CLOSE:
            DestroyWindowTree(window.handle);
            return 0;
        default:
            return 0;
    }
}

}  // namespace winsim

extern "C" LRESULT WINAPI SendMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (winsim::FailsHere("SendMessageA", false)) return 0;
    if (!winsim::WindowOrError(hwnd)) return 0;
    return winsim::Send(hwnd, message, wParam, lParam);
}

extern "C" LRESULT WINAPI DefWindowProcA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    std::shared_ptr<winsim::Window> window = winsim::LookupWindow(hwnd);
    if (!window) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return winsim::DefaultWindowProc(*window, message, wParam, lParam);
}
