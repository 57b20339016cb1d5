/*
 * Finding and taking back restart-time operations (see restartops.h).
 */
#include "restartops.h"

#include <string.h>

#include "install.h"
#include "journal.h"
#include "log.h"
#include "status.h"
#include "upgrade.h"

static const char THIS_FILE[] = ".\\install\\restartops.cpp";

static const char SessionManagerKey[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
static const char PendingValue[] = "PendingFileRenameOperations";

/* Only a deletion (no new name), for DeletionQueued. */
#define RESTART_DELETION_ONLY 8
/* Waiting files of the installer's own replacements taken back by one call. */
#define MAX_WAITING 4

/* The file looked for, by both its names, and the installer's move record
 * file as read (NULL when there is none). */
struct Target {
    const char *path;
    char shortPath[MAX_PATH];
    BYTE *records;
    DWORD recordsSize;
    char waiting[MAX_WAITING][MAX_PATH];
    DWORD waitingCount;
};

static void *Allocate(DWORD size)
{
    void *block = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size);

    if (block) {
        HoldResource(HELD_HEAP, block);
        return block;
    }
    POSITION();
    LogWrite("Out of memory reading the restart-time operations");
    RecordStatus(2054, 0);
    return NULL;
}

static void Release(void *block)
{
    if (!block) return;
    DropResource(block);
    HeapFree(GetProcessHeap(), 0, block);
}

static DWORD GetWord(const BYTE *place)
{
    return (DWORD)place[0] | (DWORD)place[1] << 8 | (DWORD)place[2] << 16 | (DWORD)place[3] << 24;
}

/* The move record at `offset`: three little-endian words (the record's
 * length, the source's, the destination's), then the two names. FALSE at
 * the end, and at a record this engine never writes. */
static BOOL ReadMoveRecord(const BYTE *records, DWORD size, DWORD offset, DWORD *length, char *source,
                           char *destination)
{
    DWORD sourceLength;
    DWORD destinationLength;

    if (!records || size - offset < 12) return FALSE;
    *length = GetWord(records + offset);
    sourceLength = GetWord(records + offset + 4);
    destinationLength = GetWord(records + offset + 8);
    if (sourceLength >= MAX_PATH || destinationLength >= MAX_PATH ||
        *length < 12 + sourceLength + destinationLength || *length > size - offset)
        return FALSE;
    memset(source, 0, MAX_PATH);
    memset(destination, 0, MAX_PATH);
    memcpy(source, records + offset + 12, sourceLength);
    memcpy(destination, records + offset + 12 + sourceLength, destinationLength);
    return TRUE;
}

/* A name as the stores write it: "\??\" in front on the NT family, "!" in
 * front of a new name that may replace an existing file. */
static BOOL SameName(const char *entry, const struct Target *target)
{
    if (entry[0] == '!') ++entry;
    if (entry[0] == '\\' && entry[1] == '?' && entry[2] == '?' && entry[3] == '\\') entry += 4;
    return lstrcmpiA(entry, target->path) == 0 || lstrcmpiA(entry, target->shortPath) == 0;
}

/* Whether the move record file lists the move of `source` over the target. */
static BOOL RecordedMove(const struct Target *target, const char *source)
{
    DWORD offset = 0;
    DWORD length;
    char pair[2][MAX_PATH];

    if (source[0] == '\\' && source[1] == '?' && source[2] == '?' && source[3] == '\\') source += 4;
    while (ReadMoveRecord(target->records, target->recordsSize, offset, &length, pair[0], pair[1])) {
        if (lstrcmpiA(pair[0], source) == 0 && SameName(pair[1], target)) return TRUE;
        offset += length;
    }
    return FALSE;
}

/* Whether the operation moving `source` to `destination` ("" or NULL:
 * deleting it) is one of the kinds `what` against the target. */
static BOOL Undoes(const struct Target *target, const char *source, const char *destination, DWORD what)
{
    BOOL deletion = !destination || !destination[0];

    if (what & RESTART_DELETION_ONLY) return deletion && SameName(source, target);
    if ((what & RESTART_DELETIONS) && SameName(source, target)) return TRUE;
    if (deletion || !(what & RESTART_REPLACEMENTS) || !SameName(destination, target)) return FALSE;
    return (what & RESTART_OWN) || !RecordedMove(target, source);
}

/* Reads a whole file; *text is NULL when it is not there. FALSE, recorded,
 * when it is there but cannot be read. */
static BOOL ReadStoreFile(const char *path, char **text, DWORD *size)
{
    HANDLE file;
    DWORD read = 0;
    DWORD error;

    *text = NULL;
    *size = 0;
    switch (FilePresence(path, TRUE)) {
    case 0:
        return TRUE;
    case 1:
        break;
    default:
        return FALSE;
    }
    file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND) return TRUE;
        POSITION();
        LogWrite("CreateFile %s failed 0x%08lX", path, error);
        RecordStatus(2067, error);
        return FALSE;
    }
    HoldResource(HELD_HANDLE, file);
    *size = GetFileSize(file, NULL);
    *text = *size == 0xFFFFFFFF ? NULL : (char *)Allocate(*size + 1);
    if (*text && !(ReadFile(file, *text, *size, &read, NULL) && read == *size)) {
        error = GetLastError();
        POSITION();
        LogWrite("ReadFile %s failed 0x%08lX", path, error);
        RecordStatus(2084, error);
        Release(*text);
        *text = NULL;
    } else if (!*text && *size == 0xFFFFFFFF) {
        error = GetLastError();
        POSITION();
        LogWrite("GetFileSize %s failed 0x%08lX", path, error);
        RecordStatus(2072, error);
    }
    DropResource(file);
    CloseHandle(file);
    return *text != NULL;
}

/* Writes a store file anew, after the journal saved it. */
static BOOL WriteStoreFile(const char *path, const char *data, DWORD size)
{
    HANDLE file;
    DWORD written = 0;
    DWORD error;
    BOOL result;

    if (!JournalSaveFile(path)) return FALSE;
    POSITION();
    file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        LogWrite("CreateFile %s failed 0x%08lX", path, error);
        RecordStatus(2067, error);
        return FALSE;
    }
    HoldResource(HELD_HANDLE, file);
    result = size == 0 || (WriteFile(file, data, size, &written, NULL) && written == size);
    if (!result) {
        error = GetLastError();
        POSITION();
        LogWrite("WriteFile %s of %ld bytes failed 0x%08lX", path, size, error);
        RecordStatus(2085, error);
    }
    DropResource(file);
    if (!CloseHandle(file) && result) {
        error = GetLastError();
        POSITION();
        LogWrite("CloseHandle %s failed 0x%08lX", path, error);
        RecordStatus(2087, error);
        result = FALSE;
    }
    return result;
}

/* PendingFileRenameOperations: pairs of strings, the file and its new name
 * (an empty one deletes it), and an empty string to close the list. */
static BOOL EditPendingValue(struct Target *target, DWORD what, BOOL change, DWORD *found)
{
    HKEY key;
    DWORD type = REG_MULTI_SZ;
    DWORD size = 0;
    DWORD offset = 0;
    DWORD out = 0;
    DWORD destination;
    DWORD next;
    char *data = NULL;
    char *kept = NULL;
    LONG error;
    BOOL result = FALSE;

    error = RegOpenKeyExA(HKEY_LOCAL_MACHINE, SessionManagerKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key);
    if (error == ERROR_FILE_NOT_FOUND) return TRUE;
    if (error != ERROR_SUCCESS) {
        POSITION();
        LogWrite("RegOpenKeyEx failed on Session Manager 0x%08lX", error);
        RecordStatus(2081, (DWORD)error);
        return FALSE;
    }
    error = RegQueryValueExA(key, PendingValue, NULL, &type, NULL, &size);
    if (error == ERROR_FILE_NOT_FOUND) {
        RegCloseKey(key);
        return TRUE;
    }
    /* Two NULs more than the value, so that every string ends inside. */
    if (error == ERROR_SUCCESS) {
        data = (char *)Allocate(size + 2);
        kept = (char *)Allocate(size + 2);
        if (!data || !kept) goto done;
        error = RegQueryValueExA(key, PendingValue, NULL, &type, (BYTE *)data, &size);
    }
    if (error != ERROR_SUCCESS) {
        POSITION();
        LogWrite("RegQueryValueEx failed on PendingFileRenameOperations 0x%08lX", error);
        RecordStatus(2082, (DWORD)error);
        goto done;
    }
    while (offset < size && data[offset]) {
        destination = offset + (DWORD)strlen(data + offset) + 1;
        next = destination < size ? destination + (DWORD)strlen(data + destination) + 1 : size + 1;
        if (next > size + 1) next = size + 1;
        if (Undoes(target, data + offset, destination < size ? data + destination : "", what)) {
            ++*found;
            if (change) LogWrite("Taking back the waiting operation on %s", data + offset);
        } else {
            memcpy(kept + out, data + offset, next - offset);
            out += next - offset;
        }
        offset = next;
    }
    result = TRUE;
    if (!change || !*found) goto done;
    result = FALSE;
    if (!JournalSaveValue(HKEY_LOCAL_MACHINE, SessionManagerKey, PendingValue)) goto done;
    POSITION();
    if (out == 0) {
        error = RegDeleteValueA(key, PendingValue);
    } else {
        kept[out++] = '\0';
        error = RegSetValueExA(key, PendingValue, 0, REG_MULTI_SZ, (const BYTE *)kept, out);
    }
    if (error != ERROR_SUCCESS) {
        LogWrite("RegSetValueEx failed on PendingFileRenameOperations 0x%08lX", error);
        RecordStatus(2078, (DWORD)error);
        goto done;
    }
    result = TRUE;

done:
    RegCloseKey(key);
    Release(data);
    Release(kept);
    return result;
}

/* wininit.ini: in its [RENAME] section, "NEW=FILE" lines ("NUL=FILE"
 * deletes the file). */
static BOOL EditWininit(struct Target *target, DWORD what, BOOL change, DWORD *found)
{
    char path[MAX_PATH];
    char *text;
    char *kept = NULL;
    char *line;
    char *end;
    char *equals;
    DWORD size;
    DWORD out = 0;
    DWORD length;
    DWORD before = *found;
    BOOL inRename = FALSE;
    BOOL undoes;
    BOOL result;

    MakeDirPath(path, "wininit.ini", DIR_WINDOWS, NULL);
    if (!ReadStoreFile(path, &text, &size)) return FALSE;
    if (!text) return TRUE;
    kept = (char *)Allocate(size + 1);
    if (!kept) {
        Release(text);
        return FALSE;
    }
    for (line = text; line < text + size; line = end) {
        end = line + strcspn(line, "\r\n");
        if (end == line && !*line) ++end; /* a NUL inside the file */
        while (end < text + size && (*end == '\r' || *end == '\n')) ++end;
        length = (DWORD)(end - line);
        undoes = FALSE;
        if (line[0] == '[') {
            char header[9];

            lstrcpynA(header, line, sizeof header);
            inRename = lstrcmpiA(header, "[RENAME]") == 0;
        } else if (inRename) {
            equals = (char *)memchr(line, '=', length);
            if (equals) {
                char destination[MAX_PATH];
                char source[MAX_PATH];
                DWORD sourceLength = (DWORD)strcspn(equals + 1, "\r\n");

                lstrcpynA(destination, line, (int)(equals - line + 1 < MAX_PATH ? equals - line + 1 : MAX_PATH));
                lstrcpynA(source, equals + 1, (int)(sourceLength + 1 < MAX_PATH ? sourceLength + 1 : MAX_PATH));
                undoes = Undoes(target, source, lstrcmpiA(destination, "NUL") == 0 ? "" : destination, what);
            }
        }
        if (undoes) {
            ++*found;
        } else {
            memcpy(kept + out, line, length);
            out += length;
        }
    }
    result = TRUE;
    if (change && *found != before) {
        POSITION();
        LogWrite("Taking back %ld waiting operations on %s in %s", *found - before, target->path, path);
        result = WriteStoreFile(path, kept, out);
    }
    Release(text);
    Release(kept);
    return result;
}

/* The move record file: each of the installer's replacements of the target goes, and with it its waiting file. */
static BOOL EditMoveRecords(struct Target *target, DWORD *found)
{
    char path[MAX_PATH];
    char *kept;
    DWORD offset = 0;
    DWORD out = 0;
    DWORD length;
    DWORD before = *found;
    char source[MAX_PATH];
    char destination[MAX_PATH];

    if (!target->records) return TRUE;
    kept = (char *)Allocate(target->recordsSize + 1);
    if (!kept) return FALSE;
    while (ReadMoveRecord(target->records, target->recordsSize, offset, &length, source, destination)) {
        if (SameName(destination, target) && target->waitingCount < MAX_WAITING) {
            ++*found;
            lstrcpynA(target->waiting[target->waitingCount++], source, MAX_PATH);
        } else {
            memcpy(kept + out, target->records + offset, length);
            out += length;
        }
        offset += length;
    }
    /* What no record describes stays as it was. */
    memcpy(kept + out, target->records + offset, target->recordsSize - offset);
    out += target->recordsSize - offset;
    MakeDirPath(path, "kvtinit", DIR_SYSTEM32, ".TMP");
    if (*found == before) {
        Release(kept);
        return TRUE;
    }
    POSITION();
    LogWrite("Taking back %ld waiting replacements of %s in %s", *found - before, target->path, path);
    if (!WriteStoreFile(path, kept, out)) {
        Release(kept);
        return FALSE;
    }
    Release(kept);
    return TRUE;
}

/* The waiting files of the replacements taken back. */
static BOOL DeleteWaitingFiles(const struct Target *target)
{
    DWORD i;
    DWORD error;

    for (i = 0; i < target->waitingCount; ++i) {
        switch (FilePresence(target->waiting[i], TRUE)) {
        case 0:
            continue;
        case 1:
            break;
        default:
            return FALSE;
        }
        if (!JournalSaveFile(target->waiting[i]) || !SetNormalAttributes(target->waiting[i])) return FALSE;
        POSITION();
        LogWrite("Deleting waiting file %s", target->waiting[i]);
        if (!DeleteFileA(target->waiting[i])) {
            error = GetLastError();
            LogWrite("DeleteFile %s failed 0x%08lX", target->waiting[i], error);
            RecordStatus(2070, error);
            return FALSE;
        }
    }
    return TRUE;
}

static BOOL EditStores(const char *path, DWORD what, BOOL change, DWORD *found)
{
    struct Target target;
    char records[MAX_PATH];
    char *text = NULL;
    BOOL result;

    *found = 0;
    memset(&target, 0, sizeof target);
    target.path = path;
    GetShortName(path, target.shortPath, FALSE);
    if (what & RESTART_REPLACEMENTS) {
        MakeDirPath(records, "kvtinit", DIR_SYSTEM32, ".TMP");
        if (!ReadStoreFile(records, &text, &target.recordsSize)) return FALSE;
        target.records = (BYTE *)text;
    }
    result = IsWin95 ? EditWininit(&target, what, change, found) : EditPendingValue(&target, what, change, found);
    if (result && change && (what & RESTART_REPLACEMENTS) && (what & RESTART_OWN))
        result = EditMoveRecords(&target, found) && DeleteWaitingFiles(&target);
    Release(text);
    return result;
}

BOOL CancelRestartOperations(const char *path, DWORD what, DWORD *cancelled)
{
    POSITION();
    return EditStores(path, what, TRUE, cancelled);
}

BOOL DeletionQueued(const char *path)
{
    DWORD found = 0;

    return EditStores(path, RESTART_DELETION_ONLY, FALSE, &found) && found;
}
