/*
 * The installer's entry point and the install sequence.
 */
#include "winmain.h"

#include <string.h>

#include "../Halvinst/Halvinst.h"
#include "guard.h"
#include "install.h"
#include "log.h"

static const char THIS_FILE[] = ".\\install\\winmain.cpp";

HINSTANCE ModuleInstance;
HANDLE InstanceMutex;

static const struct {
    const char *keyword;
    BOOL *flag;
} Keywords[] = {
    {"SILENT", &RunFlags.silent},     {"FORCE", &RunFlags.forced},     {"LEAVELOG", &RunFlags.leaveLog},
    {"LEAVESTATUS", &RunFlags.leaveStatus}, {"NOREBOOT", &RunFlags.noReboot}, {"AUTORUN", &RunFlags.autorun},
};

void ParseCommandLine(char *commandLine)
{
    char *p;
    unsigned i;

    POSITION();
    for (p = commandLine; *p; ++p) {
        if (*p >= 'a' && *p <= 'z') *p = (char)(*p - 'a' + 'A');
    }
    for (i = 0; i < sizeof Keywords / sizeof Keywords[0]; ++i) {
        *Keywords[i].flag = strstr(commandLine, Keywords[i].keyword) != NULL;
    }
}

/* Stand-in until the install sequence lands: nothing to do, success. */
BOOL InstallSequence(struct FileSet *set)
{
    (void)set;
    POSITION();
    return TRUE;
}

/* Everything between the summary line and the restart decision. */
static void GuardedRun(void *unused)
{
    (void)unused;
    POSITION();
    if (!RunFlags.silent) ChooseStartupLanguage();
    POSITION();
    if (!StartupChecks()) return;
    POSITION();
    if (!InstallLibraryInit("")) return;
    POSITION();
    if (RunFlags.silent) {
        InstallSequence(GetFileSet());
    } else {
        RunWizard();
    }
    POSITION();
    InstallLibraryCleanup();
}

static void ReportException(DWORD code)
{
    const char *file = SourceFile;
    LONG line = SourceLine;

    POSITION();
    LogWrite("!!! EXCEPTION EXCEPTION EXCEPTION !!!");
    LogWrite("WinMain exception code 0x%08lX", code);
    LogWrite("Last know position in %s, line %ld", file, line);
    RecordStatus(2050, code);
}

static void DecideRestart(void)
{
    POSITION();
    if ((StatusWord & 0xFFF00000) != 0x00200000) return;
    LogWrite("Finished, files upgraded and reboot needed");
    if (RunFlags.silent) {
        RegisterUninstaller();
        POSITION();
        LogWrite("Reboot supressed, silent install");
    } else if (RunFlags.noReboot) {
        LogWrite("Reboot supressed, user requested no reboot");
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

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show)
{
    DWORD wait;
    DWORD exception;
    BOOL keep;

    (void)previous;
    (void)show;
    ParseCommandLine(commandLine);
    POSITION();
    RecordStatus(0, 0);

    POSITION();
    InstanceMutex = CreateMutexA(NULL, FALSE, INSTALLER_MUTEX_NAME);
    wait = InstanceMutex ? WaitForSingleObject(InstanceMutex, 0) : WAIT_FAILED;
    /* Only an owned mutex admits this run; an abandoned one is owned now too. */
    if (wait != WAIT_OBJECT_0 && wait != WAIT_ABANDONED) {
        if (InstanceMutex) CloseHandle(InstanceMutex);
        InstanceMutex = NULL;
        POSITION();
        RecordStatus(2051, 0);
        return (int)StatusWord;
    }
    ModuleInstance = instance;

    LogOpen(NULL);
    DiscoverPlatform();
    SetupDirectories("");
    POSITION();
    LogWrite("%s %s install, %s logfile on completion, %s reboots. %s launched",
             RunFlags.forced ? "Forced" : "Unforced", RunFlags.silent ? "silent" : "visual",
             RunFlags.leaveLog ? "leave" : "delete", RunFlags.noReboot ? "don't allow" : "allow",
             RunFlags.autorun ? "autorun" : "not autorun");

    exception = RunGuarded(GuardedRun, NULL);
    if (exception != 0) ReportException(exception);

    DecideRestart();

    POSITION();
    LogWrite("Final Status 0x%08lX Qualifier 0x%08lX", StatusWord, StatusQualifier);
    keep = StatusIsError() && STATUS_CODE(StatusWord) != 2049 ? TRUE : RunFlags.leaveLog;
    LogClose(keep);

    ReleaseMutex(InstanceMutex);
    CloseHandle(InstanceMutex);
    InstanceMutex = NULL;
    return (int)StatusWord;
}
