/*
 * Languages: the string tables this Windows can show, the one in use, and
 * the lookup of a string of a language. Shared by the installer and the
 * uninstaller.
 */
#include "Halvinst.h"

#include <commctrl.h>
#include <string.h>

#include "../install/log.h"
#include "../install/winmain.h"

static const char THIS_FILE[] = ".\\Halvinst\\languages.cpp";

WORD OfferedLanguages[MAX_OFFERED_LANGUAGES];
DWORD OfferedCount;
DWORD selectedLanguage;
char WizardTitle[256];
static char StringBuffer[LANG_STRING_SIZE];

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

/* Offers a language whose locale is installed and whose script the display can show. */
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
    if ((charset.fs.fsCsb[0] & signature.lsCsbSupported[0]) && OfferedCount < MAX_OFFERED_LANGUAGES)
        OfferedLanguages[OfferedCount++] = language;
    return TRUE;
}

BOOL ChooseStartupLanguage(void)
{
    LANGID user;
    DWORD i;

    POSITION();
    InitCommonControls();
    memset(OfferedLanguages, 0, sizeof OfferedLanguages);
    OfferedCount = 0;
    EnumResourceLanguagesA(ModuleInstance, RT_STRING, MAKEINTRESOURCE(1), OfferLanguage, 0);
    user = GetUserDefaultLangID();
    selectedLanguage = 0;
    for (i = 0; i < OfferedCount; ++i) {
        if (OfferedLanguages[i] == user) break;
    }
    if (i == OfferedCount) {
        for (i = 0; i < OfferedCount; ++i) {
            if ((OfferedLanguages[i] & 0x3FF) == (user & 0x3FF)) break;
        }
    }
    if (i < OfferedCount) selectedLanguage = i;
    lstrcpynA(WizardTitle, LangString(1), sizeof WizardTitle);
    return TRUE;
}
