#include "user32/controls/control_combobox.h"

#include <cctype>
#include <cstring>

#include "user32/focus.h"
#include "user32/window_geometry.h"
#include "user32/window_messages.h"

namespace winsim {
namespace {

int CompareNoCase(const std::string& a, const std::string& b) {
    for (size_t i = 0;; ++i) {
        if (i == a.size() || i == b.size()) return a.size() == b.size() ? 0 : (i == a.size() ? -1 : 1);
        int x = std::toupper(static_cast<unsigned char>(a[i])), y = std::toupper(static_cast<unsigned char>(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && CompareNoCase(text.substr(0, prefix.size()), prefix) == 0;
}

bool IsDropDownList(const Window& window) { return (window.style & 3) == CBS_DROPDOWNLIST; }

}  // namespace

LRESULT ComboBoxProcedure::Insert(Window& window, int at, const char* text) {
    if (!text) return CB_ERR;
    int count = static_cast<int>(items.size());
    if (at < 0 || at > count) at = count;
    if (window.style & CBS_SORT) {
        at = 0;
        while (at < count && CompareNoCase(items[static_cast<size_t>(at)].text, text) <= 0) ++at;
    }
    items.insert(items.begin() + at, Item{text, 0});
    if (selection >= at) ++selection;
    return at;
}

// The first item after `after` (wrapping around) whose text is, or starts
// with, `text`, compared without case.
int ComboBoxProcedure::Find(int after, const char* text, bool exact) const {
    if (!text || items.empty()) return CB_ERR;
    int count = static_cast<int>(items.size());
    int start = after < 0 || after >= count ? 0 : after + 1;
    for (int i = 0; i < count; ++i) {
        int index = (start + i) % count;
        const std::string& item = items[static_cast<size_t>(index)].text;
        if (exact ? CompareNoCase(item, text) == 0 : StartsWithNoCase(item, text)) return index;
    }
    return CB_ERR;
}

// A pick from the dropped-down list, with the notifications in the order
// Windows sends them: the list opens, the pick is confirmed, the list
// closes, and the selection change comes last (even for the same item).
void ComboBoxProcedure::Pick(Window& window, int index) {
    HWND self = window.handle;
    MoveFocus(self);
    dropped = true;
    NotifyParent(self, CBN_DROPDOWN);
    selection = index;
    NotifyParent(self, CBN_SELENDOK);
    dropped = false;
    NotifyParent(self, CBN_CLOSEUP);
    NotifyParent(self, CBN_SELCHANGE);
}

// Arrow keys on the closed list move the selection; only a change is told.
void ComboBoxProcedure::MoveBy(Window& window, int to) {
    if (items.empty()) return;
    int last = static_cast<int>(items.size()) - 1;
    to = to < 0 ? 0 : (to > last ? last : to);
    if (to == selection) return;
    selection = to;
    NotifyParent(window.handle, CBN_SELCHANGE);
}

const std::string& ComboBoxProcedure::ShownText(const Window& window) const {
    static const std::string none;
    if (!IsDropDownList(window)) return window.text;
    return selection >= 0 && selection < static_cast<int>(items.size()) ? items[static_cast<size_t>(selection)].text : none;
}

LRESULT ComboBoxProcedure::Handle(Window& window, UINT message, WPARAM wParam, LPARAM lParam) {
    const int count = static_cast<int>(items.size());
    const int index = static_cast<int>(wParam);
    const bool valid = index >= 0 && index < count;
    switch (message) {
        case WM_GETDLGCODE:
            return DLGC_WANTARROWS | DLGC_WANTCHARS;
        case CB_ADDSTRING:
            return Insert(window, -1, reinterpret_cast<const char*>(lParam));
        case CB_INSERTSTRING:
            if (index > count) return CB_ERR;
            return Insert(window, index, reinterpret_cast<const char*>(lParam));
        case CB_DELETESTRING:
            if (!valid) return CB_ERR;
            items.erase(items.begin() + index);
            if (selection == index) selection = -1;
            else if (selection > index) --selection;
            return static_cast<LRESULT>(items.size());
        case CB_RESETCONTENT:
            items.clear();
            selection = -1;
            return CB_OKAY;
        case CB_GETCOUNT:
            return count;
        case CB_GETCURSEL:
            return selection;
        case CB_SETCURSEL:
            // -1 clears the selection; an index beyond the list leaves it as it is.
            if (index == -1) selection = -1;
            if (!valid) return CB_ERR;
            selection = index;
            return selection;
        case CB_GETLBTEXT:
            if (!valid || !lParam) return CB_ERR;
            std::memcpy(reinterpret_cast<char*>(lParam), items[wParam].text.c_str(), items[wParam].text.size() + 1);
            return static_cast<LRESULT>(items[wParam].text.size());
        case CB_GETLBTEXTLEN:
            return valid ? static_cast<LRESULT>(items[wParam].text.size()) : CB_ERR;
        case CB_FINDSTRING:
        case CB_FINDSTRINGEXACT:
            return Find(index, reinterpret_cast<const char*>(lParam), message == CB_FINDSTRINGEXACT);
        case CB_SELECTSTRING: {
            int found = Find(index, reinterpret_cast<const char*>(lParam), false);
            if (found != CB_ERR) selection = found;
            return found;
        }
        case CB_GETITEMDATA:
            return valid ? items[wParam].data : CB_ERR;
        case CB_SETITEMDATA:
            if (!valid) return CB_ERR;
            items[wParam].data = lParam;
            return CB_OKAY;
        case CB_SHOWDROPDOWN:
            if ((wParam != 0) != dropped) {
                dropped = wParam != 0;
                NotifyParent(window.handle, dropped ? CBN_DROPDOWN : CBN_CLOSEUP);
            }
            return TRUE;
        case CB_GETDROPPEDSTATE:
            return dropped ? TRUE : FALSE;
        case CB_GETDROPPEDCONTROLRECT: {
            RECT* out = reinterpret_cast<RECT*>(lParam);
            if (!out) return CB_ERR;
            *out = ScreenRect(window);
            out->bottom = out->top + droppedHeight;
            return CB_OKAY;
        }
        case CB_GETITEMHEIGHT:
            return itemHeight;
        case CB_SETITEMHEIGHT:
        case CB_LIMITTEXT:
        case CB_SETEXTENDEDUI:
        case CB_SETEDITSEL:
            return TRUE;
        case CB_GETEXTENDEDUI:
        case CB_GETEDITSEL:
            return 0;
        case kWmPickItem:
            if (valid) Pick(window, index);
            return 0;
        case WM_KEYDOWN:
            switch (wParam) {
                case VK_UP:
                case VK_LEFT: MoveBy(window, selection < 0 ? 0 : selection - 1); break;
                case VK_DOWN:
                case VK_RIGHT: MoveBy(window, selection + 1); break;
                case VK_HOME: MoveBy(window, 0); break;
                case VK_END: MoveBy(window, count - 1); break;
                case VK_PRIOR: MoveBy(window, selection - 8); break;
                case VK_NEXT: MoveBy(window, selection + 8); break;
                default: break;
            }
            return 0;
        case WM_CHAR: {
            char prefix[2] = {static_cast<char>(wParam), '\0'};
            if (static_cast<unsigned char>(prefix[0]) < ' ') return 0;
            int found = Find(selection, prefix, false);
            if (found != CB_ERR) MoveBy(window, found);
            return 0;
        }
        case WM_LBUTTONDOWN:
            MoveFocus(window.handle);
            return 0;
        case WM_SETFOCUS:
            NotifyParent(window.handle, CBN_SETFOCUS);
            return 0;
        case WM_KILLFOCUS:
            NotifyParent(window.handle, CBN_KILLFOCUS);
            return 0;
        case WM_GETTEXT:
            return CopyTextOut(ShownText(window), wParam, lParam);
        case WM_GETTEXTLENGTH:
            return static_cast<LRESULT>(ShownText(window).size());
        case WM_SETTEXT:
            if (IsDropDownList(window)) {
                int found = Find(-1, reinterpret_cast<const char*>(lParam), true);
                if (found == CB_ERR) return CB_ERR;
                selection = found;
                return TRUE;
            }
            return DefaultWindowProc(window, message, wParam, lParam);
        default:
            return DefaultWindowProc(window, message, wParam, lParam);
    }
}

}  // namespace winsim
