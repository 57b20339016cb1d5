// What a window keeps besides its text and state: styles, id, user data,
// its class's icon, and its place among the other windows.
#include <cstring>
#include <map>

#include "machine/faults.h"
#include "shared/text.h"
#include "user32/class_icons.h"
#include "user32/dialogs/dialog_procedure.h"
#include "user32/window_messages.h"

namespace {

// Class icons, shared by every window of a class (GCLP_HICON, GCLP_HICONSM).
std::map<std::string, HICON[2], winsim::LessNoCase>& ClassIcons() {
    static std::map<std::string, HICON[2], winsim::LessNoCase> icons;
    return icons;
}

HWND foreground = nullptr;

LONG_PTR ReadLong(const winsim::Window& window, int index, bool& ok) {
    ok = true;
    switch (index) {
        case GWL_STYLE: return static_cast<LONG_PTR>(static_cast<LONG>(window.style));
        case GWL_EXSTYLE: return static_cast<LONG_PTR>(static_cast<LONG>(window.exStyle));
        case GWLP_ID: return window.id;
        case GWLP_USERDATA: return window.userData;
        case GWLP_HINSTANCE: return reinterpret_cast<LONG_PTR>(window.instance);
        case GWLP_HWNDPARENT: return reinterpret_cast<LONG_PTR>(window.parent);
        default: break;
    }
    if (const auto* dialog = window.ProcedureAs<winsim::DialogProcedure>()) {
        if (index == DWLP_MSGRESULT) return dialog->messageResult;
        if (index == static_cast<int>(DWLP_USER)) return dialog->user;
    }
    ok = false;
    return 0;
}

LONG_PTR WriteLong(winsim::Window& window, int index, LONG_PTR value, bool& ok) {
    LONG_PTR previous = ReadLong(window, index, ok);
    if (!ok) return 0;
    switch (index) {
        case GWL_STYLE: window.style = static_cast<DWORD>(value); break;
        case GWL_EXSTYLE: window.exStyle = static_cast<DWORD>(value); break;
        case GWLP_ID: window.id = static_cast<int>(value); break;
        case GWLP_USERDATA: window.userData = value; break;
        case GWLP_HINSTANCE: window.instance = reinterpret_cast<HINSTANCE>(value); break;
        case GWLP_HWNDPARENT: ok = false; return 0;  // re-parenting is not simulated
        default:
            // Only a dialog's own slots are left here (ReadLong accepted the index).
            if (auto* dialog = window.ProcedureAs<winsim::DialogProcedure>()) {
                if (index == DWLP_MSGRESULT) dialog->messageResult = value;
                if (index == static_cast<int>(DWLP_USER)) dialog->user = value;
            }
    }
    return previous;
}

}  // namespace

namespace winsim {

HICON ClassIcon(const std::string& className, int which) {
    auto it = ClassIcons().find(className);
    return it == ClassIcons().end() ? nullptr : it->second[which == ICON_BIG ? ICON_BIG : ICON_SMALL];
}

void ForgetClassIcons() { ClassIcons().clear(); }

}  // namespace winsim

extern "C" LONG_PTR WINAPI GetWindowLongPtrA(HWND hwnd, int index) {
    if (winsim::FailsHere("GetWindowLongPtrA", false)) return 0;
    const winsim::Window* window = winsim::WindowOrError(hwnd);
    if (!window) return 0;
    bool ok = false;
    LONG_PTR value = ReadLong(*window, index, ok);
    if (!ok) SetLastError(ERROR_INVALID_INDEX);
    return value;
}

extern "C" LONG_PTR WINAPI SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value) {
    if (winsim::FailsHere("SetWindowLongPtrA", false)) return 0;
    winsim::Window* window = winsim::WindowOrError(hwnd);
    if (!window) return 0;
    bool ok = false;
    LONG_PTR previous = WriteLong(*window, index, value, ok);
    if (!ok) SetLastError(ERROR_INVALID_INDEX);
    return previous;
}

extern "C" LONG WINAPI GetWindowLongA(HWND hwnd, int index) {
    return static_cast<LONG>(GetWindowLongPtrA(hwnd, index));
}

extern "C" LONG WINAPI SetWindowLongA(HWND hwnd, int index, LONG value) {
    return static_cast<LONG>(SetWindowLongPtrA(hwnd, index, value));
}

extern "C" ULONG_PTR WINAPI SetClassLongPtrA(HWND hwnd, int index, LONG_PTR value) {
    if (winsim::FailsHere("SetClassLongPtrA", false)) return 0;
    const winsim::Window* window = winsim::WindowOrError(hwnd);
    if (!window) return 0;
    if (index != GCLP_HICON && index != GCLP_HICONSM) {
        SetLastError(ERROR_INVALID_INDEX);
        return 0;
    }
    HICON(&icons)[2] = ClassIcons()[window->className];
    HICON& slot = icons[index == GCLP_HICON ? ICON_BIG : ICON_SMALL];
    HICON previous = slot;
    slot = reinterpret_cast<HICON>(value);
    return reinterpret_cast<ULONG_PTR>(previous);
}

extern "C" DWORD WINAPI SetClassLongA(HWND hwnd, int index, LONG value) {
    return static_cast<DWORD>(SetClassLongPtrA(hwnd, index, value));
}

extern "C" ULONG_PTR WINAPI GetClassLongPtrA(HWND hwnd, int index) {
    if (winsim::FailsHere("GetClassLongPtrA", false)) return 0;
    const winsim::Window* window = winsim::WindowOrError(hwnd);
    if (!window) return 0;
    if (index != GCLP_HICON && index != GCLP_HICONSM) {
        SetLastError(ERROR_INVALID_INDEX);
        return 0;
    }
    return reinterpret_cast<ULONG_PTR>(winsim::ClassIcon(window->className, index == GCLP_HICON ? ICON_BIG : ICON_SMALL));
}

extern "C" int WINAPI GetClassNameA(HWND hwnd, LPSTR buffer, int size) {
    if (winsim::FailsHere("GetClassNameA", false)) return 0;
    const winsim::Window* window = winsim::WindowOrError(hwnd);
    if (!window || !buffer || size <= 0) return 0;
    return static_cast<int>(winsim::CopyTextOut(window->className, static_cast<WPARAM>(size), reinterpret_cast<LPARAM>(buffer)));
}

extern "C" BOOL WINAPI IsWindow(HWND hwnd) {
    return winsim::FindWindowRecord(hwnd) || (hwnd && hwnd == GetDesktopWindow()) ? TRUE : FALSE;
}

extern "C" BOOL WINAPI IsChild(HWND parent, HWND hwnd) { return winsim::IsDescendant(parent, hwnd) ? TRUE : FALSE; }

extern "C" HWND WINAPI GetParent(HWND hwnd) {
    const winsim::Window* window = winsim::WindowOrError(hwnd);
    return window ? window->parent : nullptr;
}

// Z order and painting are not simulated: these succeed for any live window.
extern "C" BOOL WINAPI BringWindowToTop(HWND hwnd) {
    if (winsim::FailsHere("BringWindowToTop", false)) return FALSE;
    return winsim::WindowOrError(hwnd) ? TRUE : FALSE;
}

extern "C" BOOL WINAPI SetForegroundWindow(HWND hwnd) {
    if (winsim::FailsHere("SetForegroundWindow", false)) return FALSE;
    if (!winsim::FindWindowRecord(hwnd)) return FALSE;
    foreground = hwnd;
    return TRUE;
}

extern "C" HWND WINAPI GetForegroundWindow(void) {
    return winsim::FindWindowRecord(foreground) ? foreground : nullptr;
}

extern "C" BOOL WINAPI InvalidateRect(HWND hwnd, const RECT*, BOOL) {
    return !hwnd || winsim::FindWindowRecord(hwnd) ? TRUE : FALSE;
}

extern "C" BOOL WINAPI UpdateWindow(HWND hwnd) { return winsim::WindowOrError(hwnd) ? TRUE : FALSE; }

extern "C" BOOL WINAPI MessageBeep(UINT) { return TRUE; }
