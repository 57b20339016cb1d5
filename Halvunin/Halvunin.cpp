/*
 * The uninstaller's entry point: the same run control as the installer's
 * (flags, single-instance lock, log, platform, guarded run, restart
 * decision, final status as exit code) around the removal.
 */
#include "Halvunin.h"

#include "../Halvinst/Halvinst.h"
#include "../install/guard.h"
#include "../install/install.h"
#include "../install/journal.h"
#include "../install/log.h"
#include "../install/winmain.h"
#include "removal.h"

static const char THIS_FILE[] = ".\\Halvunin\\Halvunin.cpp";

void ChooseUninstallLanguage(void)
{
    HKEY key;
    DWORD stored = 0;
    DWORD size = sizeof stored;
    DWORD type = 0;
    DWORD i;

    POSITION();
    ChooseStartupLanguage();
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Talven\\Halvik", 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
        if (RegQueryValueExA(key, "Language", NULL, &type, (BYTE *)&stored, &size) != ERROR_SUCCESS ||
            type != REG_DWORD)
            stored = 0;
        RegCloseKey(key);
    }
    for (i = 0; stored && i < OfferedCount; ++i) {
        if (OfferedLanguages[i] == stored) selectedLanguage = i;
    }
    lstrcpynA(WizardTitle, LangString(IDS_UNINSTALL_TITLE), sizeof WizardTitle);
}

static int Tell(UINT id, UINT style)
{
    return MessageBoxA(NULL, LangString(id), WizardTitle, style);
}

/* Windows it cannot run on, and users who may not change the machine. */
static BOOL PlatformAccepted(void)
{
    POSITION();
    if ((!IsWin95 && !IsWinNT && !IsWin2KXP) || IsOldShell) {
        LogWrite("Cannot run on this platform - must be 95, NT 4.0 or 2K/XP");
        RecordStatus(2052, 0);
        if (!RunFlags.silent) Tell(2052, MB_OK | MB_ICONEXCLAMATION);
        return FALSE;
    }
    if (!IsAdmin) {
        LogWrite("The utility requires that the user be logged on as Administrator");
        RecordStatus(2055, 0);
        if (!RunFlags.silent) Tell(2055, MB_OK | MB_ICONEXCLAMATION);
        return FALSE;
    }
    return TRUE;
}

static void GuardedRun(void *unused)
{
    (void)unused;
    POSITION();
    if (!RunFlags.silent) ChooseUninstallLanguage();
    if (!PlatformAccepted()) return;
    if (!RunFlags.silent && Tell(IDS_UNINSTALL_QUESTION, MB_YESNO | MB_ICONQUESTION) != IDYES) {
        POSITION();
        LogWrite("User cancelled uninstall");
        RecordStatus(2049, 0);
        return;
    }
    RemoveProduct();
}

/* A fault left the removal midway: what it changed is taken back. */
static void RollbackAfterFault(void *unused)
{
    (void)unused;
    POSITION();
    if (JournalActive()) JournalRollback();
}

static void ShowFailure(void)
{
    char message[LANG_STRING_SIZE];
    char text[FORMAT_BUFFER_SIZE];

    lstrcpynA(message, LangString(ErrorMessageId(StatusWord, StatusQualifier)), sizeof message);
    FormatErrorCode(text, LangString(IDS_UNINSTALL_ERROR), message, StatusWord, StatusQualifier);
    MessageBoxA(NULL, text, WizardTitle, MB_OK | MB_ICONEXCLAMATION);
}

/* A removal that waits for the next start: a visual run offers the restart
 * unless NOREBOOT; a silent run only reports it in its status. */
static void DecideRestart(void)
{
    POSITION();
    if ((StatusWord & 0xFFF00000) != 0x00200000) return;
    LogWrite("Finished, files removed and reboot needed");
    if (RunFlags.silent) {
        LogWrite("Reboot supressed, silent uninstall");
    } else if (RunFlags.noReboot) {
        LogWrite("Reboot supressed, user requested no reboot");
        Tell(IDS_UNINSTALL_DONE, MB_OK | MB_ICONINFORMATION);
    } else if (Tell(IDS_UNINSTALL_RESTART, MB_YESNO | MB_ICONQUESTION) != IDYES) {
        LogWrite("Reboot declined by the user");
    } else {
        RecordStatus(3, 0);
        if (IsWin95) {
            POSITION();
            LogWrite("Pre95 reboot status 0x%08lX qualifier 0x%08lX", StatusWord, StatusQualifier);
            LogWrite("Final status will not be logged because of reboot");
            LogClose(FALSE);
        }
        RestartWindows();
    }
}

/* The run's last change. A fault here leaves the closed journal, which
 * the next run deletes. */
static void DeleteClosedJournal(void *unused)
{
    (void)unused;
    JournalDeleteClosed();
}

/* What a visual run tells at the end. */
static void ShowOutcome(void)
{
    DWORD code = STATUS_CODE(StatusWord);

    if (RunFlags.silent) return;
    if (StatusIsError()) {
        if (code != 2049 && code != 2052 && code != 2055) ShowFailure();
    } else if (code == 0) {
        Tell(IDS_UNINSTALL_NOTHING, MB_OK | MB_ICONINFORMATION);
    } else if (code == 1) {
        Tell(IDS_UNINSTALL_DONE, MB_OK | MB_ICONINFORMATION);
    }
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show)
{
    DWORD exception;
    BOOL keep;

    (void)previous;
    (void)show;
    ParseCommandLine(commandLine);
    POSITION();
    RecordStatus(0, 0);
    if (!TakeInstanceMutex()) {
        POSITION();
        RecordStatus(2051, 0);
        return (int)StatusWord;
    }
    ModuleInstance = instance;

    LogOpen(NULL);
    DiscoverPlatform();
    SetupDirectories("");
    POSITION();
    LogWrite("%s uninstall, %s logfile on completion, %s reboots.", RunFlags.silent ? "silent" : "visual",
             RunFlags.leaveLog ? "leave" : "delete", RunFlags.noReboot ? "don't allow" : "allow");

    exception = RunGuarded(GuardedRun, NULL);
    if (exception != 0) {
        ReportException(exception, THIS_FILE, __LINE__);
        exception = RunGuarded(RollbackAfterFault, NULL);
        if (exception != 0) ReportException(exception, THIS_FILE, __LINE__);
    }

    DecideRestart();
    ShowOutcome();

    POSITION();
    LogWrite("Final Status 0x%08lX Qualifier 0x%08lX", StatusWord, StatusQualifier);
    keep = StatusIsError() && STATUS_CODE(StatusWord) != 2049 ? TRUE : RunFlags.leaveLog;
    LogClose(keep);
    /* Tried once more after a fault, as the journal's own deletions are. */
    if (RunGuarded(DeleteClosedJournal, NULL) != 0) RunGuarded(DeleteClosedJournal, NULL);

    ReleaseInstanceMutex();
    return (int)StatusWord;
}
