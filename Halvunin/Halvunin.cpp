/*
 * The uninstaller's entry point: the installer's run control (program.h)
 * around the question and the removal.
 */
#include "Halvunin.h"

#include "../Halvinst/Halvinst.h"
#include "../install/install.h"
#include "../install/log.h"
#include "../install/program.h"
#include "../install/status.h"
#include "../install/sysdlls.h"
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

/* A fault left the removal midway: what it held is let go; the run's end
 * takes its changes back from the undo journal. */
static void ReleaseAfterFault(void *unused)
{
    (void)unused;
    POSITION();
    ReleaseHeldResources();
}

static void ShowFailure(void)
{
    char message[LANG_STRING_SIZE];
    char text[1024];

    lstrcpynA(message, LangString(ErrorMessageId(StatusWord, StatusQualifier)), sizeof message);
    FormatErrorCode(text, LangString(IDS_UNINSTALL_ERROR), message, StatusWord, StatusQualifier);
    MessageBoxA(NULL, text, WizardTitle, MB_OK | MB_ICONEXCLAMATION);
}

/* A removal that waits for the next start: a visual run offers the restart
 * unless NOREBOOT; a silent run only reports it in its status. */
static void DecideRestart(void *unused)
{
    (void)unused;
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
        /* Nothing may be left to undo once Windows goes down. */
        FinishChanges();
        if (StatusIsError()) return;
        RestartWindows();
    }
}

/* What a visual run tells at the end. */
static void ShowOutcome(void *unused)
{
    DWORD code = STATUS_CODE(StatusWord);

    (void)unused;
    if (RunFlags.silent) return;
    if (StatusIsError()) {
        if (code != 2049 && code != 2052 && code != 2055) ShowFailure();
    } else if (code == 0) {
        Tell(IDS_UNINSTALL_NOTHING, MB_OK | MB_ICONINFORMATION);
    } else if (code == 1) {
        Tell(IDS_UNINSTALL_DONE, MB_OK | MB_ICONINFORMATION);
    }
}

static void LogSummary(void)
{
    POSITION();
    LogWrite("%s uninstall, %s logfile on completion, %s reboots.", RunFlags.silent ? "silent" : "visual",
             RunFlags.leaveLog ? "leave" : "delete", RunFlags.noReboot ? "don't allow" : "allow");
}

static const struct ProgramRun Uninstaller = {
    "uninstaller", LogSummary, GuardedRun, ReleaseAfterFault, DecideRestart, ShowOutcome,
};

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show)
{
    (void)previous;
    (void)show;
    NarrowDllSearch();
    return RunProgram(instance, commandLine, &Uninstaller);
}
