/*
 * The install sequence: the carried files extracted and compared, the
 * upgrade decision, the files replaced, the registry script, what the run
 * made and found, the filter, in that order. The wizard and the silent run
 * both go through it. The module keeps the name winmain, which its log lines
 * and status words carry; the installer's WinMain is Halvinst/winmain.cpp.
 */
#include "winmain.h"

#include <string.h>

#include "filterlist.h"
#include "install.h"
#include "journal.h"
#include "keytree.h"
#include "log.h"
#include "ownership.h"
#include "registry.h"
#include "restartops.h"
#include "status.h"
#include "upgrade.h"

static const char THIS_FILE[] = ".\\install\\winmain.cpp";

BOOL AnyUpgradeWanted(struct FileSet *set)
{
    DWORD i;

    for (i = 0; i < set->count; ++i) {
        if (set->states[i].upgrade) return TRUE;
    }
    return FALSE;
}

/* An earlier run may have left, for the next restart, the deletion of a file
 * this run installs (an uninstall's) or another file's move over it: the
 * restart would undo this run. Each such operation is taken back, and the
 * file it named is installed anew: it no longer counts as current. */
static BOOL KeepInstalledFiles(struct FileSet *set)
{
    char target[MAX_PATH];
    DWORD cancelled;
    DWORD i;

    POSITION();
    for (i = 0; i < set->count; ++i) {
        if (!EntryApplies(&set->entries[i]) ||
            (set->entries[i].flags & (FE_REGISTRY_SCRIPT | FE_DIRECTORY | FE_IMAGE_ONLY)))
            continue;
        MakeDirPath(target, set->entries[i].targetName, set->entries[i].directory, NULL);
        if (!CancelRestartOperations(target, RESTART_DELETIONS | RESTART_REPLACEMENTS, &cancelled)) return FALSE;
        if (cancelled) {
            POSITION();
            LogWrite("%s was to change at the next restart, installing it anew", target);
            set->states[i].upgrade = TRUE;
        }
    }
    return TRUE;
}

BOOL InstallSequence(struct FileSet *set)
{
    struct FoundBefore found;

    POSITION();
    if (!CreateImageFiles(set)) goto failed;
    POSITION();
    if (!CompareFiles(set, RunFlags.forced)) goto failed;
    if (!KeepInstalledFiles(set) || !NoteFoundItems(&found)) goto failed;
    POSITION();
    if ((RunFlags.forced || AnyUpgradeWanted(set)) && !InstallFiles(set)) goto finish;
    if (!RecordMadeBackup(&found)) goto finish;
    POSITION();
    if (!ApplyRegistryScripts(set) || !ClaimServiceKey(&found)) goto finish;
    InsertLowerFilter();
    ClearCachedVolumeInfo();

finish:
    POSITION();
    if (StatusIsError()) goto failed;
    if (RestartOwed && STATUS_CODE(StatusWord) < 2) {
        /* An earlier run finished its changes but ended before it could
         * report the restart they need; Windows has not started since. */
        LogWrite("The restart an earlier run needs is still to be made");
        RecordStatus(2, 0);
    }
    CleanupImageFiles(set, set->installed ? FALSE : TRUE);
    return TRUE;

failed:
    POSITION();
    CleanupImageFiles(set, TRUE);
    return FALSE;
}

static const char CdromClassKey[] = "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E965-E325-11CE-BFC1-08002BE10318}";
static const char FilterName[] = "Halvik";
static const char ServiceKey[] = "SYSTEM\\CurrentControlSet\\Services\\Halvik";

/* Whether the filter's service key holds what the service control manager
 * needs to load the driver. A class lower filter without its service stops
 * every CD/DVD drive from starting, so the filter is registered only behind a
 * complete service key. */
static BOOL ServiceKeyComplete(void)
{
    static const char *const required[] = {"Type", "Start", "ErrorControl"};
    HKEY key;
    DWORD type;
    DWORD value;
    DWORD size;
    LONG error;
    unsigned i;

    error = RegOpenKeyExA(HKEY_LOCAL_MACHINE, ServiceKey, 0, KEY_QUERY_VALUE, &key);
    if (error != ERROR_SUCCESS) {
        POSITION();
        LogWrite("RegOpenKeyEx failed on %s 0x%08lX, LowerFilters not changed", ServiceKey, error);
        RecordStatus(2081, (DWORD)error);
        return FALSE;
    }
    for (i = 0; i < sizeof required / sizeof required[0]; ++i) {
        size = sizeof value;
        error = RegQueryValueExA(key, required[i], NULL, &type, (BYTE *)&value, &size);
        if (error == ERROR_SUCCESS && (type != REG_DWORD || size != sizeof value)) error = ERROR_INVALID_DATA;
        if (error != ERROR_SUCCESS) {
            POSITION();
            LogWrite("RegQueryValueEx %s failed on %s 0x%08lX, LowerFilters not changed", required[i], ServiceKey,
                     error);
            RecordStatus(2082, (DWORD)error);
            RegCloseKey(key);
            return FALSE;
        }
    }
    RegCloseKey(key);
    return TRUE;
}

void InsertLowerFilter(void)
{
    BYTE fixed[MAX_PATH];
    BYTE *data = fixed;
    DWORD capacity = sizeof fixed;
    DWORD type = REG_MULTI_SZ;
    DWORD length = 0;
    DWORD size;
    struct FilterListScan scan;
    HKEY key;
    LONG error;

    POSITION();
    LogWrite("Attempting LowerFilters Insertion");
    if (!IsWin2KXP) return;
    if (!ServiceKeyComplete()) return;
    error = RegOpenKeyExA(HKEY_LOCAL_MACHINE, CdromClassKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key);
    if (error != ERROR_SUCCESS) {
        POSITION();
        LogWrite("RegOpenKeyEx failed on DVD_CD Class 0x%08lX", error);
        RecordStatus(2081, (DWORD)error);
        return;
    }

    /* A list longer than the usual buffer is read whole, so that no other
     * filter is lost; room remains for the name and two terminators. */
    size = 0;
    error = RegQueryValueExA(key, "LowerFilters", NULL, &type, NULL, &size);
    if (error == ERROR_SUCCESS && size > sizeof fixed - sizeof FilterName - 2) {
        capacity = size + sizeof FilterName + 2;
        data = (BYTE *)VirtualAlloc(NULL, capacity, MEM_COMMIT, PAGE_READWRITE);
        if (!data) {
            POSITION();
            LogWrite("VirtualAlloc %ld failed 0x%08lX", capacity, GetLastError());
            RecordStatus(2054, 0);
            RegCloseKey(key);
            return;
        }
    }
    memset(data, 0, capacity);
    if (error == ERROR_SUCCESS) {
        length = capacity - sizeof FilterName - 2;
        error = RegQueryValueExA(key, "LowerFilters", NULL, &type, data, &length);
    }
    if (error == ERROR_FILE_NOT_FOUND) {
        length = 0;
    } else if (error != ERROR_SUCCESS) {
        /* Writing the name alone over a list that could not be read would
         * drop every other filter of the class. */
        POSITION();
        LogWrite("RegQueryValueEx failed on LowerFilters 0x%08lX", error);
        RecordStatus(2082, (DWORD)error);
        goto done;
    }

    /* A list that names the filter where Windows reads it stays as it is.
     * Otherwise the names are kept in their order without the empty strings
     * (behind one, Windows would never load the names that follow), and the
     * filter goes last when it is not among them. */
    length = CompactFilterList((char *)data, length, FilterName, FALSE, &scan);
    if (scan.matches && !scan.empties) goto done;
    if (!scan.matches) {
        memcpy(data + length, FilterName, sizeof FilterName);
        length += sizeof FilterName;
    }
    data[length++] = 0;
    if (!JournalSaveValue(HKEY_LOCAL_MACHINE, CdromClassKey, "LowerFilters")) goto done;
    error = RegSetValueExA(key, "LowerFilters", 0, REG_MULTI_SZ, data, length);
    if (error != ERROR_SUCCESS) {
        POSITION();
        LogWrite("RegSetValueEx failed on LowerFilters Insertion 0x%08lX", error);
        RecordStatus(2078, (DWORD)error);
    }

done:
    RegCloseKey(key);
    if (data != fixed) VirtualFree(data, 0, MEM_RELEASE);
}

void ClearCachedVolumeInfo(void)
{
    static const char mountPoints[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\MountPoints\\";
    char program[MAX_PATH];
    char root[4];
    char key[MAX_PATH];

    POSITION();
    LogWrite("Attempting Deletion of cached volume info");
    if (!IsWin95) return;
    program[0] = '\0';
    GetModuleFileNameA(NULL, program, sizeof program);
    program[sizeof program - 1] = '\0';
    lstrcpynA(root, program, sizeof root);
    if (GetDriveTypeA(root) != DRIVE_CDROM) return;
    /* A key is recorded in the undo journal before it goes; a failure to
     * record it fails the run like any other. */
    wsprintfA(key, "%s%c\\Shell", mountPoints, root[0]);
    if (JournalSaveKeyTree(HKEY_CURRENT_USER, key)) DeleteKeyTree(HKEY_CURRENT_USER, key);
    wsprintfA(key, "%s%c\\_GVI", mountPoints, root[0]);
    if (JournalSaveKeyTree(HKEY_CURRENT_USER, key)) DeleteKeyTree(HKEY_CURRENT_USER, key);
}

/* Everything between the summary line and the restart decision. */
