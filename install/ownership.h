/*
 * What the installer made and what it found, kept under the product key
 * (HKLM\SOFTWARE\Talven\Halvik) for the uninstaller: it removes what the
 * installer made and leaves, or puts back, what was there before.
 *
 *   "BackupMade"      REG_DWORD 1: an install made the driver's backup
 *                     (Halvik.BAK); without it the backup was there before
 *   "ServiceKeyMade"  REG_DWORD 1: an install created Services\Halvik;
 *                     without it the key was there before
 *   "FoundImagePath"  the ImagePath an install found in Services\Halvik
 *                     naming another file, and removed so that the service
 *                     loads the driver installed
 */
#ifndef HALVINST_OWNERSHIP_H
#define HALVINST_OWNERSHIP_H

#include <windows.h>

#define OWNED_BACKUP "BackupMade"
#define OWNED_SERVICE_KEY "ServiceKeyMade"
#define FOUND_IMAGE_PATH "FoundImagePath"

extern const char ProductKeyPath[];
extern const char ServiceKeyPath[];

/* Records a fact, in the undo journal first; a fact recorded already stays
 * as it is (the first install's finding holds). */
BOOL RecordOwnership(const char *name, DWORD type, const void *data, DWORD size);
/* Whether the fact is recorded; *unknown (when not NULL) is set when the
 * product key could not be read (recorded: 2082). With `data` the value's
 * bytes (up to `*size`) and type come back. */
BOOL OwnershipRecorded(const char *name, DWORD *type, void *data, DWORD *size, BOOL *unknown);

/* Installer steps around the file replacement and the registry script. */
struct FoundBefore {
    int backup;      /* FilePresence of the driver's backup before the run */
    int serviceKey;  /* 1 present, 0 absent, -1 unknown */
};
BOOL NoteFoundItems(struct FoundBefore *found);
/* After the files: a backup that was not there before was made by this run. */
BOOL RecordMadeBackup(const struct FoundBefore *found);
/* After the registry script: a service key that was not there before was
 * made by this run; a foreign ImagePath in it goes, recorded. */
BOOL ClaimServiceKey(const struct FoundBefore *found);

#endif
