#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace resgen {

// Offset of the first byte that does not start a well-formed UTF-8 sequence
// (overlong forms, surrogates and values above U+10FFFF included), or npos.
std::size_t FindInvalidUtf8(std::string_view text);

// UTF-16 code units of well-formed UTF-8 text; characters above U+FFFF become surrogate pairs.
std::u16string Utf8ToUtf16(std::string_view text);

} // namespace resgen
