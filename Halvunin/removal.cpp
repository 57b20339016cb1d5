/*
 * The uninstaller's removal steps (see removal.h).
 */
#include "removal.h"

#include <string.h>

#include "../install/filterlist.h"
#include "../install/install.h"
#include "../install/log.h"
#include "../install/upgrade.h"
#include "../install/journal.h"

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

static BOOL SameName(const char *entry, const char *path, const char *shortPath)
{
    if (entry[0] == '\\' && entry[1] == '?' && entry[2] == '?' && entry[3] == '\\') entry += 4;
    return lstrcmpiA(entry, path) == 0 || lstrcmpiA(entry, shortPath) == 0;
}

/* Reads a whole file into a heap block with a terminating NUL; NULL when it
 * is missing or unreadable (the caller then treats it as empty). */
static char *ReadWholeFile(const char *path)
{
    HANDLE file;
    DWORD size;
    DWORD read = 0;
    char *text;

    file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return NULL;
    size = GetFileSize(file, NULL);
    text = size == 0xFFFFFFFF ? NULL : (char *)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size + 1);
    if (text && !(ReadFile(file, text, size, &read, NULL) && read == size)) {
        HeapFree(GetProcessHeap(), 0, text);
        text = NULL;
    }
    CloseHandle(file);
    return text;
}

static BOOL NamesDeletion(const char *line)
{
    char head[5];

    lstrcpynA(head, line, sizeof head);
    return lstrcmpiA(head, "NUL=") == 0;
}

/* Whether a NUL= line of wininit.ini's [RENAME] section names the file. */
static BOOL WininitDeletes(const char *path, const char *shortPath)
{
    char wininit[MAX_PATH];
    char *text;
    char *line;
    char *end;
    BOOL inRename = FALSE;
    BOOL found = FALSE;

    MakeDirPath(wininit, "wininit.ini", DIR_WINDOWS, NULL);
    text = ReadWholeFile(wininit);
    if (!text) return FALSE;
    for (line = text; *line && !found; line = end) {
        end = line + strcspn(line, "\r\n");
        if (*end) *end++ = '\0';
        while (*end == '\r' || *end == '\n') ++end;
        if (line[0] == '[') inRename = lstrcmpiA(line, "[RENAME]") == 0;
        else if (inRename && NamesDeletion(line)) found = SameName(line + 4, path, shortPath);
    }
    HeapFree(GetProcessHeap(), 0, text);
    return found;
}

/* Whether PendingFileRenameOperations holds a deletion (an empty target)
 * of the file. */
static BOOL PendingDeletes(const char *path, const char *shortPath)
{
    HKEY key;
    DWORD type;
    DWORD size = 0;
    DWORD offset = 0;
    DWORD sourceEnd;
    char *data;
    BOOL found = FALSE;

    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, SessionManagerKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return FALSE;
    if (RegQueryValueExA(key, PendingValue, NULL, &type, NULL, &size) != ERROR_SUCCESS) {
        RegCloseKey(key);
        return FALSE;
    }
    data = (char *)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size + 2);
    if (data && RegQueryValueExA(key, PendingValue, NULL, &type, (BYTE *)data, &size) == ERROR_SUCCESS) {
        /* Pairs of strings: the file, then its new name (empty: delete). */
        while (offset < size && data[offset] && !found) {
            sourceEnd = offset + (DWORD)strlen(data + offset) + 1;
            if (sourceEnd >= size + 1) break;
            found = data[sourceEnd] == '\0' && SameName(data + offset, path, shortPath);
            offset = sourceEnd + (DWORD)strlen(data + sourceEnd) + 1;
        }
    }
    if (data) HeapFree(GetProcessHeap(), 0, data);
    RegCloseKey(key);
    return found;
}

BOOL DeletionQueued(const char *path)
{
    char shortPath[MAX_PATH];

    GetShortName(path, shortPath, FALSE);
    if (IsWin95) return WininitDeletes(path, shortPath);
    return PendingDeletes(path, shortPath);
}

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

    if (!OpenForRemoval(root, key, KEY_ALL_ACCESS, &handle, &missing)) return FALSE;
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
    if (!IsWin95 && !RemoveKeyTree(HKEY_LOCAL_MACHINE, ServiceKey)) goto failed;
    MakeDirPath(path, IsWin95 ? "Halvik.vxd" : "Halvik.sys", DIR_DRIVERS, NULL);
    if (!RemoveFile(path)) goto failed;
    MakeDirPath(path, "Halvik.BAK", DIR_DRIVERS, NULL);
    if (!RemoveFile(path)) goto failed;
    if (!RemoveUninstallerFile()) goto failed;
    if (!RemoveValue(HKEY_LOCAL_MACHINE, ProductKey, "Language")) goto failed;
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
