#include "user32/dialogs/dialog_procedure.h"

#include "gdi32/gdi_objects.h"
#include "machine/faults.h"
#include "user32/controls/control_button.h"
#include "user32/dialogs/dialog_items.h"
#include "user32/focus.h"
#include "user32/message_queue.h"
#include "user32/window_messages.h"
#include "user32/window_state.h"

namespace winsim {
namespace {

// Messages whose answer is what the dialog procedure returns, not DWLP_MSGRESULT.
bool ReturnsDirectly(UINT message) {
    switch (message) {
        case WM_INITDIALOG:
        case 0x0019:  // WM_CTLCOLOR
        case 0x002B:  // WM_DRAWITEM
        case 0x0039:  // WM_COMPAREITEM
        case 0x002E:  // WM_VKEYTOITEM
        case 0x002F:  // WM_CHARTOITEM
        case 0x0037:  // WM_QUERYDRAGICON
        case 0x0132:  // WM_CTLCOLORMSGBOX ... WM_CTLCOLORSTATIC
        case 0x0133:
        case 0x0134:
        case 0x0135:
        case 0x0136:
        case 0x0137:
        case 0x0138:
            return true;
        default:
            return false;
    }
}

}  // namespace

DialogProcedure* DialogOf(HWND window) {
    const Window* w = FindWindowRecord(window);
    return w ? w->ProcedureAs<DialogProcedure>() : nullptr;
}

int DefaultButtonId(HWND dialog) {
    DialogProcedure* self = DialogOf(dialog);
    if (self && self->defaultId) return self->defaultId;
    const Window* window = FindWindowRecord(dialog);
    if (!window) return 0;
    for (HWND child : window->children) {
        const Window* control = FindWindowRecord(child);
        if (control && control->className == "Button" && ButtonType(control->style) == BS_DEFPUSHBUTTON)
            return control->id;
    }
    return 0;
}

LRESULT DialogProcedure::Handle(Window& window, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND self = window.handle;
    INT_PTR handled = dialogProc ? dialogProc(self, message, wParam, lParam) : FALSE;
    if (!FindWindowRecord(self) && message != WM_NCDESTROY) return 0;
    if (handled) return ReturnsDirectly(message) ? handled : messageResult;
    return HandleByDefault(window, message, wParam, lParam);
}

LRESULT DialogProcedure::HandleByDefault(Window& window, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND self = window.handle;
    switch (message) {
        case WM_CLOSE: {
            // As if Cancel were clicked, unless there is a Cancel button and it is disabled.
            HWND cancel = nullptr;
            for (HWND child : window.children)
                if (ControlId(child) == IDCANCEL) cancel = child;
            if (!cancel || IsEnabled(cancel))
                Post(self, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancel));
            return 0;
        }
        case WM_SETFOCUS:
            // The dialog passes the focus on to its first tab stop.
            if (HWND first = NextTabItem(self, nullptr, false)) MoveFocus(first);
            return 0;
        case DM_GETDEFID: {
            int id = DefaultButtonId(self);
            return id ? MAKELRESULT(id, DC_HASDEFID) : 0;
        }
        case DM_SETDEFID:
            defaultId = static_cast<int>(wParam);
            return TRUE;
        case WM_NEXTDLGCTL: {
            HWND to = LOWORD(lParam) ? reinterpret_cast<HWND>(wParam)
                                     : NextTabItem(self, FocusWindow(), wParam != 0);
            if (to) MoveFocus(to);
            return 0;
        }
        case WM_NCDESTROY:
            if (templateFont) {
                DeleteGdiObject(templateFont);
                templateFont = nullptr;
            }
            return 0;
        default:
            return DefaultWindowProc(window, message, wParam, lParam);
    }
}

}  // namespace winsim

extern "C" LRESULT WINAPI DefDlgProcA(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    std::shared_ptr<winsim::Window> window = winsim::LookupWindow(dialog);
    winsim::DialogProcedure* self = window ? window->ProcedureAs<winsim::DialogProcedure>() : nullptr;
    if (!self) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return self->HandleByDefault(*window, message, wParam, lParam);
}

extern "C" BOOL WINAPI EndDialog(HWND dialog, INT_PTR result) {
    if (winsim::FailsHere("EndDialog", false)) return FALSE;
    if (!winsim::WindowOrError(dialog)) return FALSE;
    winsim::DialogProcedure* self = winsim::DialogOf(dialog);
    if (!self) {
        SetLastError(ERROR_WINDOW_NOT_DIALOG);
        return FALSE;
    }
    self->ended = true;
    self->result = result;
    // The dialog is hidden at once; the modal loop ends when it next looks.
    HWND focus = winsim::FocusWindow();
    if (focus && winsim::IsDescendant(dialog, focus)) winsim::DropFocus();
    winsim::ChangeVisibility(dialog, false);
    winsim::Post(dialog, WM_NULL);
    return TRUE;
}

extern "C" BOOL WINAPI MapDialogRect(HWND dialog, LPRECT rect) {
    if (winsim::FailsHere("MapDialogRect", false)) return FALSE;
    if (!winsim::WindowOrError(dialog)) return FALSE;
    winsim::DialogProcedure* self = winsim::DialogOf(dialog);
    if (!self) {
        SetLastError(ERROR_WINDOW_NOT_DIALOG);
        return FALSE;
    }
    if (!rect) return FALSE;
    rect->left = MulDiv(rect->left, self->baseX, 4);
    rect->right = MulDiv(rect->right, self->baseX, 4);
    rect->top = MulDiv(rect->top, self->baseY, 8);
    rect->bottom = MulDiv(rect->bottom, self->baseY, 8);
    return TRUE;
}

// The system font's average character width and height.
extern "C" LONG WINAPI GetDialogBaseUnits(void) { return MAKELONG(8, 16); }
