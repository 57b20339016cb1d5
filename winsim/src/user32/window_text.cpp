// Window texts: captions and control texts, in the machine's ANSI code page.
#include "machine/faults.h"
#include "user32/dialogs/dialog_items.h"
#include "user32/window_messages.h"

extern "C" BOOL WINAPI SetWindowTextA(HWND hwnd, LPCSTR text) {
    if (winsim::FailsHere("SetWindowTextA", false)) return FALSE;
    if (!winsim::WindowOrError(hwnd)) return FALSE;
    return winsim::Send(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) != 0 ? TRUE : FALSE;
}

extern "C" int WINAPI GetWindowTextA(HWND hwnd, LPSTR buffer, int size) {
    if (winsim::FailsHere("GetWindowTextA", false)) return 0;
    if (buffer && size > 0) buffer[0] = '\0';
    if (!winsim::WindowOrError(hwnd) || !buffer || size <= 0) return 0;
    return static_cast<int>(winsim::Send(hwnd, WM_GETTEXT, static_cast<WPARAM>(size), reinterpret_cast<LPARAM>(buffer)));
}

extern "C" int WINAPI GetWindowTextLengthA(HWND hwnd) {
    if (winsim::FailsHere("GetWindowTextLengthA", false)) return 0;
    if (!winsim::WindowOrError(hwnd)) return 0;
    return static_cast<int>(winsim::Send(hwnd, WM_GETTEXTLENGTH));
}

extern "C" BOOL WINAPI SetDlgItemTextA(HWND dialog, int id, LPCSTR text) {
    if (winsim::FailsHere("SetDlgItemTextA", false)) return FALSE;
    HWND control = winsim::FindDlgItem(dialog, id);
    if (!control) return FALSE;
    return winsim::Send(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) != 0 ? TRUE : FALSE;
}

extern "C" UINT WINAPI GetDlgItemTextA(HWND dialog, int id, LPSTR buffer, int size) {
    if (winsim::FailsHere("GetDlgItemTextA", false)) return 0;
    if (buffer && size > 0) buffer[0] = '\0';
    HWND control = winsim::FindDlgItem(dialog, id);
    if (!control || !buffer || size <= 0) return 0;
    return static_cast<UINT>(
        winsim::Send(control, WM_GETTEXT, static_cast<WPARAM>(size), reinterpret_cast<LPARAM>(buffer)));
}
