/*
 * Languages: the string tables this Windows can show, the one in use, and
 * the lookup of a string of a language. Shared by the installer and the
 * uninstaller.
 */
#include "Halvinst.h"

#include <string.h>

#include "../install/instance.h"
#include "../install/log.h"

static const char THIS_FILE[] = ".\\Halvinst\\languages.cpp";

WORD OfferedLanguages[MAX_OFFERED_LANGUAGES];
DWORD OfferedCount;
DWORD selectedLanguage;
char WizardTitle[256];
static char StringBuffer[LANG_STRING_SIZE];

#define ENGLISH_LANGUAGE 0x0409

const char *LoadLangString(HINSTANCE instance, UINT id, WORD language)
{
    HRSRC found;
    HGLOBAL loaded;
    const WCHAR *text;
    const WCHAR *end;
    DWORD size;
    UINT skip;
    int length;

    StringBuffer[0] = '\0';
    found = FindResourceExA(instance, RT_STRING, MAKEINTRESOURCE(id / 16 + 1), language);
    if (!found) return StringBuffer;
    loaded = LoadResource(instance, found);
    text = loaded ? (const WCHAR *)LockResource(loaded) : NULL;
    if (!text) return StringBuffer;
    /* Each string is its length and that many UTF-16 units; a block that
     * ends early yields an empty text rather than a read past it. */
    size = SizeofResource(instance, found);
    end = text + size / sizeof(WCHAR);
    for (skip = id % 16; skip > 0 && text < end; --skip) text += 1 + *text;
    if (text < end && text + 1 + *text <= end) {
        length = WideCharToMultiByte(CP_ACP, WC_COMPOSITECHECK, text + 1, *text, StringBuffer,
                                     sizeof StringBuffer - 1, NULL, NULL);
        /* A text too long for the buffer keeps the part that fits. */
        if (length == 0 && *text != 0) length = sizeof StringBuffer - 1;
        StringBuffer[length] = '\0';
    }
    FreeResource(loaded);
    return StringBuffer;
}

const char *LangString(UINT id)
{
    return LoadLangString(ModuleInstance, id, OfferedLanguages[selectedLanguage]);
}

/* The string blocks the installer and the uninstaller show: ids 1 to 47,
 * 1000 and 2048 to 2088. Block 3 (32 to 47) is the uninstaller's alone: the
 * installer does not carry it, and a missing block is skipped. */
static const WORD ShownBlocks[] = {1, 2, 3, 63, 129, 130, 131};

/* Whether a text converts to the ANSI code page as it is: no default
 * character, and no best-fit look-alike ("e" for "è") where Windows 2000 and
 * later would use one; the Windows 95 family does not know that flag. */
static BOOL ConvertsExactly(const WCHAR *text, int length)
{
    BOOL usedDefault = FALSE;
    int size = WideCharToMultiByte(CP_ACP, WC_COMPOSITECHECK | WC_NO_BEST_FIT_CHARS, text, length, NULL, 0, NULL,
                                   &usedDefault);

    if (size == 0 && GetLastError() == ERROR_INVALID_FLAGS) {
        usedDefault = FALSE;
        size = WideCharToMultiByte(CP_ACP, WC_COMPOSITECHECK, text, length, NULL, 0, NULL, &usedDefault);
    }
    return size != 0 && !usedDefault;
}

/* Whether every string the installer shows of a table converts exactly: a
 * table that does not would show question marks or wrong letters. */
static BOOL TableConverts(WORD language)
{
    HRSRC found;
    HGLOBAL loaded;
    const WCHAR *text;
    const WCHAR *end;
    BOOL converts = TRUE;
    unsigned i;

    for (i = 0; converts && i < sizeof ShownBlocks / sizeof ShownBlocks[0]; ++i) {
        found = FindResourceExA(ModuleInstance, RT_STRING, MAKEINTRESOURCE(ShownBlocks[i]), language);
        loaded = found ? LoadResource(ModuleInstance, found) : NULL;
        text = loaded ? (const WCHAR *)LockResource(loaded) : NULL;
        if (!text) continue;
        end = text + SizeofResource(ModuleInstance, found) / sizeof(WCHAR);
        for (; converts && text < end && text + 1 + *text <= end; text += 1 + *text) {
            if (*text && !ConvertsExactly(text + 1, *text)) converts = FALSE;
        }
        FreeResource(loaded);
    }
    return converts;
}

/* Offers a language whose locale is installed, whose script the display can
 * show and whose texts the ANSI code page holds. */
static BOOL CALLBACK OfferLanguage(HMODULE module, LPCSTR type, LPCSTR name, WORD language, LONG_PTR parameter)
{
    LCID locale = MAKELCID(language, SORT_DEFAULT);
    FONTSIGNATURE display;
    CHARSETINFO charset;
    LOCALESIGNATURE signature;
    HDC context;
    int set;

    (void)module;
    (void)type;
    (void)name;
    (void)parameter;
    if (!IsValidLocale(locale, LCID_INSTALLED)) return TRUE;
    context = GetDC(GetDesktopWindow());
    set = GetTextCharsetInfo(context, &display, 0);
    ReleaseDC(GetDesktopWindow(), context);
    memset(&charset, 0, sizeof charset);
    if (!TranslateCharsetInfo((DWORD *)(ULONG_PTR)set, &charset, TCI_SRCCHARSET)) return TRUE;
    memset(&signature, 0, sizeof signature);
    if (!GetLocaleInfoA(locale, LOCALE_FONTSIGNATURE, (LPSTR)&signature, sizeof signature)) return TRUE;
    if (!(charset.fs.fsCsb[0] & signature.lsCsbSupported[0])) return TRUE;
    if (TableConverts(language) && OfferedCount < MAX_OFFERED_LANGUAGES) OfferedLanguages[OfferedCount++] = language;
    return TRUE;
}

/* The first offered entry equal to `language` in the bits of `mask`, or
 * OfferedCount when there is none. */
static DWORD FindOffered(LANGID language, WORD mask)
{
    DWORD i;

    for (i = 0; i < OfferedCount; ++i) {
        if ((OfferedLanguages[i] & mask) == (language & mask)) break;
    }
    return i;
}

BOOL ChooseStartupLanguage(void)
{
    LANGID user;
    DWORD i;

    POSITION();
    memset(OfferedLanguages, 0, sizeof OfferedLanguages);
    OfferedCount = 0;
    EnumResourceLanguagesA(ModuleInstance, RT_STRING, MAKEINTRESOURCE(1), OfferLanguage, 0);
    /* English is plain ASCII and reads on every Windows: it stands in when
     * no table suits this one, rather than an empty window. */
    if (OfferedCount == 0) {
        LogWrite("No string table suits this system; English is offered");
        OfferedLanguages[OfferedCount++] = ENGLISH_LANGUAGE;
    }
    /* The user's own language, else one of its family, else English (which
     * most users read after their own), else the first offered. */
    user = GetUserDefaultLangID();
    i = FindOffered(user, 0xFFFF);
    if (i == OfferedCount) i = FindOffered(user, 0x3FF);
    if (i == OfferedCount) i = FindOffered(ENGLISH_LANGUAGE, 0xFFFF);
    selectedLanguage = i < OfferedCount ? i : 0;
    lstrcpynA(WizardTitle, LangString(1), sizeof WizardTitle);
    return TRUE;
}
