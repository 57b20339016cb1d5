#include "user32/dialogs/dialog_create.h"

#include <cstring>

#include "gdi32/gdi_objects.h"
#include "machine/machine_state.h"
#include "shared/ansi_text.h"
#include "shared/text.h"
#include "user32/controls/control_combobox.h"
#include "user32/controls/control_static.h"
#include "user32/dialogs/dialog_items.h"
#include "user32/dialogs/dialog_procedure.h"
#include "user32/focus.h"
#include "user32/window_classes.h"
#include "user32/window_geometry.h"
#include "user32/window_messages.h"
#include "user32/window_state.h"

namespace winsim {
namespace {

constexpr int kDpi = 96;

std::string Narrow(const std::u16string& name) {
    std::string out;
    for (char16_t c : name) out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

// Each control's class, checked before anything is made.
bool ResolveClasses(const DialogTemplate& t, std::vector<std::string>& classes, std::string& error) {
    if (!t.windowClass.Empty()) {
        error = "the dialog's own window class " +
                (t.windowClass.isOrdinal ? std::to_string(t.windowClass.ordinal) : "\"" + Narrow(t.windowClass.name) + "\"") +
                " is not registered";
        return false;
    }
    for (size_t i = 0; i < t.items.size(); ++i) {
        const DialogItemTemplate& item = t.items[i];
        std::string name = item.windowClass.isOrdinal ? PredefinedClassName(item.windowClass.ordinal)
                                                      : RegisteredClass(Narrow(item.windowClass.name));
        if (name.empty()) {
            std::string given = Narrow(item.windowClass.name);
            error = "control " + std::to_string(i + 1) + " (id " + std::to_string(item.id) + "): window class \"" +
                    given + "\" is not registered";
            if (EqualNoCase(given.substr(0, 7), "msctls_"))
                error += " (the common controls are registered by InitCommonControls or InitCommonControlsEx)";
            return false;
        }
        classes.push_back(name);
    }
    return true;
}

RECT PlaceDialog(const DialogTemplate& t, HWND owner, DWORD exStyle, POINT base) {
    RECT inset = FrameInset(t.style, exStyle);
    LONG width = MulDiv(t.cx, base.x, 4) + inset.left + inset.right;
    LONG height = MulDiv(t.cy, base.y, 8) + inset.top + inset.bottom;
    const Profile& screen = Machine();
    POINT at{MulDiv(t.x, base.x, 4), MulDiv(t.y, base.y, 8)};
    if (t.style & DS_CENTER) {
        at = POINT{(screen.screenWidth - width) / 2, (screen.screenHeight - height) / 2};
    } else if (const Window* parent = FindWindowRecord(owner)) {
        POINT origin = ClientOrigin(*parent);
        at.x += origin.x;
        at.y += origin.y;
    }
    // A dialog is kept on the screen.
    if (at.x + width > screen.screenWidth) at.x = screen.screenWidth - width;
    if (at.y + height > screen.screenHeight) at.y = screen.screenHeight - height;
    if (at.x < 0) at.x = 0;
    if (at.y < 0) at.y = 0;
    return RECT{at.x, at.y, at.x + width, at.y + height};
}

HFONT MakeTemplateFont(const DialogTemplate& t) {
    LOGFONTA f;
    std::memset(&f, 0, sizeof f);
    f.lfHeight = -MulDiv(t.pointSize, kDpi, 72);
    f.lfWeight = t.extended ? t.weight : FW_DONTCARE;
    f.lfItalic = t.extended ? t.italic : 0;
    f.lfCharSet = t.extended ? t.charset : DEFAULT_CHARSET;
    f.lfQuality = PROOF_QUALITY;
    std::strncpy(f.lfFaceName, AnsiFromWide(t.typeface).c_str(), LF_FACESIZE - 1);
    GdiObject font;
    font.kind = GdiKind::Font;
    font.font = f;
    return static_cast<HFONT>(AddGdiObject(font));
}

HWND MakeControl(HWND dialog, const DialogItemTemplate& item, const std::string& className, HINSTANCE instance,
                 POINT base) {
    auto control = std::make_shared<Window>();
    control->parent = dialog;
    control->className = className;
    control->style = (item.style | WS_CHILD) & ~static_cast<DWORD>(WS_POPUP);
    control->exStyle = item.exStyle | WS_EX_NOPARENTNOTIFY;
    if (className == "Static" && (item.style & SS_SUNKEN)) control->exStyle |= WS_EX_STATICEDGE;
    control->id = static_cast<int>(item.id);
    control->instance = instance;
    if (item.title.isOrdinal)
        control->titleOrdinal = item.title.ordinal;
    else
        control->text = AnsiFromWide(item.title.name);
    LONG x = MulDiv(item.x, base.x, 4), y = MulDiv(item.y, base.y, 8);
    LONG cx = MulDiv(item.cx, base.x, 4), cy = MulDiv(item.cy, base.y, 8);
    control->procedure = MakeProcedure(className);
    if (auto* combo = control->ProcedureAs<ComboBoxProcedure>()) {
        // A drop-down combo box shows its closed height; the template gives the dropped one.
        combo->droppedHeight = cy;
        combo->itemHeight = base.y;
        if ((item.style & 3) != CBS_SIMPLE) cy = base.y + 8;
    }
    control->rect = RECT{x, y, x + cx, y + cy};
    control->inset = FrameInset(control->style & ~static_cast<DWORD>(WS_CAPTION), control->exStyle);
    HWND handle = AddWindow(control);
    if (std::shared_ptr<Window> parent = LookupWindow(dialog)) parent->children.push_back(handle);
    return handle;
}

}  // namespace

POINT FontBaseUnits(int pointSize) {
    int pixels = MulDiv(pointSize, kDpi, 72);
    int height = pixels + MulDiv(pixels, 2, 11);
    return POINT{MulDiv(height, 6, 13), height};
}

HWND CreateDialogWindow(const DialogTemplate& t, const DialogRequest& request, std::string& error) {
    std::vector<std::string> classes;
    if (!ResolveClasses(t, classes, error)) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    if (request.owner && !FindWindowRecord(request.owner)) {
        error = "the owner window does not exist";
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    POINT base = t.hasFont ? FontBaseUnits(t.pointSize) : POINT{8, 16};

    auto window = std::make_shared<Window>();
    window->className = kDialogClass;
    window->style = t.style & ~static_cast<DWORD>(WS_VISIBLE | WS_CHILD);
    window->exStyle = t.exStyle | ((t.style & DS_MODALFRAME) ? WS_EX_DLGMODALFRAME : 0);
    window->parent = request.owner;
    window->instance = request.instance;
    window->text = AnsiFromWide(t.title);
    window->rect = PlaceDialog(t, request.owner, window->exStyle, base);
    window->inset = FrameInset(window->style, window->exStyle);
    auto procedure = std::make_unique<DialogProcedure>();
    procedure->dialogProc = request.procedure;
    procedure->name = request.name;
    procedure->baseX = base.x;
    procedure->baseY = base.y;
    procedure->modal = request.modal;
    DialogProcedure* dialogState = procedure.get();
    window->procedure = std::move(procedure);
    HWND dialog = AddWindow(window);

    HFONT font = nullptr;
    if (t.hasFont) {
        font = MakeTemplateFont(t);
        dialogState->templateFont = font;
        Send(dialog, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
    }
    for (size_t i = 0; i < t.items.size() && FindWindowRecord(dialog); ++i) {
        HWND control = MakeControl(dialog, t.items[i], classes[i], request.instance, base);
        Send(control, WM_CREATE);
        if (font) Send(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    if (!FindWindowRecord(dialog)) {
        error = "the dialog was destroyed while it was being made";
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }

    // TRUE from WM_INITDIALOG asks for the focus on the first tab stop.
    HWND first = NextTabItem(dialog, nullptr, false);
    LRESULT setFocus = Send(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), request.parameter);
    if (!FindWindowRecord(dialog)) return dialog;
    if (setFocus && !DialogOf(dialog)->ended) {
        if (HWND focus = NextTabItem(dialog, nullptr, false)) MoveFocus(focus);
    }
    if ((t.style & WS_VISIBLE) && !DialogOf(dialog)->ended) ChangeVisibility(dialog, true);
    return dialog;
}

}  // namespace winsim
