/*
 * The application: its file set, start-up checks, wizard and languages.
 */
#include "Halvinst.h"

#include <commctrl.h>
#include <string.h>

#include "../install/install.h"
#include "../install/winmain.h"
#include "../install/log.h"

static const char THIS_FILE[] = ".\\Halvinst\\Halvinst.cpp";

/* ---- Languages --------------------------------------------------------- */

WORD OfferedLanguages[MAX_OFFERED_LANGUAGES];
DWORD OfferedCount;
DWORD selectedLanguage;
char WizardTitle[256];
static char StringBuffer[1040];

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

/* ---- Start-up checks -------------------------------------------------- */

/* The driver this installer carries. */
#define CARRIED_MAJOR 7
#define CARRIED_MINOR 1
#define CARRIED_SUB 0
#define CARRIED_BUILD 189

int CheckInstalledVersion(void)
{
    char path[MAX_PATH];
    struct FileInfo info;
    DWORD major, minor, sub, build;

    POSITION();
    path[0] = '\0';
    if (IsWinNT || IsWin2KXP) {
        MakeDirPath(path, "Halvik.sys", DIR_DRIVERS, NULL);
    } else if (IsWin95) {
        MakeDirPath(path, "Halvik.vxd", DIR_DRIVERS, NULL);
    }
    if (path[0]) LogWrite("Checking for older existing version of %s", path);
    if (!path[0] || !FileExists(path) || !GetFileInfo(path, &info, TRUE)) return 0;
    POSITION();
    major = info.fileVersionMS >> 16;
    minor = info.fileVersionMS & 0xFFFF;
    sub = info.fileVersionLS >> 16;
    build = info.fileVersionLS & 0xFFFF;
    if (major < CARRIED_MAJOR) return -1;
    if (major > CARRIED_MAJOR) return 1;
    LogWrite("Major Versions Match...checking minor version");
    if (minor < CARRIED_MINOR) return -1;
    if (minor > CARRIED_MINOR) return 1;
    LogWrite("Minor Versions Match...checking sub version");
    if (sub > CARRIED_SUB) return 1;
    LogWrite("Sub Versions Match...checking build number");
    return build < CARRIED_BUILD ? -1 : 1;
}

/* Asks a question of the selected language; anything but No is Yes. */
static BOOL Ask(UINT id)
{
    return MessageBoxA(NULL, LangString(id), WizardTitle, MB_YESNO) != IDNO;
}

static void Refuse(UINT id)
{
    MessageBoxA(NULL, LangString(id), WizardTitle, MB_OK | MB_ICONEXCLAMATION);
}

static BOOL UserCancelled(void)
{
    POSITION();
    LogWrite("User cancelled upgrade from pre-display confirmation");
    RecordStatus(2049, 0);
    return FALSE;
}

BOOL StartupChecks(void)
{
    BOOL acceptable = TRUE;

    POSITION();
    if (IsWin95) {
        /* no further platform or rights check */
    } else if (!IsWinNT && !IsWin2KXP) {
        acceptable = FALSE;
    } else if (IsOldShell) {
        LogWrite("Running on Windows NT 3.51 or earlier... Quitting.");
        RecordStatus(2052, 0);
        acceptable = FALSE;
    } else if (!IsAdmin) {
        LogWrite("The utility requires that the user be logged on as Administrator");
        RecordStatus(2055, 0);
    }
    if (RunFlags.silent) return IsAdmin && acceptable;

    if (!acceptable) {
        Refuse(2052);
        return FALSE;
    }
    if ((IsWinNT || IsWin2KXP) && !IsAdmin) {
        Refuse(2055);
        return FALSE;
    }
    if (RunFlags.autorun) {
        switch (CheckInstalledVersion()) {
        case 1:
            POSITION();
            LogWrite("Found previously installed image...cancelling upgrade");
            RecordStatus(2049, 0);
            return FALSE;
        case -1:
            return Ask(22) ? TRUE : UserCancelled();
        default:
            break;
        }
    }
    return Ask(6) ? TRUE : UserCancelled();
}

/* The carried files, in table order; the index names an entry everywhere. */
static struct FileEntry FileTable[] = {
    {"halvinst.inf", "halvinst.inf", "", "halvinst", DIR_TEMP, FE_REGISTRY_SCRIPT | FE_WIN9X | FE_NT4 | FE_W2K, 0},
    {"halvunin.exe", "halvunin.exe", "", "halvunin", DIR_SYSTEM32,
     FE_NO_VERSION | FE_NO_BACKUP | FE_WIN9X | FE_NT4 | FE_W2K, 3},
    {"Halvik.vxd", "Halvik.vxd", "", "Halvik", DIR_DRIVERS, FE_REPLACE_NOW | FE_NEEDS_RESTART | FE_WIN9X, 1},
    {"Halvik.sys", "Halvik.sys", "", "Halvik", DIR_DRIVERS, FE_REPLACE_NOW | FE_NEEDS_RESTART | FE_NT4, 1},
    {"Halvik2k.sys", "Halvik.sys", "", "Halvik", DIR_DRIVERS, FE_REPLACE_NOW | FE_NEEDS_RESTART | FE_W2K, 1},
};

#define FILE_COUNT (sizeof FileTable / sizeof FileTable[0])

static struct FileState FileStates[FILE_COUNT];
static char ArchivePath[MAX_PATH];
static struct FileSet TheFileSet;

/* Stand-in until the wizard lands: keeps the thread's message queue drained
 * while the installation runs. */
void ReportProgress(struct ProgressRecord *record)
{
    MSG message;

    (void)record;
    while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

struct FileSet *GetFileSet(void)
{
    POSITION();
    if (!TheFileSet.entries) {
        GetModuleFileNameA(NULL, ArchivePath, sizeof ArchivePath);
        ArchivePath[sizeof ArchivePath - 1] = '\0';
        TheFileSet.archivePath = ArchivePath;
        TheFileSet.installed = 0;
        TheFileSet.count = FILE_COUNT;
        TheFileSet.entries = FileTable;
        TheFileSet.states = FileStates;
        TheFileSet.progress = ReportProgress;
    }
    return &TheFileSet;
}

/* Stand-in until the wizard lands. */
BOOL RunWizard(void)
{
    POSITION();
    return TRUE;
}
