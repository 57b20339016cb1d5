// Conversion of UTF-16 text to the machine's ANSI code page, as the A calls
// hand strings back. winsim machines use Windows-1252.
#ifndef WINSIM_CODEPAGE_H
#define WINSIM_CODEPAGE_H

#include <string>

namespace winsim {

// Characters that Windows-1252 cannot show become '?', as
// WideCharToMultiByte's default character does.
std::string AnsiFromUtf16(const std::u16string& text);

}  // namespace winsim

#endif
