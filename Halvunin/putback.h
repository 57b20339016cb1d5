/*
 * The uninstaller's put-back list: before a removal step changes a file, a
 * registry value or a key, it notes here how to undo the change. A run that
 * fails part way plays the list backwards, so that it leaves the machine as
 * it found it; a run that succeeds discards the list and its saved copies.
 *
 * The list lives in memory (a killed uninstaller leaves a partly removed
 * machine, which the next run finishes: every step skips what is gone).
 */
#ifndef HALVUNIN_PUTBACK_H
#define HALVUNIN_PUTBACK_H

#include <windows.h>

/* Records that a change is about to be made. Each saves what it needs to
 * put the object back (a copy of the file in the temporary directory, the
 * value's type and data) or notes that the object is absent, in which case
 * putting back removes it again. 0 after a logged and recorded failure. */
BOOL SaveFileForPutBack(const char *path);
BOOL SaveValueForPutBack(HKEY root, const char *key, const char *name);
BOOL SaveKeyForPutBack(HKEY root, const char *key);

/* Undoes every change noted, newest first. Failures are logged; the status
 * already names the failure that started the put-back. */
void PutBackAll(void);
/* Forgets the list after a successful run: deletes the saved copies. */
void DiscardPutBack(void);
/* How many changes are noted (for the tests). */
DWORD PutBackCount(void);

#endif
