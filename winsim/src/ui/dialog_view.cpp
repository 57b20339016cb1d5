#include "ui/dialog_view.h"

#include <cstring>

#include "comctl32/control_progress.h"
#include "gdi32/gdi_objects.h"
#include "ui/ui_transcript.h"
#include "user32/class_icons.h"
#include "user32/controls/control_button.h"
#include "user32/controls/control_combobox.h"
#include "user32/controls/control_static.h"
#include "user32/dialogs/dialog_procedure.h"
#include "user32/focus.h"
#include "user32/window_geometry.h"
#include "user32/window_state.h"

namespace winsim {
namespace {

std::string FontOf(HFONT font) {
    const GdiObject* object = FindGdiObjectOf(font, GdiKind::Font);
    if (!font) return "system";  // a window without a font of its own draws in the system font
    return object ? DescribeFont(object->font) : "(deleted font)";
}

std::string ImageOf(HANDLE image, UINT type, const std::string& problem) {
    if (const GdiObject* object = FindGdiObject(image)) {
        if (object->kind == GdiKind::Bitmap)
            return "bitmap " + std::to_string(object->bitmap.resourceId) + " " + std::to_string(object->bitmap.width) +
                   "x" + std::to_string(object->bitmap.height);
        if (object->kind == GdiKind::Icon)
            return "icon " + std::to_string(object->icon.groupId) + " " + std::to_string(object->icon.width) + "x" +
                   std::to_string(object->icon.height);
    }
    if (image) return type == IMAGE_BITMAP ? "bitmap (deleted)" : "icon (deleted)";
    return problem.empty() ? "none" : "none (" + problem + ")";
}

std::string ButtonKind(DWORD style) {
    switch (ButtonType(style)) {
        case BS_PUSHBUTTON: return "button";
        case BS_DEFPUSHBUTTON: return "default-button";
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON: return "radio";
        case BS_GROUPBOX: return "groupbox";
        default: return "checkbox";
    }
}

std::string StaticKind(DWORD style) {
    switch (StaticType(style)) {
        case SS_BITMAP: return "bitmap";
        case SS_ICON: return "icon";
        case SS_BLACKRECT:
        case SS_GRAYRECT:
        case SS_WHITERECT:
        case SS_BLACKFRAME:
        case SS_GRAYFRAME:
        case SS_WHITEFRAME:
        case SS_ETCHEDHORZ:
        case SS_ETCHEDVERT:
        case SS_ETCHEDFRAME: return "frame";
        default: return "static";
    }
}

ControlView Describe(const Window& w, HWND focus, const std::string& dialogFont) {
    ControlView c;
    c.handle = w.handle;
    c.id = w.id;
    c.style = w.style;
    c.rect = w.rect;
    c.visible = IsShown(w.handle);
    c.enabled = IsEnabled(w.handle);
    c.focused = focus == w.handle;
    c.text = w.text;
    std::string font = FontOf(w.font);
    if (font != dialogFont) c.font = font;
    if (const auto* button = w.ProcedureAs<ButtonProcedure>()) {
        c.kind = ButtonKind(w.style);
        c.checked = button->check;
    } else if (const auto* label = w.ProcedureAs<StaticProcedure>()) {
        c.kind = StaticKind(w.style);
        if (c.kind == "bitmap" || c.kind == "icon") {
            c.image = ImageOf(label->image, label->imageType, label->imageProblem);
            c.imageHandle = label->image;
        }
    } else if (const auto* combo = w.ProcedureAs<ComboBoxProcedure>()) {
        c.kind = "combobox";
        for (const auto& item : combo->items) c.items.push_back(item.text);
        c.selection = combo->selection;
        if ((w.style & 3) == CBS_DROPDOWNLIST)
            c.text = c.selection >= 0 && c.selection < static_cast<int>(c.items.size())
                         ? c.items[static_cast<size_t>(c.selection)]
                         : "";
    } else if (const auto* bar = w.ProcedureAs<ProgressProcedure>()) {
        c.kind = "progress";
        c.low = bar->low;
        c.high = bar->high;
        c.position = bar->position;
    } else if (w.className == "Edit") {
        c.kind = "edit";
    } else if (w.className == "ListBox") {
        c.kind = "listbox";
    } else {
        c.kind = "scrollbar";
    }
    return c;
}

}  // namespace

DialogView DescribeDialog(HWND dialog) {
    DialogView v;
    const Window* w = FindWindowRecord(dialog);
    if (!w) return v;
    v.handle = dialog;
    if (const DialogProcedure* d = w->ProcedureAs<DialogProcedure>()) {
        v.name = d->name;
        v.base = POINT{d->baseX, d->baseY};
    }
    v.caption = w->text;
    v.rect = ScreenRect(*w);
    v.client = RECT{0, 0, w->rect.right - w->rect.left - w->inset.left - w->inset.right,
                    w->rect.bottom - w->rect.top - w->inset.top - w->inset.bottom};
    v.visible = IsShown(dialog);
    v.font = FontOf(w->font);
    HICON icon = w->icons[ICON_BIG] ? w->icons[ICON_BIG] : ClassIcon(w->className, ICON_BIG);
    if (!icon) icon = w->icons[ICON_SMALL] ? w->icons[ICON_SMALL] : ClassIcon(w->className, ICON_SMALL);
    if (icon) v.icon = ImageOf(icon, IMAGE_ICON, "");
    HWND focus = FocusWindow();
    for (HWND child : w->children)
        if (const Window* control = FindWindowRecord(child)) v.controls.push_back(Describe(*control, focus, v.font));
    return v;
}

std::string FormatScreen(const DialogView& v, bool withPositions) {
    std::string out = "screen " + v.name + " " + QuoteText(v.caption);
    out += " " + std::to_string(v.rect.left) + "," + std::to_string(v.rect.top) + " " +
           std::to_string(v.rect.right - v.rect.left) + "x" + std::to_string(v.rect.bottom - v.rect.top);
    if (!v.visible) out += " hidden";
    if (!v.icon.empty()) out += " " + v.icon;
    if (!v.font.empty()) out += " font " + v.font;
    out += "\n";
    for (const ControlView& c : v.controls) {
        out += "  " + std::to_string(c.id) + " " + c.kind + (c.visible ? " visible" : " hidden") +
               (c.enabled ? " enabled" : " disabled");
        if (c.focused) out += " focus";
        if (c.kind == "checkbox" || c.kind == "radio") out += c.checked ? " checked" : " unchecked";
        if (c.kind != "bitmap" && c.kind != "icon" && c.kind != "frame" && c.kind != "progress")
            out += " " + QuoteText(c.text);
        if (!c.image.empty()) out += " " + c.image;
        if (c.kind == "progress") {
            out += " range " + std::to_string(c.low) + "-" + std::to_string(c.high);
            if (withPositions) out += " position " + std::to_string(c.position);
        }
        if (c.kind == "combobox") {
            out += " selection " + std::to_string(c.selection) + " items";
            for (const std::string& item : c.items) out += " " + QuoteText(item);
        }
        if (!c.font.empty()) out += " font " + c.font;
        out += "\n";
    }
    return out;
}

std::string DrawnText(const std::string& text, char* mnemonic) {
    std::string out;
    if (mnemonic) *mnemonic = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size()) {
            ++i;
            if (text[i] != '&' && mnemonic && !*mnemonic) *mnemonic = text[i];
        }
        out += text[i];
    }
    return out;
}

}  // namespace winsim
