/*
 * The undo journal: a run's promise that it can take back every change it
 * makes to the machine.
 *
 * Before each change to a file, a registry value or key, or a restart-time
 * store, the caller records what undoes it; the record is on disk (written
 * and flushed) before the call returns, so the change may follow. On failure
 * the journal is played backwards; on success it is committed and deleted.
 * A run that finds a journal left by a killed run plays it backwards first.
 *
 * The journal is a text file, one record per line, each line carrying its
 * own CRC-32, so a damaged journal is refused and never half-read:
 *
 *   HALVJNL 1 <owner>
 *   <crc> FNEW <path>                     path did not exist: delete it
 *   <crc> FOLD <path> <copy> <owned> <attributes>   copy holds path's old contents
 *   <crc> VNEW <root> <key> <name>        value did not exist: delete it
 *   <crc> VOLD <root> <key> <name> <type> <hex data>
 *   <crc> KNEW <root> <key>               key (and all below) made by this run
 *   <crc> KOLD <root> <key>               key existed: create it again
 *   <crc> DONE <status>                   committed: nothing to undo; the
 *                                         run's status word, in hex
 *
 * Fields are separated by one blank; bytes below 0x21, above 0x7E and '%'
 * are written as %XX. A last line without its line end is a record whose
 * write never finished: its change never began, so it is ignored.
 *
 * The saved copies the journal makes itself (owned = 1) sit beside the
 * journal, named after it with the extension .001, .002 and so on; they
 * are deleted with the journal.
 */
#ifndef HALVINST_JOURNAL_H
#define HALVINST_JOURNAL_H

#include <windows.h>

/* Largest registry value the journal saves, and the most copies it makes. */
#define JOURNAL_MAX_DATA 65536
#define JOURNAL_MAX_COPIES 999

/* What JournalRecover found. */
#define JOURNAL_NONE 0      /* no journal: nothing to do */
#define JOURNAL_UNDONE 1    /* an interrupted run was undone */
#define JOURNAL_FINISHED 2  /* a committed journal was only left behind */
#define JOURNAL_FAILED 3    /* damaged, foreign, or not fully undone: recorded */

/* The machine's one journal, shared by the installer and the uninstaller,
 * so that either finishes what the other left: "halvik.jnl" in the Windows
 * directory. `path` holds MAX_PATH characters. */
void MachineJournalPath(char *path);

/* Starts a journal at `path` for the program `owner` (one word). Fails when
 * a journal is active or the file exists (recover it first). */
BOOL JournalBegin(const char *path, const char *owner);
BOOL JournalActive(void);

/* Without an active journal the recording calls below record nothing and
 * succeed: parts of the engine also run on their own (tests, tools). */

/* Files. `path` is about to be created (nothing there now). */
BOOL JournalFileCreated(const char *path);
/* Deletes a file, trying once more after clearing its attributes (a passing
 * refusal: a scanner holding it); a missing file counts as deleted. With
 * `record`, a failure is recorded (2070); otherwise it is only logged. */
BOOL DeleteFileTwice(const char *path, BOOL record);
/* `path` is about to be overwritten or deleted, and `backup` already holds
 * its contents and outlives the undo (e.g. a backup the run keeps). */
BOOL JournalFileReplaced(const char *path, const char *backup);
/* `path` is about to change or go: the journal saves a copy of it, or notes
 * that it does not exist (then the undo deletes it). */
BOOL JournalSaveFile(const char *path);

/* Registry. The value `name` of root\key is about to be set or deleted:
 * its data, or that it does not exist, is recorded. */
BOOL JournalSaveValue(HKEY root, const char *key, const char *name);
/* root\key is about to be created: the first part of its path that does
 * not exist yet is recorded as made by this run. */
BOOL JournalKeyCreated(HKEY root, const char *key);
/* root\key is about to be deleted with everything below it: every key and
 * value of the tree is recorded. */
BOOL JournalSaveKeyTree(HKEY root, const char *key);

/* Success: marks the journal done and deletes its copies. After a fault,
 * commit and rollback may be called again. The closed journal itself stays
 * until JournalDeleteClosed, the program's last change to the machine: a
 * process ended before it leaves the closed journal, from which the next
 * run learns the restart this one still needed to report. */
BOOL JournalCommit(void);
void JournalDeleteClosed(void);
/* Whether a commit under way has passed the point after which this run's
 * journal undoes nothing: a fault after it leaves only clean-up to do. */
BOOL JournalCommitted(void);
/* Failure: plays the journal backwards. When every step was undone the
 * journal and its copies are deleted; otherwise the journal stays for the
 * next run. Records nothing itself beyond the failures of its steps. */
BOOL JournalRollback(void);
/* Lets go of the journal without playing it back or deleting it, as a
 * killed process would: the next JournalRecover finds it. */
void JournalAbandon(void);
/* Set by JournalRecover when the journal was left closed by a run that
 * needed a restart and Windows has not started since: the restart is still
 * to be made, and this run reports it. */
extern BOOL RestartOwed;
/* At start: plays back a journal that an earlier run left at `path`. */
DWORD JournalRecover(const char *path);
/* JournalRecover on the machine's journal, logging when it undid a run;
 * FALSE when the journal could not be recovered (recorded). */
BOOL RecoverInterruptedRun(void);

#endif
