#include "dialog_template.h"

#include <cctype>

#include "byte_writer.h"
#include "window_styles.h"

namespace resgen {

std::u16string StoredClassName(const std::string& className)
{
    std::u16string stored;
    for (const char c : className)
        stored += static_cast<char16_t>(std::toupper(static_cast<unsigned char>(c)));
    return stored;
}

std::vector<std::uint8_t> EncodeDialogTemplate(const Dialog& dialog)
{
    ByteWriter out;
    out.U32(dialog.style.value);
    out.U32(0);  // extended style
    out.U16(static_cast<std::uint16_t>(dialog.controls.size()));
    out.I16(dialog.x);
    out.I16(dialog.y);
    out.I16(dialog.width);
    out.I16(dialog.height);
    out.U16(0);  // no menu
    out.U16(0);  // the dialog manager's own window class
    out.U16(0);  // no caption: the program sets it
    if (dialog.style.value & kDsSetFont) {
        out.U16(dialog.fontPoints);
        out.UnitsZ(dialog.fontFace);
    }

    for (const DialogControl& control : dialog.controls) {
        out.AlignTo(4);  // every item starts on a double word
        out.U32(control.style.value);
        out.U32(0);  // extended style
        out.I16(control.x);
        out.I16(control.y);
        out.I16(control.width);
        out.I16(control.height);
        out.U16(control.id);
        if (const auto atom = PredefinedClassAtom(control.className)) {
            out.U16(0xFFFF);
            out.U16(*atom);
        } else {
            out.UnitsZ(StoredClassName(control.className));
        }
        if (control.imageName) {
            out.U16(0xFFFF);
            out.U16(*control.imageName);
        } else {
            out.UnitsZ(control.text);
        }
        out.U16(0);  // no creation data
    }
    return out.Take();
}

} // namespace resgen
