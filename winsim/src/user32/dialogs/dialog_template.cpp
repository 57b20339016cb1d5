#include "user32/dialogs/dialog_template.h"

#include <cstdio>

namespace winsim {
namespace {

// Longest string accepted in a template whose size is not known: far more
// than any caption or class name, and a stop for garbage without a NUL.
constexpr size_t kMaxUnits = 32768;

class Reader {
public:
    Reader(const void* data, size_t size) : bytes_(static_cast<const uint8_t*>(data)), size_(size) {}

    size_t Offset() const { return pos_; }
    const std::string& Error() const { return error_; }

    bool Word(WORD& value, const char* what) {
        if (!Need(2, what)) return false;
        value = static_cast<WORD>(bytes_[pos_] | (bytes_[pos_ + 1] << 8));
        pos_ += 2;
        return true;
    }
    bool Short(short& value, const char* what) {
        WORD w = 0;
        if (!Word(w, what)) return false;
        value = static_cast<short>(w);
        return true;
    }
    bool Dword(DWORD& value, const char* what) {
        WORD low = 0, high = 0;
        if (!Need(4, what) || !Word(low, what) || !Word(high, what)) return false;
        value = static_cast<DWORD>(low) | (static_cast<DWORD>(high) << 16);
        return true;
    }
    bool Byte(BYTE& value, const char* what) {
        if (!Need(1, what)) return false;
        value = bytes_[pos_++];
        return true;
    }
    bool Bytes(std::vector<uint8_t>& out, size_t count, const char* what) {
        if (!Need(count, what)) return false;
        out.assign(bytes_ + pos_, bytes_ + pos_ + count);
        pos_ += count;
        return true;
    }
    bool String(std::u16string& out, const char* what) {
        size_t start = pos_;
        out.clear();
        for (;;) {
            WORD unit = 0;
            if (pos_ + 2 > size_) {
                Fail(start, std::string(what) + " has no terminating NUL before the end of the template");
                return false;
            }
            Word(unit, what);
            if (unit == 0) return true;
            if (out.size() >= kMaxUnits) {
                Fail(start, std::string(what) + " is longer than " + std::to_string(kMaxUnits) + " characters");
                return false;
            }
            out += static_cast<char16_t>(unit);
        }
    }
    bool NameOrOrd(NameOrOrdinal& out, const char* what) {
        WORD first = 0;
        if (!Word(first, what)) return false;
        out = NameOrOrdinal{};
        if (first == 0) return true;
        if (first == 0xFFFF) {
            out.isOrdinal = true;
            return Word(out.ordinal, what);
        }
        pos_ -= 2;
        return String(out.name, what);
    }
    // Items start on double words, counted from the start of the template.
    void AlignToDword() { pos_ = (pos_ + 3) & ~static_cast<size_t>(3); }
    void Fail(size_t at, const std::string& message) {
        if (!error_.empty()) return;
        error_ = "byte " + std::to_string(at) + ": " + message;
    }

private:
    bool Need(size_t count, const char* what) {
        if (pos_ <= size_ && size_ - pos_ >= count) return true;
        std::string end = size_ == SIZE_MAX ? "" : " (" + std::to_string(size_) + " bytes)";
        Fail(pos_, std::string(what) + " runs past the end of the template" + end);
        return false;
    }

    const uint8_t* bytes_;
    size_t size_;
    size_t pos_ = 0;
    std::string error_;
};

bool ReadHeader(Reader& in, DialogTemplate& t, WORD& count) {
    WORD first = 0, second = 0;
    if (!in.Word(first, "the dialog header") || !in.Word(second, "the dialog header")) return false;
    t.extended = first == 1 && second == 0xFFFF;
    if (t.extended) {
        if (!in.Dword(t.helpId, "the help id") || !in.Dword(t.exStyle, "the extended style") ||
            !in.Dword(t.style, "the style"))
            return false;
    } else {
        if (second == 0xFFFF) {
            in.Fail(0, "an extended template (signature 0xFFFF) must have version 1, not " + std::to_string(first));
            return false;
        }
        t.style = static_cast<DWORD>(first) | (static_cast<DWORD>(second) << 16);
        if (!in.Dword(t.exStyle, "the extended style")) return false;
    }
    if (!in.Word(count, "the control count") || !in.Short(t.x, "the position") || !in.Short(t.y, "the position") ||
        !in.Short(t.cx, "the size") || !in.Short(t.cy, "the size"))
        return false;
    if (!in.NameOrOrd(t.menu, "the menu") || !in.NameOrOrd(t.windowClass, "the window class") ||
        !in.String(t.title, "the caption"))
        return false;
    t.hasFont = (t.style & DS_SETFONT) != 0;
    if (t.hasFont) {
        if (!in.Word(t.pointSize, "the font size")) return false;
        if (t.extended &&
            (!in.Word(t.weight, "the font weight") || !in.Byte(t.italic, "the italic flag") ||
             !in.Byte(t.charset, "the character set")))
            return false;
        if (!in.String(t.typeface, "the font name")) return false;
    }
    return true;
}

bool ReadItem(Reader& in, bool extended, DialogItemTemplate& item) {
    in.AlignToDword();
    if (extended) {
        if (!in.Dword(item.helpId, "the help id") || !in.Dword(item.exStyle, "the extended style") ||
            !in.Dword(item.style, "the style"))
            return false;
    } else {
        if (!in.Dword(item.style, "the style") || !in.Dword(item.exStyle, "the extended style")) return false;
    }
    if (!in.Short(item.x, "the position") || !in.Short(item.y, "the position") || !in.Short(item.cx, "the size") ||
        !in.Short(item.cy, "the size"))
        return false;
    if (extended) {
        if (!in.Dword(item.id, "the id")) return false;
    } else {
        WORD id = 0;
        if (!in.Word(id, "the id")) return false;
        item.id = id;
    }
    if (!in.NameOrOrd(item.windowClass, "the class")) return false;
    if (item.windowClass.Empty()) {
        in.Fail(in.Offset() - 2, "the class is empty");
        return false;
    }
    if (!in.NameOrOrd(item.title, "the text")) return false;
    WORD extra = 0;
    if (!in.Word(extra, "the creation data size")) return false;
    return in.Bytes(item.creationData, extra, "the creation data");
}

}  // namespace

std::string PredefinedClassName(WORD atom) {
    switch (atom) {
        case 0x0080: return "Button";
        case 0x0081: return "Edit";
        case 0x0082: return "Static";
        case 0x0083: return "ListBox";
        case 0x0084: return "ScrollBar";
        case 0x0085: return "ComboBox";
        default: return "";
    }
}

bool ParseDialogTemplate(const void* data, size_t size, DialogTemplate& out, std::string& error) {
    out = DialogTemplate{};
    if (!data) {
        error = "no template";
        return false;
    }
    Reader in(data, size);
    WORD count = 0;
    if (!ReadHeader(in, out, count)) {
        error = in.Error();
        return false;
    }
    for (WORD i = 0; i < count; ++i) {
        DialogItemTemplate item;
        if (!ReadItem(in, out.extended, item)) {
            error = "control " + std::to_string(i + 1) + " of " + std::to_string(count) + ", " + in.Error();
            return false;
        }
        if (item.windowClass.isOrdinal && PredefinedClassName(item.windowClass.ordinal).empty()) {
            char atom[8];
            std::snprintf(atom, sizeof atom, "0x%04X", item.windowClass.ordinal);
            error = "control " + std::to_string(i + 1) + " of " + std::to_string(count) + ": class atom " + atom +
                    " is not a predefined class";
            return false;
        }
        out.items.push_back(std::move(item));
    }
    return true;
}

}  // namespace winsim
