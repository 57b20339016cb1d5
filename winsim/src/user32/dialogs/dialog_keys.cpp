#include "user32/dialogs/dialog_keys.h"

#include <cctype>
#include <vector>

#include "machine/faults.h"
#include "ui/dialog_view.h"
#include "user32/controls/control_button.h"
#include "user32/dialogs/dialog_items.h"
#include "user32/focus.h"
#include "user32/message_queue.h"
#include "user32/window_messages.h"
#include "user32/window_state.h"

namespace winsim {
namespace {

// The next or previous control of the focused one's group (controls between
// two WS_GROUP styles), wrapping inside the group.
HWND NextGroupItem(HWND dialog, HWND from, bool previous) {
    const Window* d = FindWindowRecord(dialog);
    if (!d || d->children.empty()) return nullptr;
    const std::vector<HWND>& all = d->children;
    size_t at = 0;
    while (at < all.size() && all[at] != from) ++at;
    if (at == all.size()) return NextTabItem(dialog, nullptr, previous);
    auto startsGroup = [&](size_t i) {
        const Window* w = FindWindowRecord(all[i]);
        return i == 0 || (w && (w->style & WS_GROUP));
    };
    size_t first = at, last = at;
    while (!startsGroup(first)) --first;
    while (last + 1 < all.size() && !startsGroup(last + 1)) ++last;
    size_t size = last - first + 1;
    for (size_t step = 1; step < size; ++step) {
        size_t offset = previous ? (at - first + size - step) % size : (at - first + step) % size;
        HWND candidate = all[first + offset];
        if (IsShown(candidate) && IsEnabled(candidate)) return candidate;
    }
    return nullptr;
}

// A control whose text marks `c` as its mnemonic: a button is clicked, a
// static label gives the focus to the next tab stop after it.
bool Mnemonic(HWND dialog, char c) {
    const Window* d = FindWindowRecord(dialog);
    if (!d) return false;
    int wanted = std::toupper(static_cast<unsigned char>(c));
    std::vector<HWND> children = d->children;
    for (size_t i = 0; i < children.size(); ++i) {
        const Window* w = FindWindowRecord(children[i]);
        if (!w || !IsShown(w->handle) || !IsEnabled(w->handle)) continue;
        bool isButton = w->className == "Button" && ButtonType(w->style) != BS_GROUPBOX;
        bool isLabel = w->className == "Static" && !(w->style & SS_NOPREFIX);
        if (!isButton && !isLabel) continue;
        char mnemonic = 0;
        DrawnText(w->text, &mnemonic);
        if (!mnemonic || std::toupper(static_cast<unsigned char>(mnemonic)) != wanted) continue;
        if (isButton) {
            Send(children[i], BM_CLICK);
        } else if (HWND next = NextTabItem(dialog, children[i], false)) {
            MoveFocus(next);
        }
        return true;
    }
    return false;
}

bool PressEnter(HWND dialog, HWND focus, UINT focusCode) {
    if ((focusCode & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) && IsEnabled(focus)) {
        Send(dialog, WM_COMMAND, MAKEWPARAM(ControlId(focus), BN_CLICKED), reinterpret_cast<LPARAM>(focus));
        return true;
    }
    LRESULT defId = Send(dialog, DM_GETDEFID);
    if (HIWORD(defId) == DC_HASDEFID) {
        int id = LOWORD(defId);
        HWND button = FindDlgItem(dialog, id);
        if (!button || IsEnabled(button))
            Send(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    } else {
        Send(dialog, WM_COMMAND, IDOK, reinterpret_cast<LPARAM>(FindDlgItem(dialog, IDOK)));
    }
    return true;
}

bool HandleKey(HWND dialog, const MSG& m) {
    if (m.message != WM_KEYDOWN && m.message != WM_CHAR && m.message != WM_SYSCHAR) return false;
    HWND target = m.hwnd;
    UINT code = static_cast<UINT>(Send(target, WM_GETDLGCODE, m.wParam, reinterpret_cast<LPARAM>(&m)));
    if (code & DLGC_WANTMESSAGE) return false;
    switch (m.message) {
        case WM_KEYDOWN:
            switch (m.wParam) {
                case VK_TAB:
                    if (code & DLGC_WANTTAB) return false;
                    Send(dialog, WM_NEXTDLGCTL, KeyIsDown(VK_SHIFT) ? 1 : 0, 0);
                    return true;
                case VK_LEFT:
                case VK_UP:
                case VK_RIGHT:
                case VK_DOWN: {
                    if (code & DLGC_WANTARROWS) return false;
                    bool previous = m.wParam == VK_LEFT || m.wParam == VK_UP;
                    if (HWND next = NextGroupItem(dialog, FocusWindow(), previous)) MoveFocus(next);
                    return true;
                }
                case VK_ESCAPE:
                    Send(dialog, WM_COMMAND, IDCANCEL, reinterpret_cast<LPARAM>(FindDlgItem(dialog, IDCANCEL)));
                    return true;
                case VK_RETURN:
                case VK_EXECUTE:
                    return PressEnter(dialog, FocusWindow(), FocusWindow() == target ? code : 0);
                default:
                    return false;
            }
        case WM_CHAR:
            if (code & DLGC_WANTCHARS) return false;
            return Mnemonic(dialog, static_cast<char>(m.wParam));
        case WM_SYSCHAR:
            return Mnemonic(dialog, static_cast<char>(m.wParam));
        default:
            return false;
    }
}

}  // namespace

bool DialogMessage(HWND dialog, const MSG& m) {
    if (!FindWindowRecord(dialog)) return false;
    if (m.hwnd != dialog && !IsDescendant(dialog, m.hwnd)) return false;
    if (HandleKey(dialog, m)) return true;
    TranslateMessage(&m);
    DispatchMessageA(&m);
    return true;
}

}  // namespace winsim

extern "C" BOOL WINAPI IsDialogMessageA(HWND dialog, LPMSG message) {
    if (winsim::FailsHere("IsDialogMessageA", false)) return FALSE;
    if (!message) return FALSE;
    return winsim::DialogMessage(dialog, *message) ? TRUE : FALSE;
}
