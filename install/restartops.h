/*
 * Operations waiting for the next start of Windows that name one file: the
 * NT family's PendingFileRenameOperations value, the 95 family's wininit.ini
 * [RENAME] section, and the installer's move record file. A later run would
 * be undone by them at the restart (a reinstall by the deletion an uninstall
 * queued, an uninstall by a replacement an install queued), so such a run
 * takes them back, each store saved in the undo journal before it changes.
 */
#ifndef HALVINST_RESTARTOPS_H
#define HALVINST_RESTARTOPS_H

#include <windows.h>

/* What CancelRestartOperations takes back. */
#define RESTART_DELETIONS 1    /* the file deleted, or renamed away */
#define RESTART_REPLACEMENTS 2 /* another file moved over it, unless the move record file lists the move */
#define RESTART_OWN 4          /* with RESTART_REPLACEMENTS, those too: their waiting files go as well */

/* Takes back the operations of the kinds `what` that name `path` (its long
 * or short name); *cancelled counts them. FALSE, recorded, when a store
 * cannot be read or changed. */
BOOL CancelRestartOperations(const char *path, DWORD what, DWORD *cancelled);

/* TRUE when the restart-time store already deletes `path`. */
BOOL DeletionQueued(const char *path);

#endif
