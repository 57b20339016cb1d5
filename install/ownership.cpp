/*
 * The installer's record of what it made and found (see ownership.h).
 */
#include "ownership.h"

#include <string.h>

#include "install.h"
#include "journal.h"
#include "log.h"
#include "status.h"

static const char THIS_FILE[] = ".\\install\\ownership.cpp";

const char ProductKeyPath[] = "SOFTWARE\\Talven\\Halvik";
const char ServiceKeyPath[] = "SYSTEM\\CurrentControlSet\\Services\\Halvik";

BOOL OwnershipRecorded(const char *name, DWORD *type, void *data, DWORD *size, BOOL *unknown)
{
    HKEY key;
    LONG error;

    if (unknown) *unknown = FALSE;
    error = RegOpenKeyExA(HKEY_LOCAL_MACHINE, ProductKeyPath, 0, KEY_QUERY_VALUE, &key);
    if (error == ERROR_SUCCESS) {
        error = RegQueryValueExA(key, name, NULL, type, (BYTE *)data, data ? size : NULL);
        RegCloseKey(key);
    }
    if (error == ERROR_SUCCESS) return TRUE;
    if (error == ERROR_FILE_NOT_FOUND) return FALSE;
    POSITION();
    LogWrite("RegQueryValueEx %s failed on %s 0x%08lX", name, ProductKeyPath, error);
    RecordStatus(2082, (DWORD)error);
    if (unknown) *unknown = TRUE;
    return FALSE;
}

BOOL RecordOwnership(const char *name, DWORD type, const void *data, DWORD size)
{
    HKEY key;
    LONG error;
    BOOL unknown;

    if (OwnershipRecorded(name, NULL, NULL, NULL, &unknown)) return TRUE;
    if (unknown) return FALSE;
    if (!JournalKeyCreated(HKEY_LOCAL_MACHINE, ProductKeyPath) || !JournalSaveValue(HKEY_LOCAL_MACHINE, ProductKeyPath, name))
        return FALSE;
    POSITION();
    LogWrite("Recording %s under %s", name, ProductKeyPath);
    error = RegCreateKeyExA(HKEY_LOCAL_MACHINE, ProductKeyPath, 0, NULL, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, NULL,
                            &key, NULL);
    if (error != ERROR_SUCCESS) {
        LogWrite("RegCreateKeyEx failed on %s 0x%08lX", ProductKeyPath, error);
        RecordStatus(2077, (DWORD)error);
        return FALSE;
    }
    error = RegSetValueExA(key, name, 0, type, (const BYTE *)data, size);
    RegCloseKey(key);
    if (error == ERROR_SUCCESS) return TRUE;
    POSITION();
    LogWrite("RegSetValueEx %s failed 0x%08lX", name, error);
    RecordStatus(2078, (DWORD)error);
    return FALSE;
}

static void BackupFile(char *path)
{
    MakeDirPath(path, "Halvik", DIR_DRIVERS, ".BAK");
}

BOOL NoteFoundItems(struct FoundBefore *found)
{
    char path[MAX_PATH];
    HKEY key;
    LONG error;

    POSITION();
    BackupFile(path);
    found->backup = FilePresence(path, TRUE);
    found->serviceKey = 0;
    if (found->backup < 0) return FALSE;
    if (IsWin95) return TRUE;
    error = RegOpenKeyExA(HKEY_LOCAL_MACHINE, ServiceKeyPath, 0, KEY_QUERY_VALUE, &key);
    if (error == ERROR_SUCCESS) {
        RegCloseKey(key);
        found->serviceKey = 1;
    } else if (error != ERROR_FILE_NOT_FOUND) {
        POSITION();
        LogWrite("RegOpenKeyEx failed on %s 0x%08lX", ServiceKeyPath, error);
        RecordStatus(2081, (DWORD)error);
        found->serviceKey = -1;
        return FALSE;
    }
    return TRUE;
}

BOOL RecordMadeBackup(const struct FoundBefore *found)
{
    char path[MAX_PATH];
    DWORD one = 1;

    if (found->backup != 0) return TRUE;
    BackupFile(path);
    switch (FilePresence(path, TRUE)) {
    case 0:
        return TRUE;
    case 1:
        return RecordOwnership(OWNED_BACKUP, REG_DWORD, &one, sizeof one);
    default:
        return FALSE;
    }
}

/* Whether an ImagePath names the driver this product installs. */
static BOOL NamesOurDriver(const char *path)
{
    static const char tail[] = "drivers\\halvik.sys";
    DWORD length = (DWORD)strlen(path);

    return length >= sizeof tail - 1 && lstrcmpiA(path + length - (sizeof tail - 1), tail) == 0;
}

BOOL ClaimServiceKey(const struct FoundBefore *found)
{
    char image[MAX_PATH];
    DWORD one = 1;
    DWORD type = 0;
    DWORD size = sizeof image - 1;
    HKEY key;
    LONG error;

    POSITION();
    if (IsWin95) return TRUE;
    if (found->serviceKey == 0) return RecordOwnership(OWNED_SERVICE_KEY, REG_DWORD, &one, sizeof one);
    memset(image, 0, sizeof image);
    error = RegOpenKeyExA(HKEY_LOCAL_MACHINE, ServiceKeyPath, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key);
    if (error != ERROR_SUCCESS) {
        POSITION();
        LogWrite("RegOpenKeyEx failed on %s 0x%08lX", ServiceKeyPath, error);
        RecordStatus(2081, (DWORD)error);
        return FALSE;
    }
    error = RegQueryValueExA(key, "ImagePath", NULL, &type, (BYTE *)image, &size);
    if (error == ERROR_FILE_NOT_FOUND || (error == ERROR_SUCCESS && NamesOurDriver(image))) {
        RegCloseKey(key);
        return TRUE;
    }
    if (error != ERROR_SUCCESS) {
        RegCloseKey(key);
        POSITION();
        LogWrite("RegQueryValueEx ImagePath failed on %s 0x%08lX", ServiceKeyPath, error);
        RecordStatus(2082, (DWORD)error);
        return FALSE;
    }
    /* The service would load that other file instead of the driver. */
    POSITION();
    LogWrite("%s names %s, removing it so that the service loads the driver", ServiceKeyPath, image);
    if (!RecordOwnership(FOUND_IMAGE_PATH, type, image, size) ||
        !JournalSaveValue(HKEY_LOCAL_MACHINE, ServiceKeyPath, "ImagePath")) {
        RegCloseKey(key);
        return FALSE;
    }
    error = RegDeleteValueA(key, "ImagePath");
    RegCloseKey(key);
    if (error == ERROR_SUCCESS) return TRUE;
    POSITION();
    LogWrite("RegDeleteValue ImagePath failed 0x%08lX", error);
    RecordStatus(2078, (DWORD)error);
    return FALSE;
}
