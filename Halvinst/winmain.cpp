/*
 * The installer's entry point: the steps it hands to the run control, which
 * start and stop the lower floors in order.
 */
#include <windows.h>

#include "../install/install.h"
#include "../install/library.h"
#include "../install/log.h"
#include "../install/program.h"
#include "../install/status.h"
#include "../install/sysdlls.h"
#include "../install/upgrade.h"
#include "../install/winmain.h"
#include "Halvinst.h"

static const char THIS_FILE[] = ".\\Halvinst\\winmain.cpp";

static void GuardedRun(void *unused)
{
    (void)unused;
    POSITION();
    /* The system DLLs beyond the imported four, before anything needs them:
     * a run that cannot load them fails here, before it changes anything. */
    if (!LoadVersionDll()) return;
    if (!RunFlags.silent && !LoadCommonControls()) return;
    POSITION();
    if (!RunFlags.silent) ChooseStartupLanguage();
    POSITION();
    if (!CheckSetupArchive()) return;
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

/* After a fault the guarded region was left midway: the clean-up pass that
 * the sequence would have run, and the library's own clean-up, run here. */
static void CleanupAfterFault(void *unused)
{
    (void)unused;
    POSITION();
    ReleaseHeldResources();
    if (!LibraryInitialised) return;
    LogWrite("Cleaning up after the exception");
    if (GetFileSet()) CleanupImageFiles(GetFileSet(), TRUE);
    POSITION();
    InstallLibraryCleanup();
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
        /* Nothing may be left to undo once Windows goes down. */
        FinishChanges();
        /* A commit that failed took the run back: nothing waits for a restart. */
        if (StatusIsError()) return;
        RestartWindows();
    }
}

/* The installer's summary line, first after the start banner. */
static void LogSummary(void)
{
    POSITION();
    LogWrite("%s %s install, %s logfile on completion, %s reboots. %s launched",
             RunFlags.forced ? "Forced" : "Unforced", RunFlags.silent ? "silent" : "visual",
             RunFlags.leaveLog ? "leave" : "delete", RunFlags.noReboot ? "don't allow" : "allow",
             RunFlags.autorun ? "autorun" : "not autorun");
}

static void DecideRestartGuarded(void *unused)
{
    (void)unused;
    DecideRestart();
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show)
{
    static const struct ProgramRun installer = {
        "installer", LogSummary, GuardedRun, CleanupAfterFault, DecideRestartGuarded, NULL,
    };

    (void)previous;
    (void)show;
    NarrowDllSearch();
    return RunProgram(instance, commandLine, &installer);
}
