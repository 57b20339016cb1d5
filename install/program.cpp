/*
 * The run control the installer and the uninstaller share.
 */
#include "program.h"

#include "guard.h"
#include "held.h"
#include "install.h"
#include "instance.h"
#include "journal.h"
#include "log.h"
#include "status.h"

static const char THIS_FILE[] = ".\\install\\program.cpp";

/* A fault's report: its lines in the log, and status 2050 unless another
 * failure came first. */
static void ReportFault(DWORD code)
{
    ReportException(code, THIS_FILE, __LINE__);
}

/* Only its lines: the run's status is already final. */
static void LogFault(DWORD code)
{
    LogException(code, THIS_FILE, __LINE__);
}

static void RollbackChanges(void *unused)
{
    (void)unused;
    JournalRollback();
}

static void CommitChanges(void *unused)
{
    (void)unused;
    JournalCommit();
}

/* The run's changes become final, or, when the run failed, are taken back
 * from the undo journal. Guarded: a fault here is tried once more. */
void FinishChanges(void)
{
    void (*finish)(void *);
    DWORD code;

    POSITION();
    if (!JournalActive()) return;
    finish = StatusIsError() ? RollbackChanges : CommitChanges;
    code = RunGuarded(finish, NULL);
    if (code == 0 && finish == CommitChanges && JournalActive()) {
        /* The commit could not be made (its failure is recorded): taken
         * back in full, the run ends as the failure it is. */
        code = RunGuarded(RollbackChanges, NULL);
        if (code != 0) ReportFault(code);
        return;
    }
    if (code == 0) return;
    if (finish == CommitChanges && JournalCommitted()) {
        /* The installation is final; only the journal's files were left to
         * delete. The fault is logged, and the status stays the run's. */
        LogFault(code);
        ReleaseHeldResources();
        code = RunGuarded(CommitChanges, NULL);
        if (code != 0) LogFault(code);
        return;
    }
    ReportFault(code);
    ReleaseHeldResources();
    /* A rollback stopped midway reads its journal again; a commit that
     * faulted turned the run into a failure, taken back in full. */
    code = RunGuarded(RollbackChanges, NULL);
    if (code != 0) ReportFault(code);
}

static void StartRun(void *context)
{
    const struct ProgramRun *run = (const struct ProgramRun *)context;

    LogProgramKind = run->kind;
    LogOpen(NULL);
    DiscoverPlatform();
    SetupDirectories("");
    run->summary();
}

static void EndLog(void *unused)
{
    BOOL keep;

    (void)unused;
    POSITION();
    LogWrite("Final Status 0x%08lX Qualifier 0x%08lX", StatusWord, StatusQualifier);
    keep = StatusIsError() && STATUS_CODE(StatusWord) != 2049 ? TRUE : RunFlags.leaveLog;
    LogClose(keep);
}

static void DeleteClosedJournal(void *unused)
{
    (void)unused;
    JournalDeleteClosed();
}

static void LetGoOfInstance(void *unused)
{
    (void)unused;
    ReleaseInstanceMutex();
}

int RunProgram(HINSTANCE instance, LPSTR commandLine, const struct ProgramRun *run)
{
    DWORD exception;

    ParseCommandLine(commandLine);
    POSITION();
    RecordStatus(0, 0);

    POSITION();
    if (!TakeInstanceMutex()) {
        POSITION();
        RecordStatus(2051, 0);
        return (int)StatusWord;
    }
    ModuleInstance = instance;

    exception = RunGuarded(StartRun, (void *)run);
    if (exception == 0) exception = RunGuarded(run->work, NULL);
    if (exception != 0) {
        ReportFault(exception);
        exception = RunGuarded(run->afterFault, NULL);
        if (exception != 0) ReportFault(exception);
    }
    exception = RunGuarded(run->decideRestart, NULL);
    if (exception != 0) ReportFault(exception);
    FinishChanges();

    /* The status is decided and the machine final: a fault while the user
     * is told, or while the log closes, is not allowed to change either. */
    if (run->showOutcome) {
        exception = RunGuarded(run->showOutcome, NULL);
        if (exception != 0) LogFault(exception);
    }
    RunGuarded(EndLog, NULL);
    /* The run's last change. A fault here is tried once more, as the
     * journal's own deletions are; a closed journal still left is deleted
     * by the next run. */
    if (RunGuarded(DeleteClosedJournal, NULL) != 0) RunGuarded(DeleteClosedJournal, NULL);

    /* Guarded too: a fault while the lock is let go leaves the status as it
     * is; Windows releases what the process still holds when it ends. */
    RunGuarded(LetGoOfInstance, NULL);
    return (int)StatusWord;
}
