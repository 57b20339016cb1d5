/*
 * The uninstaller's removal steps (see removal.h).
 */
#include "removal.h"

#include <string.h>

#include "../install/filterlist.h"
#include "../install/install.h"
#include "../install/journal.h"
#include "../install/log.h"
#include "../install/ownership.h"
#include "../install/restartops.h"
#include "../install/status.h"
#include "../install/upgrade.h"

static const char THIS_FILE[] = ".\\Halvunin\\removal.cpp";

static const char ServiceKey[] = "SYSTEM\\CurrentControlSet\\Services\\Halvik";
static const char CdromClassKey[] = "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E965-E325-11CE-BFC1-08002BE10318}";
static const char UninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Talven Halvik";
static const char ProductKey[] = "SOFTWARE\\Talven\\Halvik";
static const char TalvenKey[] = "SOFTWARE\\Talven";
static const char SessionManagerKey[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
static const char PendingValue[] = "PendingFileRenameOperations";

static BOOL RemovedAny;

/* Progress codes: 1 the first time anything goes, 2 when a file has to
 * wait for the next restart (1 is never recorded after 2). */
static void NoteRemoval(BOOL waitsForRestart)
{
    POSITION();
    if (!RemovedAny) {
        RemovedAny = TRUE;
        RecordStatus(1, 0);
    }
    if (waitsForRestart) RecordStatus(2, 0);
}

/* ---- Restart-time deletion ---------------------------------------------- */

BOOL DeleteAtRestart(const char *path)
{
    char wininit[MAX_PATH];

    POSITION();
    if (IsWin95) {
        MakeDirPath(wininit, "wininit.ini", DIR_WINDOWS, NULL);
        if (!JournalSaveFile(wininit)) return FALSE;
    } else if (!JournalSaveValue(HKEY_LOCAL_MACHINE, SessionManagerKey, PendingValue)) {
        return FALSE;
    }
    return PerformMove(TRUE, path, NULL, FALSE);
}

/* ---- Files --------------------------------------------------------------- */

BOOL RemoveFile(const char *path)
{
    DWORD error;

    POSITION();
    /* A look that fails must not pass for "not there": the file would stay
     * behind a run that reports it removed. */
    switch (FilePresence(path, TRUE)) {
    case 0:
        LogWrite("%s is not there - skipped", path);
        return TRUE;
    case 1:
        break;
    default:
        return FALSE;
    }
    if (!JournalSaveFile(path) || !SetNormalAttributes(path)) return FALSE;
    POSITION();
    LogWrite("Deleting %s", path);
    if (DeleteFileA(path)) {
        NoteRemoval(FALSE);
        return TRUE;
    }
    error = GetLastError();
    if (error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED) {
        /* An earlier run (killed after its commit, or repeated before the
         * restart) may have queued it: once is enough. */
        if (DeletionQueued(path)) {
            LogWrite("%s is in use and already deleted at the next restart - skipped", path);
            NoteRemoval(TRUE);
            return TRUE;
        }
        LogWrite("%s is in use (0x%08lX), deleting it at the next restart", path, error);
        if (!DeleteAtRestart(path)) return FALSE;
        NoteRemoval(TRUE);
        return TRUE;
    }
    LogWrite("DeleteFile %s failed 0x%08lX", path, error);
    RecordStatus(2070, error);
    return FALSE;
}

/* ---- Registry ------------------------------------------------------------ */

static BOOL OpenForRemoval(HKEY root, const char *key, REGSAM access, HKEY *handle, BOOL *missing)
{
    LONG error;

    POSITION();
    *missing = FALSE;
    error = RegOpenKeyExA(root, key, 0, access, handle);
    if (error == ERROR_SUCCESS) return TRUE;
    if (error == ERROR_FILE_NOT_FOUND) {
        LogWrite("Key %s is not there - skipped", key);
        *missing = TRUE;
        return FALSE;
    }
    LogWrite("RegOpenKeyEx failed on %s 0x%08lX", key, error);
    RecordStatus(2081, (DWORD)error);
    return FALSE;
}

BOOL RemoveValue(HKEY root, const char *key, const char *name)
{
    HKEY handle;
    BOOL missing;
    LONG error;

    if (!OpenForRemoval(root, key, KEY_QUERY_VALUE | KEY_SET_VALUE, &handle, &missing)) return missing;
    POSITION();
    error = RegQueryValueExA(handle, name, NULL, NULL, NULL, NULL);
    if (error == ERROR_FILE_NOT_FOUND) {
        LogWrite("Value %s of %s is not there - skipped", name, key);
        RegCloseKey(handle);
        return TRUE;
    }
    if (!JournalSaveValue(root, key, name)) {
        RegCloseKey(handle);
        return FALSE;
    }
    POSITION();
    LogWrite("Deleting value %s of %s", name, key);
    error = RegDeleteValueA(handle, name);
    RegCloseKey(handle);
    if (error != ERROR_SUCCESS) {
        LogWrite("RegDeleteValue failed on %s 0x%08lX", name, error);
        RecordStatus(2078, (DWORD)error);
        return FALSE;
    }
    NoteRemoval(FALSE);
    return TRUE;
}

static BOOL DeleteKey(HKEY root, const char *key)
{
    LONG error;

    POSITION();
    error = RegDeleteKeyA(root, key);
    if (error == ERROR_SUCCESS) return TRUE;
    LogWrite("RegDeleteKey failed on %s 0x%08lX", key, error);
    RecordStatus(2078, (DWORD)error);
    return FALSE;
}

/* Deletes the subkeys (the last first, so that the indices not yet visited
 * stay valid) and then the key itself. */
static BOOL DeleteTree(HKEY root, const char *key)
{
    char name[MAX_PATH];
    char child[MAX_PATH];
    DWORD length;
    DWORD index;
    DWORD subkeys = 0;
    HKEY handle;
    BOOL missing;
    LONG error;

    /* A key gone meanwhile has nothing left to delete. */
    if (!OpenForRemoval(root, key, KEY_ALL_ACCESS, &handle, &missing)) return missing;
    error = RegQueryInfoKeyA(handle, NULL, NULL, NULL, &subkeys, NULL, NULL, NULL, NULL, NULL, NULL, NULL);
    for (index = subkeys; error == ERROR_SUCCESS && index-- > 0;) {
        length = sizeof name;
        error = RegEnumKeyExA(handle, index, name, &length, NULL, NULL, NULL, NULL);
        if (error != ERROR_SUCCESS) break;
        if (strlen(key) + 1 + strlen(name) >= sizeof child) {
            error = ERROR_FILENAME_EXCED_RANGE;
            break;
        }
        wsprintfA(child, "%s\\%s", key, name);
        if (!DeleteTree(root, child)) {
            RegCloseKey(handle);
            return FALSE;
        }
    }
    RegCloseKey(handle);
    if (error != ERROR_SUCCESS) {
        POSITION();
        LogWrite("RegEnumKeyEx failed on %s 0x%08lX", key, error);
        RecordStatus(2082, (DWORD)error);
        return FALSE;
    }
    return DeleteKey(root, key);
}

BOOL RemoveKeyTree(HKEY root, const char *key)
{
    HKEY handle;
    BOOL missing;

    if (!OpenForRemoval(root, key, KEY_QUERY_VALUE, &handle, &missing)) return missing;
    RegCloseKey(handle);
    POSITION();
    LogWrite("Deleting key %s", key);
    if (!JournalSaveKeyTree(root, key) || !DeleteTree(root, key)) return FALSE;
    NoteRemoval(FALSE);
    return TRUE;
}

BOOL RemoveKeyIfEmpty(HKEY root, const char *key)
{
    HKEY handle;
    BOOL missing;
    DWORD subkeys = 0;
    DWORD values = 0;
    LONG error;

    if (!OpenForRemoval(root, key, KEY_QUERY_VALUE, &handle, &missing)) return missing;
    error = RegQueryInfoKeyA(handle, NULL, NULL, NULL, &subkeys, NULL, NULL, &values, NULL, NULL, NULL, NULL);
    RegCloseKey(handle);
    POSITION();
    if (error != ERROR_SUCCESS) {
        LogWrite("RegQueryInfoKey failed on %s 0x%08lX", key, error);
        RecordStatus(2082, (DWORD)error);
        return FALSE;
    }
    if (subkeys || values) {
        LogWrite("Key %s still holds %ld keys and %ld values - kept", key, subkeys, values);
        return TRUE;
    }
    LogWrite("Deleting empty key %s", key);
    if (!JournalSaveKeyTree(root, key) || !DeleteKey(root, key)) return FALSE;
    NoteRemoval(FALSE);
    return TRUE;
}

BOOL RemoveLowerFilter(void)
{
    HKEY handle;
    BOOL missing;
    DWORD type = REG_MULTI_SZ;
    DWORD size = 0;
    DWORD kept = 0;
    struct FilterListScan scan;
    char *data = NULL;
    LONG error;
    BOOL result = FALSE;

    POSITION();
    LogWrite("Attempting LowerFilters removal");
    if (!OpenForRemoval(HKEY_LOCAL_MACHINE, CdromClassKey, KEY_QUERY_VALUE | KEY_SET_VALUE, &handle, &missing))
        return missing;
    error = RegQueryValueExA(handle, "LowerFilters", NULL, &type, NULL, &size);
    if (error == ERROR_FILE_NOT_FOUND) {
        LogWrite("No LowerFilters value - skipped");
        RegCloseKey(handle);
        return TRUE;
    }
    /* Two NULs more than the value, so that a list without its closing
     * NUL (or a REG_SZ) still ends inside the block. */
    if (error == ERROR_SUCCESS) {
        data = (char *)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size + 2);
        if (!data) {
            POSITION();
            LogWrite("Out of memory reading LowerFilters");
            RecordStatus(2054, 0);
            goto done;
        }
        error = RegQueryValueExA(handle, "LowerFilters", NULL, &type, (BYTE *)data, &size);
    }
    if (error != ERROR_SUCCESS) {
        POSITION();
        LogWrite("RegQueryValueEx failed on LowerFilters 0x%08lX", error);
        RecordStatus(2082, (DWORD)error);
        goto done;
    }
    /* The installer's reader: a name behind an empty string counts too. */
    kept = CompactFilterList(data, size, "Halvik", TRUE, &scan);
    POSITION();
    if (!scan.matches) {
        LogWrite("Halvik is not among the LowerFilters - skipped");
        result = TRUE;
        goto done;
    }
    if (!JournalSaveValue(HKEY_LOCAL_MACHINE, CdromClassKey, "LowerFilters")) goto done;
    POSITION();
    if (kept == 0) {
        LogWrite("Deleting LowerFilters, Halvik was its only entry");
        error = RegDeleteValueA(handle, "LowerFilters");
    } else {
        /* A single string stays a single string; a list gets its closing
         * empty string (the other names keep their order). */
        if (type != REG_SZ) data[kept++] = '\0';
        LogWrite("Removing Halvik from LowerFilters");
        error = RegSetValueExA(handle, "LowerFilters", 0, type, (const BYTE *)data, kept);
    }
    if (error != ERROR_SUCCESS) {
        LogWrite("RegSetValueEx failed on LowerFilters removal 0x%08lX", error);
        RecordStatus(2078, (DWORD)error);
        goto done;
    }
    NoteRemoval(FALSE);
    result = TRUE;

done:
    RegCloseKey(handle);
    if (data) HeapFree(GetProcessHeap(), 0, data);
    return result;
}

/* ---- The whole removal ---------------------------------------------------- */

/* The installed uninstaller: the running program cannot delete its own
 * file, so it asks Windows to at the next start. A deletion that an earlier
 * run queued already is not queued again. */
static BOOL RemoveUninstallerFile(void)
{
    char path[MAX_PATH];
    char running[MAX_PATH];
    char shortPath[MAX_PATH];
    char shortRunning[MAX_PATH];

    POSITION();
    MakeDirPath(path, "halvunin.exe", DIR_SYSTEM32, NULL);
    running[0] = '\0';
    GetModuleFileNameA(NULL, running, sizeof running);
    running[sizeof running - 1] = '\0';
    GetShortName(path, shortPath, FALSE);
    GetShortName(running, shortRunning, FALSE);
    if (lstrcmpiA(path, running) != 0 && lstrcmpiA(shortPath, shortRunning) != 0) return RemoveFile(path);
    if (DeletionQueued(path)) {
        LogWrite("%s is already deleted at the next restart - skipped", path);
        return TRUE;
    }
    LogWrite("Deleting the running uninstaller %s at the next restart", path);
    if (!DeleteAtRestart(path)) return FALSE;
    NoteRemoval(FALSE);
    return TRUE;
}

/* A replacement an earlier install left waiting for the restart would put
 * the file back after this run removed it: it is taken back, and its
 * waiting file deleted. */
static BOOL KeepRemoved(const char *path)
{
    DWORD cancelled = 0;

    if (!CancelRestartOperations(path, RESTART_REPLACEMENTS | RESTART_OWN, &cancelled)) return FALSE;
    if (cancelled) NoteRemoval(FALSE);
    return TRUE;
}

/* Puts back a value the installer removed (recorded under the product key). */
static BOOL RestoreValue(HKEY root, const char *key, const char *name, DWORD type, const void *data, DWORD size)
{
    HKEY handle;
    BOOL missing;
    LONG error;

    if (!OpenForRemoval(root, key, KEY_QUERY_VALUE | KEY_SET_VALUE, &handle, &missing)) return missing;
    if (RegQueryValueExA(handle, name, NULL, NULL, NULL, NULL) == ERROR_SUCCESS) {
        RegCloseKey(handle);
        return TRUE;
    }
    if (!JournalSaveValue(root, key, name)) {
        RegCloseKey(handle);
        return FALSE;
    }
    POSITION();
    LogWrite("Putting back value %s of %s", name, key);
    error = RegSetValueExA(handle, name, 0, type, (const BYTE *)data, size);
    RegCloseKey(handle);
    if (error == ERROR_SUCCESS) return TRUE;
    LogWrite("RegSetValueEx failed on %s 0x%08lX", name, error);
    RecordStatus(2078, (DWORD)error);
    return FALSE;
}

/* The service key: a key the installer created goes whole (with what
 * Windows added under it for the service). A key that was there before
 * keeps what the installer did not write; the values its registry script
 * writes go, and an ImagePath the installer removed comes back. */
static BOOL RemoveServiceKey(void)
{
    static const char *const written[] = {"ErrorControl", "Group", "Start", "Tag", "Type", "DisplayName"};
    char image[MAX_PATH];
    DWORD type = 0;
    DWORD size = sizeof image;
    HKEY handle;
    BOOL missing;
    BOOL unknown;
    unsigned i;

    POSITION();
    if (!OpenForRemoval(HKEY_LOCAL_MACHINE, ServiceKey, KEY_QUERY_VALUE, &handle, &missing)) return missing;
    RegCloseKey(handle);
    if (OwnershipRecorded(OWNED_SERVICE_KEY, NULL, NULL, NULL, &unknown)) return RemoveKeyTree(HKEY_LOCAL_MACHINE, ServiceKey);
    if (unknown) return FALSE;
    POSITION();
    LogWrite("%s was there before the first install - only its values go", ServiceKey);
    for (i = 0; i < sizeof written / sizeof written[0]; ++i) {
        if (!RemoveValue(HKEY_LOCAL_MACHINE, ServiceKey, written[i])) return FALSE;
    }
    if (OwnershipRecorded(FOUND_IMAGE_PATH, &type, image, &size, &unknown)) {
        if (!RestoreValue(HKEY_LOCAL_MACHINE, ServiceKey, "ImagePath", type, image, size)) return FALSE;
    } else if (unknown) {
        return FALSE;
    }
    return RemoveKeyIfEmpty(HKEY_LOCAL_MACHINE, ServiceKey);
}

/* The driver's backup, when an install made it: it holds an earlier driver
 * (or a file of the driver's name that the first install replaced), which
 * cannot work once the service and the filter entry are gone. A backup that
 * was there before the first install is left alone. */
static BOOL RemoveBackup(void)
{
    char path[MAX_PATH];
    BOOL unknown;

    POSITION();
    MakeDirPath(path, "Halvik.BAK", DIR_DRIVERS, NULL);
    if (OwnershipRecorded(OWNED_BACKUP, NULL, NULL, NULL, &unknown)) return RemoveFile(path);
    if (unknown) return FALSE;
    switch (FilePresence(path, TRUE)) {
    case 0:
        LogWrite("%s is not there - skipped", path);
        return TRUE;
    case 1:
        LogWrite("%s was there before the first install - kept", path);
        return TRUE;
    default:
        return FALSE;
    }
}

/* Takes back what an interrupted run of the installer or the uninstaller
 * left, then starts this run's journal. */
static BOOL StartJournal(void)
{
    char journal[MAX_PATH];

    if (!RecoverInterruptedRun()) return FALSE;
    POSITION();
    MachineJournalPath(journal);
    return JournalBegin(journal, "halvunin");
}

BOOL RemoveProduct(void)
{
    char path[MAX_PATH];

    POSITION();
    RemovedAny = FALSE;
    if (!StartJournal()) return FALSE;
    /* The order keeps every machine a kill can leave usable: the class
     * filter goes before the service that loads it, and both before the
     * driver (a filter listed without its driver stops every CD/DVD drive);
     * the uninstall entry, the user's only way to run this again, goes
     * last. Each step is in the journal before it is made. */
    if (!RemoveLowerFilter()) goto failed;
    if (!IsWin95 && !RemoveServiceKey()) goto failed;
    MakeDirPath(path, IsWin95 ? "Halvik.vxd" : "Halvik.sys", DIR_DRIVERS, NULL);
    if (!KeepRemoved(path) || !RemoveFile(path)) goto failed;
    if (!RemoveBackup()) goto failed;
    MakeDirPath(path, "halvunin.exe", DIR_SYSTEM32, NULL);
    if (!KeepRemoved(path) || !RemoveUninstallerFile()) goto failed;
    if (!RemoveValue(HKEY_LOCAL_MACHINE, ProductKey, "Language") ||
        !RemoveValue(HKEY_LOCAL_MACHINE, ProductKey, OWNED_BACKUP) ||
        !RemoveValue(HKEY_LOCAL_MACHINE, ProductKey, OWNED_SERVICE_KEY) ||
        !RemoveValue(HKEY_LOCAL_MACHINE, ProductKey, FOUND_IMAGE_PATH))
        goto failed;
    if (!RemoveKeyIfEmpty(HKEY_LOCAL_MACHINE, ProductKey)) goto failed;
    if (!RemoveKeyIfEmpty(HKEY_LOCAL_MACHINE, TalvenKey)) goto failed;
    if (!RemoveKeyTree(HKEY_LOCAL_MACHINE, UninstallKey)) goto failed;
    POSITION();
    LogWrite(RemovedAny ? "Tessera Disc Reader removed" : "Nothing to remove");
    /* The run control commits the journal once the run is over, so that a
     * fault after the commit finds the removal final. */
    return TRUE;

failed:
    POSITION();
    LogWrite("Putting back what this run removed");
    return FALSE;
}
