#include "user32/controls/control_generic.h"

#include "user32/window_messages.h"

namespace winsim {

LRESULT EditProcedure::Handle(Window& window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_GETDLGCODE:
            return DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
        case EM_LIMITTEXT:
            limit = wParam ? static_cast<size_t>(wParam) : 30000;
            return 0;
        case WM_CHAR: {
            if (window.style & ES_READONLY) return 0;
            char c = static_cast<char>(wParam);
            if (c == '\b') {
                if (window.text.empty()) return 0;
                window.text.pop_back();
            } else if (static_cast<unsigned char>(c) >= ' ' && window.text.size() < limit) {
                window.text += c;
            } else {
                return 0;
            }
            NotifyParent(window.handle, EN_CHANGE);
            return 0;
        }
        default:
            return DefaultWindowProc(window, message, wParam, lParam);
    }
}

LRESULT PlainProcedure::Handle(Window& window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefaultWindowProc(window, message, wParam, lParam);
}

}  // namespace winsim
