/*
 * The run every program of the product makes around its own work: run
 * flags, single-instance lock, log, platform facts and directories, the
 * work guarded, the restart decision, the undo journal finished, the final
 * status logged and returned as the exit code. The installer and the
 * uninstaller differ only in the steps they hand in.
 */
#ifndef HALVINST_PROGRAM_H
#define HALVINST_PROGRAM_H

#include <windows.h>

struct ProgramRun {
    /* What the log's banners call the program: "installer", "uninstaller". */
    const char *kind;
    /* Logs the run's summary line; the log is open and the platform known. */
    void (*summary)(void);
    /* The program's work. */
    void (*work)(void *);
    /* After a fault ended the work midway: the clean-up it would have made. */
    void (*afterFault)(void *);
    /* Offers the restart a finished run needs, or reports it. */
    void (*decideRestart)(void *);
    /* Tells a visual run how it ended, once the machine is final; NULL when
     * the work itself tells. */
    void (*showOutcome)(void *);
};

/* The whole run: the body of the program's WinMain. Each step after the
 * lock runs guarded, so that a fault anywhere still ends in a final status
 * with the run's changes taken back. */
int RunProgram(HINSTANCE instance, LPSTR commandLine, const struct ProgramRun *run);

/* Commits the run's undo journal, or plays it back when the run failed. */
void FinishChanges(void);

#endif
