/*
 * What the uninstaller removes, step by step. Every step skips, with a log
 * line, what is not there: a partly installed or partly removed machine is
 * normal. Files go through RemoveFile, registry data through RemoveValue,
 * RemoveKeyTree and RemoveKeyIfEmpty; each records in the machine's undo
 * journal how to put its change back before it makes it, and a failure
 * plays the journal back (journal.h).
 */
#ifndef HALVUNIN_REMOVAL_H
#define HALVUNIN_REMOVAL_H

#include <windows.h>

/* Removes the product. Status afterwards: 0 nothing was there, 1 removed,
 * 2 removed and a file waits for the next restart, or the first failure
 * (the machine is then put back as it was). */
BOOL RemoveProduct(void);

BOOL RemoveFile(const char *path);
BOOL RemoveValue(HKEY root, const char *key, const char *name);
BOOL RemoveKeyTree(HKEY root, const char *key);
BOOL RemoveKeyIfEmpty(HKEY root, const char *key);
BOOL RemoveLowerFilter(void);
/* Deletes a file at the next start of Windows (MoveFileExA on the NT
 * family, a NUL= line in wininit.ini's [RENAME] section on the 95 family). */
BOOL DeleteAtRestart(const char *path);

#endif
