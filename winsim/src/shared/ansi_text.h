// Text in the machine's ANSI code page, to and from Unicode, for the window
// system: template texts come as UTF-16, window texts are ANSI, and the
// transcript and the terminal want UTF-8.
#ifndef WINSIM_ANSI_TEXT_H
#define WINSIM_ANSI_TEXT_H

#include <string>

namespace winsim {

// A character the code page lacks becomes '?'.
std::string AnsiFromWide(const std::u16string& text);
// A byte sequence the code page does not define becomes U+FFFD.
std::string Utf8FromAnsi(const std::string& text);

}  // namespace winsim

#endif
