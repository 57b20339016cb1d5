#include "user32/controls/control_static.h"

#include "gdi32/gdi_objects.h"
#include "user32/images.h"
#include "user32/window_messages.h"

namespace winsim {
namespace {

// A bitmap or icon static names its picture by its title: an ordinal, or a
// resource name such as "#149".
void LoadTitleImage(Window& window, StaticProcedure& self) {
    DWORD type = StaticType(window.style);
    if (type != SS_BITMAP && type != SS_ICON) return;
    self.imageType = type == SS_BITMAP ? IMAGE_BITMAP : IMAGE_ICON;
    LPCSTR name = window.titleOrdinal ? MAKEINTRESOURCEA(*window.titleOrdinal) : window.text.c_str();
    if (!window.titleOrdinal && window.text.empty()) return;
    UINT flags = self.imageType == IMAGE_ICON ? LR_DEFAULTSIZE | LR_SHARED : 0;
    std::string why;
    self.image = LoadModuleImage(window.instance, name, self.imageType, 0, 0, flags, &why);
    self.ownImage = self.image;
    if (!self.image) {
        std::string nameText = window.titleOrdinal ? std::to_string(*window.titleOrdinal) : "\"" + window.text + "\"";
        self.imageProblem = why.empty() ? "resource " + nameText + " not found" : why;
    }
}

}  // namespace

LRESULT StaticProcedure::Handle(Window& window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            LoadTitleImage(window, *this);
            return 0;
        case WM_GETDLGCODE:
            return DLGC_STATIC;
        case WM_NCDESTROY:
            if (ownImage) DeleteGdiObject(ownImage);
            ownImage = nullptr;
            return 0;
        case STM_SETICON:
            return Handle(window, STM_SETIMAGE, IMAGE_ICON, static_cast<LPARAM>(wParam));
        case STM_GETICON:
            return imageType == IMAGE_ICON ? reinterpret_cast<LRESULT>(image) : 0;
        case STM_SETIMAGE: {
            if (wParam != IMAGE_BITMAP && wParam != IMAGE_ICON && wParam != IMAGE_CURSOR) return 0;
            HANDLE previous = imageType == wParam ? image : nullptr;
            if (previous == ownImage) ownImage = nullptr;
            image = reinterpret_cast<HANDLE>(lParam);
            imageType = static_cast<UINT>(wParam);
            imageProblem.clear();
            return reinterpret_cast<LRESULT>(previous);
        }
        case STM_GETIMAGE:
            return imageType == wParam ? reinterpret_cast<LRESULT>(image) : 0;
        default:
            return DefaultWindowProc(window, message, wParam, lParam);
    }
}

}  // namespace winsim
