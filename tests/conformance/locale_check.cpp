// Locale facts the wizard uses to offer its languages: font signatures and
// character sets.
#include <cstring>

#include "check.h"

namespace conformance {
namespace {

// The thirteen languages of the wizard.
const LCID kLocales[] = {0x0407, 0x0409, 0x040A, 0x040C, 0x0410, 0x0413, 0x0416,
                         0x041D, 0x0411, 0x0412, 0x041E, 0x0804, 0x0404};

void FontSignatures() {
    for (LCID locale : kLocales) {
        LOCALESIGNATURE signature;
        std::memset(&signature, 0xCC, sizeof signature);
        Mark();
        int n = GetLocaleInfoA(locale, LOCALE_FONTSIGNATURE, reinterpret_cast<LPSTR>(&signature), sizeof signature);
        std::string error = Err();
        Report(Fmt("GetLocaleInfoA %04X LOCALE_FONTSIGNATURE", static_cast<unsigned>(locale)),
               Fmt("ret=%d err=%s supported=0x%08X default=0x%08X", n, error.c_str(),
                   static_cast<unsigned>(signature.lsCsbSupported[0]),
                   static_cast<unsigned>(signature.lsCsbDefault[0])));
    }
    char small[4];
    Mark();
    int n = GetLocaleInfoA(0x0409, LOCALE_FONTSIGNATURE, small, sizeof small);
    ReportCall("GetLocaleInfoA LOCALE_FONTSIGNATURE short buffer", n);
    Mark();
    n = GetLocaleInfoA(0x0409, LOCALE_FONTSIGNATURE, nullptr, 0);
    ReportCall("GetLocaleInfoA LOCALE_FONTSIGNATURE size query", n);
}

// TranslateCharsetInfo from a character set or a code page.
void Translate(const char* what, UINT source, DWORD flags) {
    CHARSETINFO info;
    std::memset(&info, 0, sizeof info);
    Mark();
    BOOL ok = TranslateCharsetInfo(reinterpret_cast<DWORD*>(static_cast<ULONG_PTR>(source)), &info, flags);
    ReportCall(Fmt("TranslateCharsetInfo %s %u", what, source), ok,
               Fmt("charset=%u acp=%u csb=0x%08X", info.ciCharset, info.ciACP, static_cast<unsigned>(info.fs.fsCsb[0])));
}

void Charsets() {
    const UINT charsets[] = {ANSI_CHARSET,     SHIFTJIS_CHARSET, HANGUL_CHARSET,  GB2312_CHARSET,
                             CHINESEBIG5_CHARSET, THAI_CHARSET,  EASTEUROPE_CHARSET, RUSSIAN_CHARSET,
                             GREEK_CHARSET,    TURKISH_CHARSET,  HEBREW_CHARSET,  ARABIC_CHARSET,
                             BALTIC_CHARSET,   DEFAULT_CHARSET,  77};
    for (UINT charset : charsets) Translate("charset", charset, TCI_SRCCHARSET);
    const UINT pages[] = {1252, 932, 949, 936, 950, 874, 1250, 1251, 1253, 1254, 1255, 1256, 1257, 1258, 437};
    for (UINT page : pages) Translate("code page", page, TCI_SRCCODEPAGE);
    HDC dc = GetDC(GetDesktopWindow());
    FONTSIGNATURE signature;
    std::memset(&signature, 0, sizeof signature);
    int set = GetTextCharsetInfo(dc, &signature, 0);
    ReleaseDC(GetDesktopWindow(), dc);
    // The signature belongs to whichever font the display has; the character set does not.
    Report("GetTextCharsetInfo desktop", Fmt("charset=%d", set));
}

void ValidLocales() {
    const LCID locales[] = {0x0409, 0x0407};
    for (LCID locale : locales) {
        Mark();
        BOOL ok = IsValidLocale(locale, LCID_SUPPORTED);
        ReportCall(Fmt("IsValidLocale %04X LCID_SUPPORTED", static_cast<unsigned>(locale)), ok != 0);
    }
    Mark();
    BOOL ok = IsValidLocale(0x0409, LCID_INSTALLED);
    ReportCall("IsValidLocale 0409 LCID_INSTALLED", ok != 0);
}

}  // namespace

void CheckLocale() {
    FontSignatures();
    Charsets();
    ValidLocales();
}

}  // namespace conformance
