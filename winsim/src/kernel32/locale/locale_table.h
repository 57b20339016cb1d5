// The locales winsim knows: what a Windows of each language sets up (ANSI
// and OEM code page, the locale's font signature) and which language group
// must be installed for it.
#ifndef WINSIM_LOCALE_TABLE_H
#define WINSIM_LOCALE_TABLE_H

#include <vector>

namespace winsim {

struct LocaleInfo {
    unsigned language;   // LANGID
    const char* name;    // as `winsim create --lang` accepts it too: "de-DE"
    unsigned ansiCodePage;
    unsigned oemCodePage;
    unsigned group;      // the language group (LGRPID) the locale belongs to
    unsigned codePages;  // first double word of the locale signature's lsCsbSupported
};

// nullptr for a language winsim does not know.
const LocaleInfo* FindLocaleInfo(unsigned language);
const std::vector<LocaleInfo>& KnownLocales();

// The locales a fresh Windows of `language` has installed: those of the
// language groups every Windows 2000/XP installs (Western and Central
// Europe, Baltic, Greek, Cyrillic, Turkish) and those of its own group.
std::vector<unsigned> DefaultInstalledLocales(unsigned language);

}  // namespace winsim

#endif
