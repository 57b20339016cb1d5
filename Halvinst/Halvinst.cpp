/*
 * The application: its file set, start-up checks, wizard and languages.
 */
#include "Halvinst.h"

#include <commctrl.h>
#include <string.h>

#include "../install/install.h"
#include "../install/instance.h"
#include "../install/log.h"
#include "../install/program.h"
#include "../install/status.h"
#include "../install/winmain.h"

static const char THIS_FILE[] = ".\\Halvinst\\Halvinst.cpp";

/* ---- Start-up checks -------------------------------------------------- */

/* The driver this installer carries: the version the packer read from it. */
#define CARRIED_MAJOR (CarriedVersionMS >> 16)
#define CARRIED_MINOR (CarriedVersionMS & 0xFFFF)
#define CARRIED_SUB (CarriedVersionLS >> 16)
#define CARRIED_BUILD (CarriedVersionLS & 0xFFFF)

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

/* The first recorded error as the error page words it: its message and
 * its code, in the selected language. */
void FormatFirstError(char *text)
{
    char message[LANG_STRING_SIZE];

    lstrcpynA(message, LangString(ErrorMessageId(StatusWord, StatusQualifier)), sizeof message);
    FormatErrorCode(text, LangString(13), message, StatusWord, StatusQualifier);
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
        /* Recorded here too: a silent run stops on this path without a word otherwise. */
        LogWrite("Cannot run on Win32s - must be NT, 95 or 2K/XP");
        RecordStatus(2052, 0);
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
            /* An installed driver that cannot be read has recorded the
             * failure; the installation could only end in it, so the run
             * stops here and says why. */
            if (STATUS_CODE(StatusWord) >= 2048) {
                char text[FORMAT_BUFFER_SIZE];

                FormatFirstError(text);
                MessageBoxA(NULL, text, WizardTitle, MB_OK | MB_ICONEXCLAMATION);
                return FALSE;
            }
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

/* ---- The wizard ---------------------------------------------------------- */

#define IDC_TITLE 1000
#define IDC_VERSION 1001
#define IDC_PROGRESS 1003
#define IDC_NEXT 1004
#define IDC_BODY 1005
#define IDC_LANGUAGES 1006
#define IDC_STATUS 1007
#define IDC_BACK 1009
#define IDC_PROMPT 1010
#define IDC_CANCEL IDCANCEL
#define WIZARD_DIALOG 100
#define WIZARD_ICON 101
#define STAY_ON_PAGE (-1)

static HWND WizardWindow;
static DWORD CurrentPage;
static BOOL Busy;
static HFONT TitleFont;
static HFONT BodyFont;

typedef void (*EnterAction)(void);
typedef int (*ButtonAction)(void);

struct PageRow {
    DWORD page;
    EnterAction enter;
    ButtonAction next;
    ButtonAction cancel;
};

static void SetText(int control, const char *text)
{
    SetDlgItemTextA(WizardWindow, control, text);
}

static void Show(int control, BOOL visible)
{
    ShowWindow(GetDlgItem(WizardWindow, control), visible ? SW_SHOW : SW_HIDE);
}

static void Enable(int control, BOOL enabled)
{
    EnableWindow(GetDlgItem(WizardWindow, control), enabled);
}

static void Focus(int control)
{
    SetFocus(GetDlgItem(WizardWindow, control));
}

/* Next is the default button; Back a plain one. */
static void DefaultButtons(void)
{
    SendDlgItemMessageA(WizardWindow, IDC_NEXT, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
    SendDlgItemMessageA(WizardWindow, IDC_BACK, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
}

void ApplyLanguageTexts(void)
{
    char version[FORMAT_BUFFER_SIZE];
    char number[CARRIED_VERSION_SIZE + 1];

    FormatCarriedVersion(number);
    size_t length = strlen(number);
    number[length] = ' ';
    number[length + 1] = '\0';
    lstrcpynA(WizardTitle, LangString(1), sizeof WizardTitle);
    SetWindowTextA(WizardWindow, WizardTitle);
    SetText(IDC_TITLE, LangString(15));
    wsprintfA(version, LangString(14), number);
    SetText(IDC_VERSION, version);
    SetText(IDC_PROMPT, LangString(18));
    SetText(IDC_BACK, LangString(19));
    SetText(IDC_NEXT, LangString(20));
    SetText(IDC_CANCEL, LangString(17));
}

static void EnterLanguagePage(void)
{
    Enable(IDC_BACK, FALSE);
    Show(IDC_PROMPT, TRUE);
    Show(IDC_LANGUAGES, TRUE);
    Show(IDC_BODY, FALSE);
    Show(IDC_STATUS, FALSE);
    Show(IDC_PROGRESS, FALSE);
    ApplyLanguageTexts();
    Focus(IDC_LANGUAGES);
    SendDlgItemMessageA(WizardWindow, IDC_LANGUAGES, CB_SETCURSEL, selectedLanguage, 0);
    DefaultButtons();
}

static void EnterWelcomePage(void)
{
    Enable(IDC_BACK, TRUE);
    Show(IDC_PROMPT, FALSE);
    Show(IDC_LANGUAGES, FALSE);
    Show(IDC_BODY, TRUE);
    Show(IDC_STATUS, TRUE);
    Show(IDC_PROGRESS, TRUE);
    SetText(IDC_BODY, LangString(9));
    SetText(IDC_NEXT, LangString(16));
    SetText(IDC_STATUS, LangString(2));
    SetText(IDC_CANCEL, LangString(17));
    DefaultButtons();
}

/* The error and success pages end the wizard on either button: OK, and
 * Cancel again after the restart page had made it No. */
static void EnterEndingPage(const char *status)
{
    SetText(IDC_STATUS, status);
    SetText(IDC_NEXT, LangString(5));
    SetText(IDC_CANCEL, LangString(17));
    Focus(IDC_NEXT);
}

static void EnterErrorPage(void)
{
    char text[FORMAT_BUFFER_SIZE];

    FormatFirstError(text);
    EnterEndingPage(text);
}

static void EnterSuccessPage(void)
{
    EnterEndingPage(LangString(7));
}

static void EnterRestartPage(void)
{
    SetText(IDC_STATUS, LangString(10));
    SetText(IDC_NEXT, LangString(23));
    SetText(IDC_CANCEL, LangString(24));
    Focus(IDC_NEXT);
    RegisterUninstaller();
}

static void EndWizard(void)
{
    EndDialog(WizardWindow, 0);
}

static void EndWizardNothingInstalled(void)
{
    EndDialog(WizardWindow, 1);
}

static int ToWelcomePage(void)
{
    return 1;
}

static int ToEndPage(void)
{
    return 5;
}

static int ConfirmCancel(void)
{
    if (MessageBoxA(WizardWindow, LangString(11), WizardTitle, MB_YESNO | MB_ICONQUESTION) == IDNO)
        return STAY_ON_PAGE;
    POSITION();
    LogWrite("User cancelled upgrade from main dialog");
    RecordStatus(2049, 0);
    return 5;
}

static int InstallAction(void)
{
    HKEY key;
    DWORD language = OfferedLanguages[selectedLanguage];

    POSITION();
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Talven\\Halvik", 0, NULL, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, NULL, &key, NULL) == ERROR_SUCCESS) {
        RegSetValueExA(key, "Language", 0, REG_DWORD, (const BYTE *)&language, sizeof language);
        RegCloseKey(key);
    }
    Enable(IDC_BACK, FALSE);
    Enable(IDC_NEXT, FALSE);
    Enable(IDC_CANCEL, FALSE);
    SetText(IDC_STATUS, LangString(3));
    InstallSequence(GetFileSet());
    SendDlgItemMessageA(WizardWindow, IDC_PROGRESS, PBM_SETPOS, 100, 0);
    Enable(IDC_NEXT, TRUE);
    Enable(IDC_CANCEL, TRUE);
    switch (STATUS_CODE(StatusWord)) {
    case 0:
        return 6;
    case 1:
        return 3;
    case 2:
        return 4;
    default:
        return 2;
    }
}

static int RestartYes(void)
{
    POSITION();
    RunFlags.noReboot = TRUE;
    /* Nothing may be left to undo once Windows goes down. */
    FinishChanges();
    /* A commit that failed took the run back: the error page shows why. */
    if (StatusIsError()) return 2;
    return RestartWindows() ? 5 : 2;
}

static int RestartNo(void)
{
    RunFlags.noReboot = TRUE;
    return 5;
}

static const struct PageRow PageTable[] = {
    {0, EnterLanguagePage, ToWelcomePage, ConfirmCancel},
    {1, EnterWelcomePage, InstallAction, ConfirmCancel},
    {2, EnterErrorPage, ToEndPage, ToEndPage},
    {3, EnterSuccessPage, ToEndPage, ToEndPage},
    {4, EnterRestartPage, RestartYes, RestartNo},
    {5, EndWizard, NULL, NULL},
    {6, EndWizardNothingInstalled, NULL, NULL},
};

#define PAGE_COUNT (sizeof PageTable / sizeof PageTable[0])

void GoToPage(DWORD page)
{
    DWORD i;

    for (i = 0; i < PAGE_COUNT; ++i) {
        if (PageTable[i].page != page) continue;
        CurrentPage = i;
        PageTable[i].enter();
        return;
    }
}

void PageAction(BOOL next)
{
    ButtonAction action = next ? PageTable[CurrentPage].next : PageTable[CurrentPage].cancel;
    int page;

    if (!action) return;
    page = action();
    if (page != STAY_ON_PAGE) GoToPage((DWORD)page);
}

HFONT MakeTitleFont(HWND window)
{
    HFONT font = (HFONT)SendMessageA(window, WM_GETFONT, 0, 0);
    LOGFONTA description;
    LONG height;

    if (!font || !GetObjectA(font, sizeof description, &description)) return NULL;
    height = description.lfHeight;
    description.lfHeight = height + height / 2 - 2;
    description.lfWeight = 500;
    description.lfQuality = PROOF_QUALITY;
    if ((GetUserDefaultLangID() & 0x3FF) == 0x11) {
        lstrcpynA(description.lfFaceName, "MS Mincho", LF_FACESIZE);
        description.lfCharSet = SHIFTJIS_CHARSET;
        description.lfPitchAndFamily = VARIABLE_PITCH;
    } else {
        lstrcpynA(description.lfFaceName, "Times New Roman Bold", LF_FACESIZE);
        description.lfCharSet = ANSI_CHARSET;
        description.lfPitchAndFamily = VARIABLE_PITCH | FF_ROMAN;
    }
    return CreateFontIndirectA(&description);
}

/* Chinese, Japanese and Korean texts get a font of the system's character set. */
static void MakeBodyFont(HWND window)
{
    static const int controls[] = {IDC_BODY, IDC_PROMPT, IDC_LANGUAGES, IDC_STATUS, IDC_BACK, IDC_NEXT, IDC_CANCEL};
    WORD primary = (WORD)(OfferedLanguages[selectedLanguage] & 0x3FF);
    HFONT font = (HFONT)SendMessageA(window, WM_GETFONT, 0, 0);
    LOGFONTA description;
    LOGFONTA system;
    unsigned i;

    if (primary != 0x04 && primary != 0x11 && primary != 0x12) return;
    if (!font || !GetObjectA(font, sizeof description, &description)) return;
    if (GetObjectA(GetStockObject(SYSTEM_FONT), sizeof system, &system)) {
        description.lfCharSet = system.lfCharSet;
        description.lfFaceName[0] = '\0';
    }
    description.lfHeight = (description.lfHeight / 3) * 4;
    description.lfWeight = FW_NORMAL;
    description.lfQuality = PROOF_QUALITY;
    description.lfPitchAndFamily = VARIABLE_PITCH;
    BodyFont = CreateFontIndirectA(&description);
    for (i = 0; BodyFont && i < sizeof controls / sizeof controls[0]; ++i)
        SendDlgItemMessageA(window, controls[i], WM_SETFONT, (WPARAM)BodyFont, TRUE);
}

static void InitialiseWizard(HWND window)
{
    RECT frame;
    int width;
    int height;
    DWORD i;

    WizardWindow = window;
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    GetWindowRect(window, &frame);
    width = frame.right - frame.left;
    height = frame.bottom - frame.top;
    SetWindowPos(window, NULL, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - height) / 3, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOREDRAW);
    MakeBodyFont(window);
    TitleFont = MakeTitleFont(window);
    if (TitleFont) {
        SendDlgItemMessageA(window, IDC_TITLE, WM_SETFONT, (WPARAM)TitleFont, TRUE);
        SendDlgItemMessageA(window, IDC_VERSION, WM_SETFONT, 0, TRUE);
    }
    SetClassLongPtrA(window, GCLP_HICON, (LONG_PTR)LoadIconA(ModuleInstance, MAKEINTRESOURCEA(WIZARD_ICON)));
    for (i = 0; i < OfferedCount; ++i) {
        SendDlgItemMessageA(window, IDC_LANGUAGES, CB_ADDSTRING, 0,
                            (LPARAM)LoadLangString(ModuleInstance, 1000, OfferedLanguages[i]));
    }
    GoToPage(0);
}

INT_PTR CALLBACK WizardProc(HWND window, UINT message, WPARAM first, LPARAM second)
{
    LRESULT selection;
    int result;

    switch (message) {
    case WM_INITDIALOG:
        InitialiseWizard(window);
        return TRUE;
    case WM_DESTROY:
        if (TitleFont) DeleteObject(TitleFont);
        if (BodyFont) DeleteObject(BodyFont);
        TitleFont = NULL;
        BodyFont = NULL;
        WizardWindow = NULL;
        return FALSE;
    case WM_SYSCOLORCHANGE:
        SendDlgItemMessageA(window, IDC_PROGRESS, WM_SYSCOLORCHANGE, first, second);
        return FALSE;
    case WM_COMMAND:
        if (Busy) return TRUE;
        if (LOWORD(first) == IDC_BACK) {
            GoToPage(0);
        } else if (LOWORD(first) == IDC_LANGUAGES && HIWORD(first) == CBN_SELCHANGE) {
            selection = SendDlgItemMessageA(window, IDC_LANGUAGES, CB_GETCURSEL, 0, 0);
            if (selection != CB_ERR) selectedLanguage = (DWORD)selection;
            ApplyLanguageTexts();
        } else if (LOWORD(first) == IDOK || LOWORD(first) == IDCANCEL || LOWORD(first) == IDC_NEXT) {
            Busy = TRUE;
            PageAction(LOWORD(first) == IDC_NEXT);
            Busy = FALSE;
        }
        return TRUE;
    case WM_SYSCOMMAND:
        if ((first & 0xFFF0) != SC_CLOSE || Busy) return FALSE;
        if (PageTable[CurrentPage].cancel) {
            result = PageTable[CurrentPage].cancel();
            if (result != STAY_ON_PAGE) GoToPage((DWORD)result);
        }
        return TRUE;
    default:
        return FALSE;
    }
}

/* The bar moves by quarters, one per step of the installation; the window's
 * messages are handled meanwhile, so it stays painted (commands are ignored
 * while busy). A step without a size leaves the bar where it is. */
void ReportProgress(struct ProgressRecord *record)
{
    DWORD count = record->set ? record->set->count : 0;
    DWORD position = 0;
    BOOL known = TRUE;
    MSG message;

    switch (record->kind) {
    case PROGRESS_EXTRACT:
        known = record->allTotal != 0;
        if (known) position = record->allDone * 25 / record->allTotal;
        break;
    case PROGRESS_COMPARE:
    case PROGRESS_REPLACE:
    case PROGRESS_REGISTRY:
        known = count != 0;
        if (known) position = (record->index + 1) * 25 / count + 25 * (record->kind - PROGRESS_EXTRACT);
        break;
    default:
        known = FALSE;
    }
    if (known && WizardWindow) SendDlgItemMessageA(WizardWindow, IDC_PROGRESS, PBM_SETPOS, position, 0);
    while (PeekMessageA(&message, WizardWindow, 0, 0, PM_REMOVE)) {
        if (!WizardWindow || !IsDialogMessageA(WizardWindow, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}

BOOL RunWizard(void)
{
    char readme[MAX_PATH];
    char command[MAX_PATH + 16];
    char *cut;
    HANDLE file;
    STARTUPINFOA startup;
    PROCESS_INFORMATION process;
    RECT desktop;
    INT_PTR result;
    DWORD error;

    POSITION();
    readme[0] = '\0';
    GetModuleFileNameA(NULL, readme, sizeof readme);
    readme[sizeof readme - 1] = '\0';
    cut = strrchr(readme, '\\');
    if (cut && (size_t)(cut - readme) + sizeof "\\halvinst.txt" <= sizeof readme) {
        lstrcpynA(cut, "\\halvinst.txt", (int)(sizeof readme - (size_t)(cut - readme)));
        file = CreateFileA(readme, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
            wsprintfA(command, "notepad %s", readme);
            memset(&startup, 0, sizeof startup);
            startup.cb = sizeof startup;
            startup.dwFlags = STARTF_USEPOSITION;
            if (GetWindowRect(GetDesktopWindow(), &desktop)) {
                startup.dwX = (DWORD)desktop.left;
                startup.dwY = (DWORD)desktop.top;
            }
            if (CreateProcessA(NULL, command, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process)) {
                CloseHandle(process.hThread);
                CloseHandle(process.hProcess);
            }
        }
    }
    result = DialogBoxParamA(ModuleInstance, MAKEINTRESOURCEA(WIZARD_DIALOG), NULL, WizardProc, 0);
    /* No window means nothing was asked or installed: that is no success. */
    if (result == -1) {
        error = GetLastError();
        POSITION();
        LogWrite("DialogBoxParam failed 0x%08lX", error);
        RecordStatus(2050, error);
        return FALSE;
    }
    if (result == 1 && STATUS_CODE(StatusWord) == 0)
        MessageBoxA(NULL, LangString(12), WizardTitle, MB_OK | MB_ICONINFORMATION);
    return TRUE;
}
