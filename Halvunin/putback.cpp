/*
 * The uninstaller's put-back list (see putback.h).
 */
#include "putback.h"

#include <string.h>

#include "../install/install.h"
#include "../install/log.h"

static const char THIS_FILE[] = ".\\Halvunin\\putback.cpp";

#define PUT_BACK_FILE 1
#define PUT_BACK_VALUE 2
#define PUT_BACK_KEY 3
/* Far more than one removal needs: two files, a restart-time store, the
 * service key with a few subkeys, the filter list, two small keys. */
#define MAX_PUT_BACK 96

struct PutBackRecord {
    DWORD kind;
    BOOL existed;
    HKEY root;
    char path[MAX_PATH]; /* file, or registry key */
    char name[MAX_PATH]; /* value name */
    char copy[MAX_PATH]; /* saved copy of a file */
    DWORD type; /* of a value; of a file: its attributes */
    DWORD size;
    BYTE *data; /* saved value data (heap) */
};

static struct PutBackRecord Records[MAX_PUT_BACK];
static DWORD RecordCount;

DWORD PutBackCount(void)
{
    return RecordCount;
}

static struct PutBackRecord *NewRecord(DWORD kind, const char *path)
{
    struct PutBackRecord *record;

    POSITION();
    if (RecordCount == MAX_PUT_BACK) {
        LogWrite("Put-back list full at %s", path);
        RecordStatus(2050, 0);
        return NULL;
    }
    record = &Records[RecordCount];
    memset(record, 0, sizeof *record);
    record->kind = kind;
    lstrcpynA(record->path, path, sizeof record->path);
    return record;
}

BOOL SaveFileForPutBack(const char *path)
{
    struct PutBackRecord *record = NewRecord(PUT_BACK_FILE, path);
    DWORD error;

    if (!record) return FALSE;
    POSITION();
    record->existed = FileExists(path);
    if (record->existed) {
        record->type = GetFileAttributesA(path);
        if (!GetTempFileNameA(GetDirectory(DIR_TEMP), "HUN", 0, record->copy)) {
            error = GetLastError();
            LogWrite("GetTempFileName failed 0x%08lX", error);
            RecordStatus(2073, error);
            return FALSE;
        }
        LogWrite("Saving %s to %s", path, record->copy);
        if (!CopyFileA(path, record->copy, FALSE)) {
            error = GetLastError();
            LogWrite("CopyFile %s to %s 0x%08lX", path, record->copy, error);
            RecordStatus(2066, error);
            DeleteFileA(record->copy);
            return FALSE;
        }
    }
    ++RecordCount;
    return TRUE;
}

BOOL SaveValueForPutBack(HKEY root, const char *key, const char *name)
{
    struct PutBackRecord *record = NewRecord(PUT_BACK_VALUE, key);
    HKEY handle;
    LONG error;

    if (!record) return FALSE;
    POSITION();
    record->root = root;
    lstrcpynA(record->name, name, sizeof record->name);
    error = RegOpenKeyExA(root, key, 0, KEY_QUERY_VALUE, &handle);
    if (error == ERROR_FILE_NOT_FOUND) {
        ++RecordCount;
        return TRUE;
    }
    if (error != ERROR_SUCCESS) {
        LogWrite("RegOpenKeyEx failed on %s 0x%08lX", key, error);
        RecordStatus(2081, (DWORD)error);
        return FALSE;
    }
    error = RegQueryValueExA(handle, name, NULL, &record->type, NULL, &record->size);
    if (error == ERROR_SUCCESS) {
        record->data = (BYTE *)HeapAlloc(GetProcessHeap(), 0, record->size ? record->size : 1);
        if (!record->data) {
            RegCloseKey(handle);
            POSITION();
            LogWrite("Out of memory saving %s", name);
            RecordStatus(2054, 0);
            return FALSE;
        }
        error = RegQueryValueExA(handle, name, NULL, &record->type, record->data, &record->size);
        record->existed = error == ERROR_SUCCESS;
    }
    RegCloseKey(handle);
    if (error != ERROR_SUCCESS && error != ERROR_FILE_NOT_FOUND) {
        POSITION();
        LogWrite("RegQueryValueEx failed on %s 0x%08lX", name, error);
        RecordStatus(2082, (DWORD)error);
        if (record->data) HeapFree(GetProcessHeap(), 0, record->data);
        record->data = NULL;
        return FALSE;
    }
    ++RecordCount;
    return TRUE;
}

BOOL SaveKeyForPutBack(HKEY root, const char *key)
{
    struct PutBackRecord *record = NewRecord(PUT_BACK_KEY, key);

    if (!record) return FALSE;
    record->root = root;
    record->existed = TRUE;
    ++RecordCount;
    return TRUE;
}

static void PutFileBack(const struct PutBackRecord *record)
{
    POSITION();
    if (record->existed) {
        LogWrite("Putting back %s from %s", record->path, record->copy);
        /* The removal may have made the file normal; the copy carries the
         * attributes the temporary file got. */
        SetFileAttributesA(record->path, FILE_ATTRIBUTE_NORMAL);
        if (!CopyFileA(record->copy, record->path, FALSE)) {
            LogWrite("CopyFile %s to %s 0x%08lX", record->copy, record->path, GetLastError());
            return;
        }
        if (record->type != INVALID_FILE_ATTRIBUTES) SetFileAttributesA(record->path, record->type);
        DeleteFileA(record->copy);
    } else if (FileExists(record->path)) {
        LogWrite("Putting back: deleting %s", record->path);
        if (!DeleteFileA(record->path)) LogWrite("DeleteFile %s 0x%08lX", record->path, GetLastError());
    }
}

static void PutValueBack(const struct PutBackRecord *record)
{
    HKEY handle;
    LONG error;

    POSITION();
    if (record->existed) {
        LogWrite("Putting back value %s of %s", record->name, record->path);
        error = RegCreateKeyExA(record->root, record->path, 0, NULL, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, NULL,
                                &handle, NULL);
        if (error == ERROR_SUCCESS) {
            error = RegSetValueExA(handle, record->name, 0, record->type, record->data, record->size);
            RegCloseKey(handle);
        }
    } else {
        error = RegOpenKeyExA(record->root, record->path, 0, KEY_SET_VALUE, &handle);
        if (error == ERROR_FILE_NOT_FOUND) return;
        if (error == ERROR_SUCCESS) {
            error = RegDeleteValueA(handle, record->name);
            if (error == ERROR_FILE_NOT_FOUND) error = ERROR_SUCCESS;
            RegCloseKey(handle);
        }
    }
    if (error != ERROR_SUCCESS) LogWrite("Putting back value %s of %s failed 0x%08lX", record->name, record->path, error);
}

static void PutKeyBack(const struct PutBackRecord *record)
{
    HKEY handle;
    LONG error;

    POSITION();
    error = RegCreateKeyExA(record->root, record->path, 0, NULL, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, NULL,
                            &handle, NULL);
    if (error == ERROR_SUCCESS) {
        RegCloseKey(handle);
        return;
    }
    LogWrite("Putting back key %s failed 0x%08lX", record->path, error);
}

static void ForgetRecord(struct PutBackRecord *record)
{
    if (record->data) HeapFree(GetProcessHeap(), 0, record->data);
    record->data = NULL;
}

void PutBackAll(void)
{
    struct PutBackRecord *record;

    POSITION();
    LogWrite("Putting back %ld changes", RecordCount);
    while (RecordCount > 0) {
        record = &Records[--RecordCount];
        if (record->kind == PUT_BACK_FILE) PutFileBack(record);
        else if (record->kind == PUT_BACK_VALUE) PutValueBack(record);
        else PutKeyBack(record);
        ForgetRecord(record);
    }
}

void DiscardPutBack(void)
{
    struct PutBackRecord *record;

    while (RecordCount > 0) {
        record = &Records[--RecordCount];
        if (record->kind == PUT_BACK_FILE && record->existed && !DeleteFileA(record->copy)) {
            POSITION();
            LogWrite("DeleteFile %s failed 0x%08lX - ignored.", record->copy, GetLastError());
        }
        ForgetRecord(record);
    }
}
