#include "shared/ansi_text.h"

#include <iconv.h>

#include "machine/machine_state.h"

namespace winsim {
namespace {

// One iconv conversion, closed when done.
class Converter {
public:
    Converter(const std::string& to, const std::string& from) : cd_(iconv_open(to.c_str(), from.c_str())) {}
    ~Converter() {
        if (Ok()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool Ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts a piece that must convert as a whole; false when it does not.
    bool Convert(const char* in, size_t inSize, std::string& out) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char buffer[64];
        char* inPtr = const_cast<char*>(in);
        while (inSize > 0) {
            char* outPtr = buffer;
            size_t outLeft = sizeof buffer;
            size_t r = iconv(cd_, &inPtr, &inSize, &outPtr, &outLeft);
            out.append(buffer, static_cast<size_t>(outPtr - buffer));
            if (r == static_cast<size_t>(-1) && outLeft == sizeof buffer) return false;
        }
        return true;
    }

private:
    iconv_t cd_;
};

std::string CodePageName() { return "CP" + std::to_string(Machine().codePage); }

}  // namespace

std::string AnsiFromWide(const std::u16string& text) {
    Converter converter(CodePageName(), "UTF-16LE");
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        size_t units = (text[i] >= 0xD800 && text[i] < 0xDC00 && i + 1 < text.size()) ? 2 : 1;
        char bytes[4];
        for (size_t u = 0; u < units; ++u) {
            bytes[2 * u] = static_cast<char>(text[i + u] & 0xFF);
            bytes[2 * u + 1] = static_cast<char>(text[i + u] >> 8);
        }
        std::string piece;
        if (converter.Ok() && converter.Convert(bytes, 2 * units, piece))
            out += piece;
        else
            out += text[i] < 0x80 ? static_cast<char>(text[i]) : '?';
        i += units - 1;
    }
    return out;
}

std::string Utf8FromAnsi(const std::string& text) {
    Converter converter("UTF-8", CodePageName());
    std::string out;
    for (size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        // One byte, or in the East Asian code pages a lead byte and its trail byte.
        std::string piece;
        size_t used = 0;
        if (converter.Ok()) {
            if (converter.Convert(&text[i], 1, piece)) {
                used = 1;
            } else {
                piece.clear();
                if (i + 1 < text.size() && converter.Convert(&text[i], 2, piece)) used = 2;
            }
        }
        if (used) {
            out += piece;
            i += used;
        } else {
            out += "\xEF\xBF\xBD";
            ++i;
        }
    }
    return out;
}

}  // namespace winsim
