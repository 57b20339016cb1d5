#include "user32/window_geometry.h"

#include <algorithm>

#include "machine/faults.h"
#include "machine/machine_state.h"
#include "user32/window_messages.h"
#include "user32/window_state.h"

namespace winsim {

RECT FrameInset(DWORD style, DWORD exStyle) {
    int side = 0;
    if (style & WS_THICKFRAME)
        side = kSizingFrame;
    else if ((exStyle & WS_EX_DLGMODALFRAME) || (style & WS_DLGFRAME))
        side = kDialogFrame;
    else if (style & WS_BORDER)
        side = kBorder;
    if (exStyle & WS_EX_CLIENTEDGE) side += kEdge;
    if (exStyle & WS_EX_STATICEDGE) side += kBorder;
    RECT inset{side, side, side, side};
    if ((style & WS_CAPTION) == WS_CAPTION) inset.top += kCaptionHeight;
    return inset;
}

POINT ClientOrigin(const Window& window) {
    POINT origin{window.rect.left + window.inset.left, window.rect.top + window.inset.top};
    if (window.IsChild()) {
        if (const Window* parent = FindWindowRecord(window.parent)) {
            POINT p = ClientOrigin(*parent);
            origin.x += p.x;
            origin.y += p.y;
        }
    }
    return origin;
}

RECT ScreenRect(const Window& window) {
    RECT r = window.rect;
    if (window.IsChild()) {
        if (const Window* parent = FindWindowRecord(window.parent)) {
            POINT p = ClientOrigin(*parent);
            r.left += p.x;
            r.right += p.x;
            r.top += p.y;
            r.bottom += p.y;
        }
    }
    return r;
}

}  // namespace winsim

namespace {

// The desktop window covers the screen.
bool DesktopRect(HWND hwnd, LPRECT rect) {
    if (!hwnd || hwnd != GetDesktopWindow() || !rect) return false;
    const winsim::Profile& screen = winsim::Machine();
    *rect = RECT{0, 0, screen.screenWidth, screen.screenHeight};
    return true;
}

}  // namespace

extern "C" BOOL WINAPI GetWindowRect(HWND hwnd, LPRECT rect) {
    if (winsim::FailsHere("GetWindowRect", false)) return FALSE;
    if (DesktopRect(hwnd, rect)) return TRUE;
    const winsim::Window* window = winsim::WindowOrError(hwnd);
    if (!window || !rect) return FALSE;
    *rect = winsim::ScreenRect(*window);
    return TRUE;
}

extern "C" BOOL WINAPI GetClientRect(HWND hwnd, LPRECT rect) {
    if (winsim::FailsHere("GetClientRect", false)) return FALSE;
    if (DesktopRect(hwnd, rect)) return TRUE;
    const winsim::Window* window = winsim::WindowOrError(hwnd);
    if (!window || !rect) return FALSE;
    const RECT& r = window->rect;
    const RECT& in = window->inset;
    rect->left = 0;
    rect->top = 0;
    rect->right = std::max<LONG>(0, r.right - r.left - in.left - in.right);
    rect->bottom = std::max<LONG>(0, r.bottom - r.top - in.top - in.bottom);
    return TRUE;
}

// Z order is not simulated; moving, sizing, showing and hiding are.
extern "C" BOOL WINAPI SetWindowPos(HWND hwnd, HWND, int x, int y, int cx, int cy, UINT flags) {
    if (winsim::FailsHere("SetWindowPos", false)) return FALSE;
    winsim::Window* window = winsim::WindowOrError(hwnd);
    if (!window) return FALSE;
    RECT& r = window->rect;
    if (!(flags & SWP_NOMOVE)) {
        LONG width = r.right - r.left, height = r.bottom - r.top;
        r.left = x;
        r.top = y;
        r.right = x + width;
        r.bottom = y + height;
    }
    if (!(flags & SWP_NOSIZE)) {
        r.right = r.left + std::max(0, cx);
        r.bottom = r.top + std::max(0, cy);
    }
    if (flags & SWP_SHOWWINDOW) winsim::ChangeVisibility(hwnd, true);
    if (flags & SWP_HIDEWINDOW) winsim::ChangeVisibility(hwnd, false);
    return TRUE;
}

extern "C" BOOL WINAPI MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL) {
    return SetWindowPos(hwnd, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

extern "C" BOOL WINAPI ClientToScreen(HWND hwnd, LPPOINT point) {
    const winsim::Window* window = winsim::WindowOrError(hwnd);
    if (!window || !point) return FALSE;
    POINT origin = winsim::ClientOrigin(*window);
    point->x += origin.x;
    point->y += origin.y;
    return TRUE;
}

extern "C" BOOL WINAPI ScreenToClient(HWND hwnd, LPPOINT point) {
    const winsim::Window* window = winsim::WindowOrError(hwnd);
    if (!window || !point) return FALSE;
    POINT origin = winsim::ClientOrigin(*window);
    point->x -= origin.x;
    point->y -= origin.y;
    return TRUE;
}
