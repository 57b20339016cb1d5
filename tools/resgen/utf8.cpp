#include "utf8.h"

#include <stdexcept>

namespace resgen {
namespace {

// Decodes one sequence at text[pos]; returns its length, or 0 when it is malformed.
std::size_t DecodeOne(std::string_view text, std::size_t pos, char32_t& value)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(pos);
    std::size_t length;
    char32_t minimum;
    if (lead < 0x80) {
        value = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, minimum = 0x80, value = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, minimum = 0x800, value = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, minimum = 0x10000, value = lead & 0x07;
    } else {
        return 0;
    }
    if (pos + length > text.size())
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(pos + i) & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (byte(pos + i) & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    return length;
}

} // namespace

std::size_t FindInvalidUtf8(std::string_view text)
{
    char32_t value;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t length = DecodeOne(text, pos, value);
        if (length == 0)
            return pos;
        pos += length;
    }
    return std::string_view::npos;
}

std::u16string Utf8ToUtf16(std::string_view text)
{
    std::u16string units;
    char32_t value;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t length = DecodeOne(text, pos, value);
        if (length == 0)
            throw std::invalid_argument("malformed UTF-8");
        pos += length;
        if (value < 0x10000) {
            units.push_back(static_cast<char16_t>(value));
        } else {
            value -= 0x10000;
            units.push_back(static_cast<char16_t>(0xD800 + (value >> 10)));
            units.push_back(static_cast<char16_t>(0xDC00 + (value & 0x3FF)));
        }
    }
    return units;
}

} // namespace resgen
