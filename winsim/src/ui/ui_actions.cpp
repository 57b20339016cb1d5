#include "ui/ui_actions.h"

#include "user32/controls/control_combobox.h"
#include "user32/dialogs/dialog_items.h"
#include "user32/focus.h"
#include "user32/message_queue.h"
#include "user32/window_object.h"
#include "user32/window_state.h"

namespace winsim {
namespace {

// Why a user cannot reach this control, or empty when they can.
std::string Unreachable(HWND control) {
    if (!IsShown(control)) return "the control is hidden";
    if (!IsEnabled(control)) return "the control is disabled";
    return "";
}

void PostKey(HWND target, const UiAction& a) {
    WPARAM key = a.key;
    if (a.alt) {
        Post(target, WM_SYSKEYDOWN, VK_MENU);
        Post(target, WM_SYSKEYDOWN, key);
        Post(target, WM_SYSKEYUP, key);
        Post(target, WM_KEYUP, VK_MENU);
        return;
    }
    if (a.shift) Post(target, WM_KEYDOWN, VK_SHIFT);
    Post(target, WM_KEYDOWN, key);
    Post(target, WM_KEYUP, key);
    if (a.shift) Post(target, WM_KEYUP, VK_SHIFT);
}

}  // namespace

bool ApplyAction(const UiAction& a, HWND dialog, std::string& ignored, std::string& error) {
    ignored.clear();
    const Window* d = FindWindowRecord(dialog);
    if (!d) {
        error = "the dialog is gone";
        return false;
    }
    if (!IsEnabled(dialog)) {
        ignored = "the dialog is disabled";
        return true;
    }
    switch (a.kind) {
        case UiAction::Kind::Click:
        case UiAction::Kind::Select: {
            HWND control = FindDlgItem(dialog, a.control);
            if (!control) {
                error = "the dialog has no control " + std::to_string(a.control);
                return false;
            }
            if (a.kind == UiAction::Kind::Select) {
                const auto* combo = FindWindowRecord(control)->ProcedureAs<ComboBoxProcedure>();
                if (!combo) {
                    error = "control " + std::to_string(a.control) + " is not a combo box";
                    return false;
                }
                if (a.index >= static_cast<int>(combo->items.size())) {
                    error = "combo box " + std::to_string(a.control) + " has " + std::to_string(combo->items.size()) +
                            " items, no item " + std::to_string(a.index);
                    return false;
                }
            }
            ignored = Unreachable(control);
            if (!ignored.empty()) return true;
            if (a.kind == UiAction::Kind::Click) {
                Post(control, WM_LBUTTONDOWN);
                Post(control, WM_LBUTTONUP);
            } else {
                Post(control, kWmPickItem, static_cast<WPARAM>(a.index));
            }
            return true;
        }
        case UiAction::Kind::Close:
            if (!(d->style & WS_SYSMENU)) {
                ignored = "the dialog has no system menu";
                return true;
            }
            Post(dialog, WM_SYSCOMMAND, SC_CLOSE);
            return true;
        case UiAction::Kind::Key: {
            HWND focus = FocusWindow();
            PostKey(focus && IsDescendant(dialog, focus) ? focus : dialog, a);
            return true;
        }
        case UiAction::Kind::Wait:
            return true;
        case UiAction::Kind::Answer:
            error = "no message box is shown to answer";
            return false;
    }
    return false;
}

}  // namespace winsim
