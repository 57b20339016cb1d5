// Locales (their table is locale_table.cpp), the display's character set,
// and conversion from UTF-16 to the machine's ANSI code page (through iconv, one character at a time so that
// a character the code page lacks becomes its default character).
#include <iconv.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "kernel32/locale/composition.h"
#include "kernel32/locale/locale_table.h"
#include "machine/faults.h"
#include "machine/machine_state.h"

namespace {

struct CharsetRow {
    UINT charset;
    UINT codePage;
    DWORD fsCsb0;
};

const CharsetRow kCharsets[] = {
    {ANSI_CHARSET, 1252, 0x00000001},       {EASTEUROPE_CHARSET, 1250, 0x00000002},
    {RUSSIAN_CHARSET, 1251, 0x00000004},    {GREEK_CHARSET, 1253, 0x00000008},
    {TURKISH_CHARSET, 1254, 0x00000010},    {HEBREW_CHARSET, 1255, 0x00000020},
    {ARABIC_CHARSET, 1256, 0x00000040},     {BALTIC_CHARSET, 1257, 0x00000080},
    {VIETNAMESE_CHARSET, 1258, 0x00000100},
    {THAI_CHARSET, 874, 0x00010000},        {SHIFTJIS_CHARSET, 932, 0x00020000},
    {GB2312_CHARSET, 936, 0x00040000},      {HANGUL_CHARSET, 949, 0x00080000},
    {CHINESEBIG5_CHARSET, 950, 0x00100000},
};

// Only the default sort order of each locale exists here.
const winsim::LocaleInfo* FindLocale(LCID locale) {
    return (locale >> 16) == SORT_DEFAULT ? winsim::FindLocaleInfo(locale & 0xFFFF) : nullptr;
}

const CharsetRow* CharsetOfCodePage(UINT codePage) {
    for (const CharsetRow& row : kCharsets)
        if (row.codePage == codePage) return &row;
    return nullptr;
}

int desktopDc;

}  // namespace

// LCID_SUPPORTED: a locale this Windows knows; LCID_INSTALLED: one whose
// language group the machine has installed.
extern "C" BOOL WINAPI IsValidLocale(LCID locale, DWORD flags) {
    if (flags != LCID_INSTALLED && flags != LCID_SUPPORTED) return FALSE;
    if (!FindLocale(locale)) return FALSE;
    if (flags == LCID_SUPPORTED) return TRUE;
    const std::vector<unsigned>& installed = winsim::Machine().locales;
    return std::find(installed.begin(), installed.end(), locale & 0xFFFF) != installed.end() ? TRUE : FALSE;
}

extern "C" int WINAPI GetLocaleInfoA(LCID locale, LCTYPE type, LPSTR data, int size) {
    if (winsim::FailsHere("GetLocaleInfoA", false)) return 0;
    const winsim::LocaleInfo* row = FindLocale(locale);
    if (!row || type != LOCALE_FONTSIGNATURE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // The signature is 16 wide characters: 32 bytes.
    LOCALESIGNATURE signature;
    std::memset(&signature, 0, sizeof signature);
    signature.lsCsbSupported[0] = row->codePages;
    signature.lsCsbDefault[0] = row->codePages & (0u - row->codePages);
    if (size == 0) return static_cast<int>(sizeof signature);
    if (!data || size < static_cast<int>(sizeof signature)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(data, &signature, sizeof signature);
    return static_cast<int>(sizeof signature);
}

extern "C" UINT WINAPI GetACP(void) { return winsim::Machine().codePage; }
extern "C" UINT WINAPI GetOEMCP(void) { return winsim::Machine().oemCodePage; }

extern "C" HWND WINAPI GetDesktopWindow(void) { return reinterpret_cast<HWND>(&desktopDc); }
extern "C" HDC WINAPI GetDC(HWND) { return reinterpret_cast<HDC>(&desktopDc); }
extern "C" int WINAPI ReleaseDC(HWND, HDC) { return 1; }

// The system font's character set follows the machine's ANSI code page.
extern "C" int WINAPI GetTextCharsetInfo(HDC, LPFONTSIGNATURE signature, DWORD) {
    const CharsetRow* row = CharsetOfCodePage(winsim::Machine().codePage);
    if (signature) {
        std::memset(signature, 0, sizeof *signature);
        signature->fsCsb[0] = row ? row->fsCsb0 : 0;
    }
    return row ? static_cast<int>(row->charset) : DEFAULT_CHARSET;
}

extern "C" BOOL WINAPI TranslateCharsetInfo(DWORD* source, LPCHARSETINFO info, DWORD flags) {
    if (!info) return FALSE;
    UINT value = static_cast<UINT>(reinterpret_cast<ULONG_PTR>(source));
    for (const CharsetRow& row : kCharsets) {
        if ((flags == TCI_SRCCHARSET && row.charset == value) || (flags == TCI_SRCCODEPAGE && row.codePage == value)) {
            std::memset(info, 0, sizeof *info);
            info->ciCharset = row.charset;
            info->ciACP = row.codePage;
            info->fs.fsCsb[0] = row.fsCsb0;
            return TRUE;
        }
    }
    return FALSE;
}

// Converts like Windows: the number of bytes written (or needed, when the
// output size is 0), never a best-fit look-alike; a buffer that is too small
// is filled with the whole characters that fit and the call fails with
// ERROR_INSUFFICIENT_BUFFER. WC_COMPOSITECHECK turns a letter and its
// combining mark into the precomposed character first.
extern "C" int WINAPI WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int count, LPSTR out,
                                          int outSize, LPCSTR defaultChar, LPBOOL usedDefault) {
    if (winsim::FailsHere("WideCharToMultiByte", false)) return 0;
    // WC_NO_BEST_FIT_CHARS came with Windows 2000; iconv never substitutes a look-alike anyway.
    if ((flags & WC_NO_BEST_FIT_CHARS) && winsim::Machine().platformId != 2) {
        SetLastError(ERROR_INVALID_FLAGS);
        return 0;
    }
    if (!wide || count == 0 || outSize < 0 || (outSize > 0 && !out)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (count < 0) {
        count = 0;
        while (wide[count]) ++count;
        ++count;  // the terminator is converted too
    }
    if (codePage == CP_ACP) codePage = winsim::Machine().codePage;
    std::string name = "CP" + std::to_string(codePage);
    iconv_t converter = iconv_open(name.c_str(), "UTF-16LE");
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string result;
    std::vector<size_t> ends;  // where each character's bytes end
    bool substituted = false;
    for (int i = 0; i < count;) {
        int units = (wide[i] >= 0xD800 && wide[i] < 0xDC00 && i + 1 < count) ? 2 : 1;
        char16_t units16[2] = {static_cast<char16_t>(wide[i]), static_cast<char16_t>(units == 2 ? wide[i + 1] : 0)};
        char16_t composed = (flags & WC_COMPOSITECHECK) && units == 1 && i + 1 < count
                                ? winsim::Precomposed(units16[0], static_cast<char16_t>(wide[i + 1]))
                                : 0;
        if (composed) units16[0] = composed;
        unsigned char in[4];
        for (int u = 0; u < units; ++u) {
            in[2 * u] = static_cast<unsigned char>(units16[u] & 0xFF);
            in[2 * u + 1] = static_cast<unsigned char>(units16[u] >> 8);
        }
        char buffer[16];
        char* inPtr = reinterpret_cast<char*>(in);
        char* outPtr = buffer;
        size_t inLeft = static_cast<size_t>(2 * units), outLeft = sizeof buffer;
        iconv(converter, nullptr, nullptr, nullptr, nullptr);
        if (iconv(converter, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1)) {
            result += defaultChar ? defaultChar[0] : '?';
            substituted = true;
        } else {
            result.append(buffer, static_cast<size_t>(outPtr - buffer));
        }
        ends.push_back(result.size());
        i += composed ? 2 : units;
    }
    iconv_close(converter);
    if (usedDefault) *usedDefault = substituted ? TRUE : FALSE;
    if (outSize == 0) return static_cast<int>(result.size());
    if (static_cast<int>(result.size()) > outSize) {
        size_t whole = 0;
        for (size_t end : ends)
            if (end <= static_cast<size_t>(outSize)) whole = end;
        std::memcpy(out, result.data(), whole);
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(out, result.data(), result.size());
    return static_cast<int>(result.size());
}
