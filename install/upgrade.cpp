/*
 * The upgrade engine: the carried file set, extraction into image files, the
 * upgrade decision, backed-up replacement (at once or at the next restart),
 * and the clean-up pass that rolls a failed run back.
 */
#include "upgrade.h"

#include <ctype.h>
#include <stdint.h>
#include <string.h>

#include "../codec/cx.h"
#include "install.h"
#include "journal.h"
#include "log.h"
#include "status.h"
#include "sysdlls.h"

static const char THIS_FILE[] = ".\\install\\upgrade.cpp";

#define NO_INDEX 0xFFFFFFFF
/* Results of looking up the move record file. */
#define RECORD_NOT_FOUND 0
#define RECORD_FOUND 1
#define RECORD_UNREADABLE 2
/* Entries that are never compared, whose images every pass deletes, and
 * whose backups are never restored. */
#define FE_NOT_COMPARED (FE_IMAGE_ONLY | FE_REGISTRY_SCRIPT | FE_DIRECTORY)
#define FE_ALWAYS_CLEANED (FE_IMAGE_ONLY | FE_REGISTRY_SCRIPT)
#define FE_NEVER_RESTORED (FE_NO_BACKUP | FE_IMAGE_ONLY | FE_NEEDS_RESTART | FE_REGISTRY_SCRIPT | FE_DIRECTORY)

static const char SessionManagerKey[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
static const char PendingValue[] = "PendingFileRenameOperations";
static const char RenameHeader[] = "[RENAME]\r\n";
#define RENAME_HEADER_LENGTH 10

static BOOL EngineInitialised;
static struct FileSet *ActiveSet;
static DWORD CurrentIndex = NO_INDEX;
static DWORD BytesDone;
static DWORD BytesTotal;

/* What the codec reported of each entry of the active set: the size its
 * header gives, and whether it was written whole with a matching CRC-32. */
#define MAX_SET_ENTRIES 32
static DWORD ExpectedSize[MAX_SET_ENTRIES];
static BOOL WrittenWhole[MAX_SET_ENTRIES];

/* The restart-time stores as they were before this run. */
static BOOL StoresSaved; /* saved by this run and not yet released */
static BOOL RecordSaved;
/* Which stores were looked at before the run changed anything: only those
 * are put back or deleted on rollback, never one whose saving failed. */
static BOOL RecordChecked;
static BOOL RenameChecked;
static char RecordBackup[MAX_PATH];
static BOOL RenameSaved;
static char WininitBackup[MAX_PATH];
static BYTE *SavedValue;
static DWORD SavedSize;
static DWORD SavedType;

static int32_t ExtractCallback(CxEntry *record, int32_t code, int32_t lVal);

static void UpperCase(char *text)
{
    for (; *text; ++text) *text = (char)toupper((unsigned char)*text);
}

static void MoveRecordPath(char *path)
{
    MakeDirPath(path, "kvtinit", DIR_SYSTEM32, ".TMP");
}

static void WininitPath(char *path)
{
    MakeDirPath(path, "wininit.ini", DIR_WINDOWS, NULL);
}

static void ImagePath(char *path, const struct FileEntry *entry)
{
    MakeDirPath(path, entry->imageName, entry->directory, ".TMP");
}

static void TargetPath(char *path, const struct FileEntry *entry)
{
    MakeDirPath(path, entry->targetName, entry->directory, NULL);
}

static void BackupPath(char *path, const struct FileEntry *entry)
{
    MakeDirPath(path, entry->backupBase, entry->directory, ".BAK");
}

static void SendProgress(struct FileSet *set, DWORD kind, DWORD index)
{
    struct ProgressRecord record;

    if (!set->progress) return;
    memset(&record, 0, sizeof record);
    record.kind = kind;
    record.index = index;
    record.set = set;
    set->progress(&record);
}

static BOOL RefuseUninitialised(void)
{
    POSITION();
    LogWrite("Not initialized!");
    RecordStatus(2050, 0);
    return FALSE;
}

static BOOL AppliesToPlatform(const struct FileEntry *entry)
{
    if (IsWin95 && (entry->flags & FE_WIN9X)) return TRUE;
    if (IsWinNT && (entry->flags & FE_NT4)) return TRUE;
    return IsWin2KXP && (entry->flags & FE_W2K);
}

BOOL EntryApplies(const struct FileEntry *entry)
{
    if (!AppliesToPlatform(entry)) return FALSE;
    return !(entry->flags & FE_LANGUAGES) || (entry->flags & OsLanguage);
}

static void PutWord(BYTE *place, DWORD value)
{
    place[0] = (BYTE)value;
    place[1] = (BYTE)(value >> 8);
    place[2] = (BYTE)(value >> 16);
    place[3] = (BYTE)(value >> 24);
}

static DWORD GetWord(const BYTE *place)
{
    return (DWORD)place[0] | (DWORD)place[1] << 8 | (DWORD)place[2] << 16 | (DWORD)place[3] << 24;
}

/* ---- Start and stop ---------------------------------------------------- */

static BOOL RestartOperationsPending(void)
{
    char path[MAX_PATH];
    HKEY key;
    LONG error;

    /* Only a store known to be missing means nothing is pending: a store
     * that cannot be read may well list operations, whose files must stay. */
    if (IsWin95) {
        WininitPath(path);
        return FilePresence(path, FALSE) != 0;
    }
    error = RegOpenKeyExA(HKEY_LOCAL_MACHINE, SessionManagerKey, 0, KEY_QUERY_VALUE, &key);
    if (error != ERROR_SUCCESS) return error != ERROR_FILE_NOT_FOUND;
    error = RegQueryValueExA(key, PendingValue, NULL, NULL, NULL, NULL);
    RegCloseKey(key);
    return error != ERROR_FILE_NOT_FOUND;
}

/* Deletes a file left by an earlier run, when there is one. */
static BOOL DeleteStaleFile(const char *path, const char *message)
{
    DWORD error;

    if (!FileExists(path)) return TRUE;
    POSITION();
    LogWrite(message, path);
    if (DeleteFileA(path)) return TRUE;
    error = GetLastError();
    LogWrite("DeleteFile %s failed 0x%08lX", path, error);
    RecordStatus(2070, error);
    return FALSE;
}

static DWORD LookUpMoveRecord(const char *name, BOOL bySource, char *pair, BOOL record);

/* Whether `path` is the waiting file of a replacement queued by an
 * earlier run (the source of a record in the move record file). A record
 * file that cannot be read may list it: then it counts as waiting. */
static BOOL IsWaitingFile(const char *path)
{
    char shortPath[MAX_PATH];
    char pair[2 * MAX_PATH];

    GetShortName(path, shortPath, FALSE);
    return LookUpMoveRecord(shortPath, TRUE, pair, FALSE) != RECORD_NOT_FOUND ||
           LookUpMoveRecord(path, TRUE, pair, FALSE) != RECORD_NOT_FOUND;
}

/* Codec temporary files, and with `images` the image files that a killed
 * run left beside the targets (and its saved copies in Temp), go; waiting
 * files of queued replacements stay. The image files of this run are in
 * its journal, so after a failure only the codec's need this. Nothing here
 * is recorded: leftovers harm nobody. */
static void DeleteLeftovers(BOOL images)
{
    static const DWORD directories[] = {DIR_TEMP, DIR_SYSTEM32, DIR_DRIVERS};
    static const char *const patterns[] = {"CX?????.$$$", "KVT*.TMP"};
    WIN32_FIND_DATAA found;
    HANDLE search;
    char path[MAX_PATH];
    char file[MAX_PATH];
    unsigned d;
    unsigned p;

    for (d = 0; d < sizeof directories / sizeof directories[0]; ++d) {
        for (p = 0; p < (images ? 2U : 1U); ++p) {
            MakeDirPath(path, patterns[p], directories[d], NULL);
            search = FindFirstFileA(path, &found);
            if (search == INVALID_HANDLE_VALUE) continue;
            do {
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
                MakeDirPath(file, found.cFileName, directories[d], NULL);
                MoveRecordPath(path);
                if (lstrcmpiA(file, path) == 0 || IsWaitingFile(file)) continue;
                POSITION();
                LogWrite("Deleting leftover temporary file %s", file);
                SetFileAttributesA(file, FILE_ATTRIBUTE_NORMAL);
                if (!DeleteFileA(file)) LogWrite("DeleteFile %s failed 0x%08lX", file, GetLastError());
            } while (FindNextFileA(search, &found));
            FindClose(search);
        }
    }
}

BOOL UpgradeInit(void)
{
    char path[MAX_PATH];
    BOOL pending;
    int result;

    POSITION();
    if (!LibraryInitialised || EngineInitialised) return RefuseUninitialised();
    /* An interrupted run is taken back before this one looks at anything. */
    if (!RecoverInterruptedRun()) return FALSE;
    POSITION();
    DeleteLeftovers(TRUE);
    LogWrite("Checking for pending more/delete operations");
    pending = RestartOperationsPending();
    POSITION();
    LogWrite("Move/delete operations are %scurrently pending", pending ? "" : "NOT ");
    if (!pending) {
        MakeDirPath(path, "wininit", DIR_TEMP, ".TMP");
        if (!DeleteStaleFile(path, "Deleting WININIT file found at %s")) return FALSE;
        MoveRecordPath(path);
        if (!DeleteStaleFile(path, "Deleting KVTINIT file found at %s")) return FALSE;
    }
    result = cxInit();
    if (result < 0) {
        POSITION();
        LogWrite("cxInit failure 0x%08lX", (DWORD)(LONG)result);
        RecordStatus(2069, (DWORD)(LONG)result);
        return FALSE;
    }
    cxSetTempPath(GetDirectory(DIR_TEMP));
    cxSetOption(CX_OPTION_EVENT_CALLBACK, (intptr_t)ExtractCallback);
    POSITION();
    LogWrite("Successfull initialization");
    EngineInitialised = TRUE;
    return TRUE;
}

void UpgradeDone(void)
{
    POSITION();
    if (EngineInitialised) cxDone();
    EngineInitialised = FALSE;
    /* Temporaries that the codec still held during the clean-up pass. */
    if (StatusIsError()) DeleteLeftovers(TRUE);
}

/* ---- Extraction -------------------------------------------------------- */

static struct FileEntry *FindFileEntry(const CxEntry *record, DWORD *index)
{
    DWORD i;

    if (index) *index = NO_INDEX;
    if (!record || !ActiveSet) return NULL;
    for (i = 0; i < ActiveSet->count; ++i) {
        if (lstrcmpiA(ActiveSet->entries[i].archiveName, record->name) == 0) {
            if (index) *index = i;
            return &ActiveSet->entries[i];
        }
    }
    return NULL;
}

static void SendExtractProgress(const CxEntry *record, DWORD fileDone, DWORD allDone)
{
    struct ProgressRecord progress;

    if (!ActiveSet->progress) return;
    memset(&progress, 0, sizeof progress);
    progress.kind = PROGRESS_EXTRACT;
    progress.fileDone = fileDone;
    progress.fileSize = record ? record->uncompressedSize : 0;
    progress.allDone = allDone;
    progress.allTotal = BytesTotal;
    progress.index = CurrentIndex;
    progress.set = ActiveSet;
    ActiveSet->progress(&progress);
}

/* Code 44: choose the entry's image file, a fresh temporary file beside its target. */
static int32_t NameImageFile(CxEntry *record)
{
    struct FileEntry *entry;
    DWORD index;
    DWORD error;
    char path[MAX_PATH];
    char title[MAX_PATH];

    POSITION();
    entry = FindFileEntry(record, &index);
    if (!entry) {
        LogWrite("Skipping archive only file %s", record->name);
        return 1;
    }
    if (!EntryApplies(entry)) return 1;
    /* A second entry of the same name would leave the first image behind unnamed. */
    if (ActiveSet->states[index].extracted) {
        LogWrite("Archive holds %s twice", record->name);
        RecordStatus(2069, (DWORD)(LONG)CX_ERR_BAD_HEADER);
        record->action = CX_ACTION_STOP;
        return 1;
    }
    CurrentIndex = index;
    ExpectedSize[index] = record->uncompressedSize;
    WrittenWhole[index] = FALSE;
    LogWrite("Extract from: %s", record->name);
    if (!GetTempFileNameA(GetDirectory(entry->directory), "KVT", 0, path)) {
        error = GetLastError();
        POSITION();
        LogWrite("GetTempFileName failed 0x%08lX", error);
        /* A damaged 9x may lack system\iosubsys: the run fails rather than
         * make a system folder of its own. */
        if (GetFileAttributesA(GetDirectory(entry->directory)) == INVALID_FILE_ATTRIBUTES)
            LogWrite("Target directory %s is missing", GetDirectory(entry->directory));
        RecordStatus(2073, error);
        record->action = CX_ACTION_STOP;
        return 1;
    }
    if (!JournalFileCreated(path)) {
        DeleteFileA(path);
        record->action = CX_ACTION_STOP;
        return 1;
    }
    /* Only an image file of this run counts as extracted: the clean-up pass
     * deletes the image of each extracted entry, never a path it did not make. */
    ActiveSet->states[index].extracted = TRUE;
    lstrcpynA(record->name, path, CX_MAX_OUTPUT_PATH);
    POSITION();
    LogWrite("Extract to: %s", record->name);
    FileTitle(path, title, sizeof title);
    lstrcpynA(entry->imageName, title, sizeof entry->imageName);
    return 0;
}

static int32_t ExtractCallback(CxEntry *record, int32_t code, int32_t lVal)
{
    POSITION();
    if (!ActiveSet || code < -33 || code > 49) return 0;
    /* Every negative code is a codec failure: a corrupt stream (-13) or an
     * unknown method (-32) must stop the run as surely as a CRC mismatch. */
    if (code < 0 || code == CX_EV_OUTPUT_LOCKED || code == CX_EV_RENAME_FAILED) {
        LogWrite("Callback error 0x%08lX, lVal 0x%08lX", (DWORD)code, (DWORD)lVal);
        RecordStatus(2069, (DWORD)code);
        if (record) {
            POSITION();
            LogWrite("Callback parchive file %s", record->name);
            record->action = CX_ACTION_STOP;
        }
        return 1;
    }
    switch (code) {
    case CX_EV_PROGRESS:
    case CX_EV_STORING:
        SendExtractProgress(record, (DWORD)lVal, BytesDone + (DWORD)lVal);
        return 0;
    case CX_EV_WRITTEN:
        if (CurrentIndex < ActiveSet->count) WrittenWhole[CurrentIndex] = TRUE;
        if (record) BytesDone += record->uncompressedSize;
        SendExtractProgress(record, record ? record->uncompressedSize : 0, BytesDone);
        LogWrite("Finished: %ld bytes", record ? record->uncompressedSize : 0);
        CurrentIndex = NO_INDEX;
        return 0;
    case CX_EV_EXTRACTING:
        return record ? NameImageFile(record) : 1;
    default:
        return 0;
    }
}

static BOOL BackupPendingOperations(void);

/* Every entry's stored bytes are checked before anything is written, also
 * those of other platforms: a damaged archive changes nothing. */
static BOOL TestArchive(struct FileSet *set)
{
    CxEntry record;
    struct FileEntry *entry;
    int handle;
    int result;

    POSITION();
    handle = cxOpenFile(set->archivePath, CX_MODE_READ);
    if (handle < 0) {
        LogWrite("cxOpenFile failure 0x%08lX", (DWORD)(LONG)handle);
        RecordStatus(2069, (DWORD)(LONG)handle);
        return FALSE;
    }
    memset(&record, 0, sizeof record);
    record.archiveHandle = handle;
    record.outputHandle = -1;
    for (result = cxFindFirst(&record); result == 0; result = cxFindNext(&record)) {
        entry = FindFileEntry(&record, NULL);
        if (entry && AppliesToPlatform(entry)) BytesTotal += record.uncompressedSize;
        result = cxTestFile(&record);
        if (result < 0) {
            POSITION();
            LogWrite("cxTestFile failure 0x%08lX on %s", (DWORD)(LONG)result, record.name);
            RecordStatus(2069, (DWORD)(LONG)result);
            cxCloseFile(handle);
            return FALSE;
        }
        record.archiveHandle = handle;
    }
    cxCloseFile(handle);
    /* The walk ends at the end record; anything else is a damaged archive. */
    if (result != CX_ERR_END) {
        POSITION();
        LogWrite("cxFindNext failure 0x%08lX", (DWORD)(LONG)result);
        RecordStatus(2069, (DWORD)(LONG)result);
        return FALSE;
    }
    return TRUE;
}

/* The size of a file, or 0xFFFFFFFF when it cannot be opened or measured. */
static DWORD ImageFileSize(const char *path)
{
    HANDLE file;
    DWORD size;

    file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return 0xFFFFFFFF;
    /* Held, so that a fault in between does not keep the image open. */
    HoldResource(HELD_HANDLE, file);
    size = GetFileSize(file, NULL);
    DropResource(file);
    CloseHandle(file);
    return size;
}

/* An entry that applies counts as extracted only when the codec wrote it whole
 * with a matching CRC-32 and its image holds the size of the entry's header.
 * Anything less is a failure that names the entry, so that an empty or short
 * image can never be taken for the carried file; a missing entry fails too. */
static void CheckImageFiles(struct FileSet *set)
{
    struct FileEntry *entry;
    char path[MAX_PATH];
    DWORD size;
    DWORD i;

    for (i = 0; i < set->count; ++i) {
        entry = &set->entries[i];
        /* A directory to create is carried by its table entry alone. */
        if (!EntryApplies(entry) || (entry->flags & FE_DIRECTORY)) continue;
        POSITION();
        if (!set->states[i].extracted || !entry->imageName[0]) {
            LogWrite("Archive file %s was not extracted", entry->archiveName);
            RecordStatus(2069, (DWORD)(LONG)CX_ERR_NOT_FOUND);
            continue;
        }
        ImagePath(path, entry);
        if (!WrittenWhole[i]) {
            LogWrite("Image file %s of %s was not written", path, entry->archiveName);
            RecordStatus(2069, (DWORD)(LONG)CX_ERR_OPEN);
            continue;
        }
        size = ImageFileSize(path);
        if (size != ExpectedSize[i]) {
            LogWrite("Image file %s of %s holds %ld bytes, not %ld", path, entry->archiveName, size, ExpectedSize[i]);
            RecordStatus(2069, (DWORD)(LONG)CX_ERR_CORRUPT);
        }
    }
}

BOOL CreateImageFiles(struct FileSet *set)
{
    char journal[MAX_PATH];
    int result;

    POSITION();
    if (!EngineInitialised || !set->archivePath || set->count > MAX_SET_ENTRIES) {
        RefuseUninitialised();
        goto finish;
    }
    if (!JournalActive()) {
        MachineJournalPath(journal);
        if (!JournalBegin(journal, "halvinst")) goto finish;
    }
    if (!BackupPendingOperations()) goto finish;
    ActiveSet = set;
    CurrentIndex = NO_INDEX;
    BytesDone = 0;
    BytesTotal = 0;
    if (!TestArchive(set)) goto finish;

    POSITION();
    result = cxOpenArchive(set->archivePath, CX_OPEN_READ_ONLY);
    if (result < 0) {
        LogWrite("cxOpenArchive failure 0x%08lX", (DWORD)(LONG)result);
        RecordStatus(2069, (DWORD)(LONG)result);
        goto finish;
    }
    LogWrite("Extracting files");
    result = cxExtract("*.*", "");
    if (result != 0) {
        POSITION();
        LogWrite("cxExtract failure 0x%08lX", (DWORD)(LONG)result);
        RecordStatus(2069, (DWORD)(LONG)result);
        cxCloseArchive();
        goto finish;
    }
    result = cxProcess();
    if (result < 0) {
        POSITION();
        LogWrite("cxProcess failure 0x%08lX", (DWORD)(LONG)result);
        RecordStatus(2069, (DWORD)(LONG)result);
    }
    cxCloseArchive();
    CheckImageFiles(set);

finish:
    ActiveSet = NULL;
    POSITION();
    if (!StatusIsError()) {
        LogWrite("Image file creation success");
        return TRUE;
    }
    LogWrite("Image file creation failed 0x%08lX", StatusWord);
    return FALSE;
}

/* ---- File information and the upgrade decision ------------------------ */

/* Whether a failed version call means the file simply has no (usable)
 * version resource, rather than that reading it failed.  Windows 9x does not
 * always set an error for a missing resource, so the caller clears it first
 * and 0 also means "none".  A damaged resource counts as none: such a file
 * is to be replaced. */
static BOOL NoVersionResource(DWORD error)
{
    return error == 0 || error == ERROR_RESOURCE_DATA_NOT_FOUND || error == ERROR_RESOURCE_TYPE_NOT_FOUND ||
           error == ERROR_RESOURCE_NAME_NOT_FOUND || error == ERROR_BAD_EXE_FORMAT || error == ERROR_INVALID_DATA;
}

/* A version read that failed for another reason (access denied, a sharing
 * violation, no memory) must not decide the comparison as "no version": the
 * run fails and is taken back. */
static BOOL VersionReadFailed(const char *path, const char *what, DWORD error)
{
    POSITION();
    LogWrite("Unable to read %s %s 0x%08lX", path, what, error);
    RecordStatus(2067, error);
    return FALSE;
}

/* Copies a version string when the resource has it; FALSE when the query
 * failed for another reason than a missing string. */
static BOOL ReadVersionString(const char *path, void *block, const char *prefix, const char *name, char *field,
                              UINT size)
{
    char query[MAX_PATH];
    LPVOID value;
    UINT length = 0;
    DWORD error;

    wsprintfA(query, "%s%s", prefix, name);
    SetLastError(0);
    if (VersionQuery(block, query, &value, &length)) {
        if (length) lstrcpynA(field, (const char *)value, (int)size);
        return TRUE;
    }
    error = GetLastError();
    if (NoVersionResource(error)) return TRUE;
    return VersionReadFailed(path, name, error);
}

static BOOL FreeVersionBlock(void *block, BOOL result)
{
    DropResource(block);
    HeapFree(GetProcessHeap(), 0, block);
    return result;
}

BOOL GetFileInfo(const char *path, struct FileInfo *info, BOOL withVersion)
{
    HANDLE file;
    DWORD error;
    DWORD size;
    SYSTEMTIME time;
    void *block;
    VS_FIXEDFILEINFO *fixed;
    WORD *translation;
    UINT length;
    char prefix[64];

    POSITION();
    memset(info, 0, sizeof *info);
    file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        POSITION();
        if (error == ERROR_FILE_NOT_FOUND) {
            LogWrite("File %s does not exist", path);
            return TRUE;
        }
        LogWrite("Unable to open %s for file info 0x%08lX", path, error);
        RecordStatus(2067, error);
        return FALSE;
    }
    HoldResource(HELD_HANDLE, file);
    info->exists = TRUE;
    info->size = GetFileSize(file, NULL);
    if (info->size == 0xFFFFFFFF) {
        error = GetLastError();
        POSITION();
        LogWrite("Unable to get %s file size 0x%08lX", path, error);
        RecordStatus(2072, error);
        DropResource(file);
        CloseHandle(file);
        return FALSE;
    }
    if (!GetFileTime(file, NULL, NULL, &info->lastWrite)) {
        error = GetLastError();
        POSITION();
        LogWrite("Unable to get %s file time 0x%08lX", path, error);
        RecordStatus(2072, error);
        DropResource(file);
        CloseHandle(file);
        return FALSE;
    }
    DropResource(file);
    CloseHandle(file);
    info->attributes = GetFileAttributesA(path);
    if (info->attributes == 0xFFFFFFFF) {
        error = GetLastError();
        POSITION();
        LogWrite("Unable to get %s file attributes 0x%08lX", path, error);
        RecordStatus(2089, error);
        return FALSE;
    }
    memset(&time, 0, sizeof time);
    FileTimeToSystemTime(&info->lastWrite, &time);
    POSITION();
    LogWrite("%s dated %02ld/%02ld/%ld %02ld:%02ld:%02ld, %ld bytes.", path, (DWORD)time.wMonth, (DWORD)time.wDay,
             (DWORD)time.wYear, (DWORD)time.wHour, (DWORD)time.wMinute, (DWORD)time.wSecond, info->size);
    if (!withVersion) return TRUE;

    SetLastError(0);
    size = VersionInfoSize(path, NULL);
    if (size == 0) {
        error = GetLastError();
        LogWrite("Unable to get %s version info size 0x%08lX", path, error);
        if (NoVersionResource(error)) return TRUE;
        return VersionReadFailed(path, "version info size", error);
    }
    block = HeapAlloc(GetProcessHeap(), 0, size);
    if (block) HoldResource(HELD_HEAP, block);
    if (!block) {
        LogWrite("Out of memory");
        return VersionReadFailed(path, "version info", ERROR_NOT_ENOUGH_MEMORY);
    }
    SetLastError(0);
    if (!VersionInfo(path, 0, size, block)) {
        error = GetLastError();
        LogWrite("Unable to get %s version info 0x%08lX", path, error);
        return FreeVersionBlock(block, NoVersionResource(error) || VersionReadFailed(path, "version info", error));
    }
    SetLastError(0);
    if (!VersionQuery(block, "\\", (LPVOID *)&fixed, &length) || length < sizeof *fixed) {
        error = GetLastError();
        LogWrite("Unable to get %s VS_FIXEDFILEINFO", path);
        return FreeVersionBlock(block, NoVersionResource(error) || VersionReadFailed(path, "VS_FIXEDFILEINFO", error));
    }
    info->fileVersionMS = fixed->dwFileVersionMS;
    info->fileVersionLS = fixed->dwFileVersionLS;
    info->productVersionMS = fixed->dwProductVersionMS;
    info->productVersionLS = fixed->dwProductVersionLS;
    info->hasVersion = TRUE;
    LogWrite("%s version %ld.%ld.%ld.%ld", path, info->fileVersionMS >> 16, info->fileVersionMS & 0xFFFF,
             info->fileVersionLS >> 16, info->fileVersionLS & 0xFFFF);
    SetLastError(0);
    if (VersionQuery(block, "\\VarFileInfo\\Translation", (LPVOID *)&translation, &length) && length >= 4) {
        wsprintfA(prefix, "\\StringFileInfo\\%04x%04x\\", (DWORD)translation[0], (DWORD)translation[1]);
        if (!ReadVersionString(path, block, prefix, "FileDescription", info->description, sizeof info->description) ||
            !ReadVersionString(path, block, prefix, "FileVersion", info->fileVersionText,
                               sizeof info->fileVersionText) ||
            !ReadVersionString(path, block, prefix, "CompanyName", info->companyName, sizeof info->companyName))
            return FreeVersionBlock(block, FALSE);
    } else if (!NoVersionResource(GetLastError())) {
        return FreeVersionBlock(block, VersionReadFailed(path, "version translation", GetLastError()));
    }
    return FreeVersionBlock(block, TRUE);
}

BOOL GetShortName(const char *path, char *out, BOOL force)
{
    HANDLE file;
    DWORD length;

    if (force) {
        file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        if (file == INVALID_HANDLE_VALUE) {
            POSITION();
            LogWrite("Couldn't force existence of %s for short path name.\n", path);
            lstrcpynA(out, path, MAX_PATH);
            return FALSE;
        }
        CloseHandle(file);
    }
    length = GetShortPathNameA(path, out, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        lstrcpynA(out, path, MAX_PATH);
        return FALSE;
    }
    return TRUE;
}

/* A 64-bit version as a FILETIME, so that versions compare like time stamps. */
static LONG CompareVersions(const struct FileInfo *a, const struct FileInfo *b)
{
    FILETIME x;
    FILETIME y;

    x.dwHighDateTime = a->fileVersionMS;
    x.dwLowDateTime = a->fileVersionLS;
    y.dwHighDateTime = b->fileVersionMS;
    y.dwLowDateTime = b->fileVersionLS;
    return CompareFileTime(&x, &y);
}

static void Decide(const struct FileEntry *entry, struct FileState *state)
{
    POSITION();
    if (!state->existing.exists) {
        if (entry->flags & FE_ONLY_IF_PRESENT) {
            LogWrite("No existing file to compare, upgrade/operation *not* recommended");
        } else {
            LogWrite("No existing file to compare, upgrade/operation recommended");
            state->upgrade = TRUE;
        }
    } else if (!(entry->flags & FE_NO_VERSION) && !state->existing.hasVersion && state->image.hasVersion) {
        LogWrite("Image file has version info, existing file does not.  Upgrade recommended");
        state->upgrade = TRUE;
    } else if (!(entry->flags & FE_NO_VERSION) && state->existing.hasVersion && state->image.hasVersion) {
        if (CompareVersions(&state->image, &state->existing) > 0) {
            LogWrite("Image file has later version, upgrade recommended");
            state->upgrade = TRUE;
        }
    } else if (state->image.exists && CompareFileTime(&state->image.lastWrite, &state->existing.lastWrite) > 0) {
        LogWrite("Image file has later time/date stamp, upgrade recommended");
        state->upgrade = TRUE;
    }
}

BOOL FindMoveRecord(const char *name, char *pair);

BOOL CompareFiles(struct FileSet *set, BOOL defaultDecision)
{
    struct FileEntry *entry;
    struct FileState *state;
    char path[MAX_PATH];
    char shortName[MAX_PATH];
    char pair[2 * MAX_PATH];
    BOOL withVersion;
    DWORD i;
    DWORD j;

    POSITION();
    if (!EngineInitialised) return RefuseUninitialised();
    for (i = 0; i < set->count; ++i) {
        entry = &set->entries[i];
        state = &set->states[i];
        SendProgress(set, PROGRESS_COMPARE, i);
        if (!EntryApplies(entry) || (entry->flags & FE_NOT_COMPARED)) continue;
        withVersion = !(entry->flags & FE_NO_VERSION);
        TargetPath(path, entry);
        if (GetShortName(path, shortName, FALSE) && FindMoveRecord(shortName, pair)) {
            if (!GetFileInfo(pair, &state->existing, withVersion)) return FALSE;
            state->existing.pending = TRUE;
        } else if (StatusIsError() || !GetFileInfo(path, &state->existing, withVersion)) {
            return FALSE;
        }
        if (!(entry->flags & FE_NO_IMAGE)) {
            ImagePath(path, entry);
            if (!GetFileInfo(path, &state->image, withVersion)) return FALSE;
            /* Without its image the entry cannot be judged; the run must not read as up to date. */
            if (!state->image.exists) {
                POSITION();
                LogWrite("Image file %s is missing", path);
                RecordStatus(2067, ERROR_FILE_NOT_FOUND);
                return FALSE;
            }
        }
        state->upgrade = defaultDecision ? TRUE : FALSE;
        Decide(entry, state);
    }

    /* Members of a checked group whose installed versions differ are all renewed. */
    for (i = 0; i < set->count; ++i) {
        state = &set->states[i];
        if (!state->existing.exists || state->upgrade || !(set->entries[i].flags & FE_GROUP_CHECK)) continue;
        for (j = 0; j < set->count; ++j) {
            if (!set->states[j].existing.exists || set->states[j].upgrade ||
                !(set->entries[j].flags & FE_GROUP_CHECK) || set->entries[j].group != set->entries[i].group)
                continue;
            if (CompareVersions(&state->existing, &set->states[j].existing) != 0) {
                POSITION();
                LogWrite("Group %ld file versions differ (%ld/%ld), upgrade recommended", set->entries[i].group, i, j);
                state->upgrade = TRUE;
                set->states[j].upgrade = TRUE;
            }
        }
    }

    /* A group is upgraded as a whole. */
    for (i = 0; i < set->count; ++i) {
        if (!set->states[i].upgrade) continue;
        for (j = 0; j < set->count; ++j) {
            /* Only members that apply here: another Windows' entry of the
             * group was never extracted and must not touch the machine. */
            if (j != i && set->entries[j].group == set->entries[i].group && EntryApplies(&set->entries[j]))
                set->states[j].upgrade = TRUE;
        }
    }
    return TRUE;
}

/* ---- Replacement ------------------------------------------------------- */

BOOL SetNormalAttributes(const char *path)
{
    DWORD error;

    if (SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL)) return TRUE;
    error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND) return TRUE;
    POSITION();
    LogWrite("Unable to set %s attributes to normal 0x%08lX", path, error);
    RecordStatus(2079, error);
    return FALSE;
}

BOOL MoveNow(const char *source, const char *destination)
{
    DWORD error;

    POSITION();
    /* The attribute resets here are only a help to the copy and the
     * deletion, whose own failures are reported: they record nothing. */
    if (destination) {
        SetFileAttributesA(destination, FILE_ATTRIBUTE_NORMAL);
        if (!CopyFileA(source, destination, FALSE)) {
            error = GetLastError();
            POSITION();
            LogWrite("CopyFile %s to %s 0x%08lX", source, destination, error);
            RecordStatus(2066, error);
            return FALSE;
        }
    }
    SetFileAttributesA(source, FILE_ATTRIBUTE_NORMAL);
    if (!DeleteFileA(source)) {
        error = GetLastError();
        POSITION();
        LogWrite("DeleteFile %s 0x%08lX", source, error);
        RecordStatus(2070, error);
        return FALSE;
    }
    return TRUE;
}

/* Looks for a record of the move record file whose destination (or, with
 * `bySource`, whose source) is `name`; the pair holds the record found.
 * The file is only read: writing it back would change its time stamp. */
static DWORD LookUpMoveRecord(const char *name, BOOL bySource, char *pair, BOOL record)
{
    struct MappedFile records;
    char path[MAX_PATH];
    DWORD offset = 0;
    DWORD recordLength;
    DWORD sourceLength;
    DWORD destinationLength;
    DWORD found = RECORD_NOT_FOUND;

    MoveRecordPath(path);
    switch (FilePresence(path, record)) {
    case 0:
        return RECORD_NOT_FOUND;
    case 1:
        break;
    default:
        return RECORD_UNREADABLE;
    }
    if (!MapFile(path, 0, &records)) return RECORD_UNREADABLE;
    while (offset < records.Size && records.Size - offset >= 12) {
        recordLength = GetWord(records.Data + offset);
        sourceLength = GetWord(records.Data + offset + 4);
        destinationLength = GetWord(records.Data + offset + 8);
        /* A record this engine never writes ends the walk: nothing is read
         * outside the file or copied past a name buffer. */
        if (recordLength == 0 || sourceLength >= MAX_PATH || destinationLength >= MAX_PATH ||
            12 + sourceLength + destinationLength > records.Size - offset)
            break;
        memset(pair, 0, 2 * MAX_PATH);
        memcpy(pair, records.Data + offset + 12, sourceLength);
        memcpy(pair + MAX_PATH, records.Data + offset + 12 + sourceLength, destinationLength);
        if (lstrcmpiA(bySource ? pair : pair + MAX_PATH, name) == 0) {
            found = RECORD_FOUND;
            break;
        }
        if (recordLength > records.Size - offset) break;
        offset += recordLength;
    }
    ReleaseMappedFile(&records);
    return found;
}

BOOL FindMoveRecord(const char *name, char *pair)
{
    return LookUpMoveRecord(name, FALSE, pair, TRUE) == RECORD_FOUND;
}

BOOL PerformMove(BOOL delayed, const char *source, const char *destination, BOOL record);

BOOL AddMoveRecord(const char *source, const char *destination)
{
    struct MappedFile records;
    char path[MAX_PATH];
    DWORD sourceLength = (DWORD)strlen(source);
    DWORD destinationLength = (DWORD)strlen(destination);
    DWORD recordLength = 12 + sourceLength + destinationLength;
    BYTE *place;
    BOOL existed;

    MoveRecordPath(path);
    existed = FileExists(path);
    if (!MapFile(path, recordLength, &records)) return FALSE;
    place = records.Data + records.Size;
    PutWord(place, recordLength);
    PutWord(place + 4, sourceLength);
    PutWord(place + 8, destinationLength);
    memcpy(place + 12, source, sourceLength);
    memcpy(place + 12 + sourceLength, destination, destinationLength);
    if (!UnmapFile(&records, recordLength)) return FALSE;
    /* The record file lives exactly as long as the operations it lists. */
    if (!existed) return PerformMove(TRUE, path, NULL, FALSE);
    return TRUE;
}

/* Adds "DEST=SOURCE" behind the [RENAME] header of wininit.ini. Sets
 * *duplicate when the line is there already (the file is left unchanged). */
static BOOL AddWininitLine(const char *destination, const char *source, BOOL *duplicate)
{
    struct MappedFile wininit;
    char path[MAX_PATH];
    char line[1024];
    char *copy = NULL;
    char *header = NULL;
    DWORD lineLength;
    DWORD offset;
    DWORD grow;
    BOOL result;

    *duplicate = FALSE;
    wsprintfA(line, "%s=%s\r\n", destination, source);
    UpperCase(line);
    lineLength = (DWORD)strlen(line);
    WininitPath(path);
    if (!MapFile(path, RENAME_HEADER_LENGTH + lineLength, &wininit)) return FALSE;
    if (wininit.Size) {
        copy = (char *)HeapAlloc(GetProcessHeap(), 0, wininit.Size + 1);
        if (!copy) {
            POSITION();
            LogWrite("Out of memory");
            RecordStatus(2054, 0);
            UnmapFile(&wininit, 0);
            return FALSE;
        }
        memcpy(copy, wininit.Data, wininit.Size);
        copy[wininit.Size] = '\0';
        UpperCase(copy);
        header = strstr(copy, RenameHeader);
    }
    if (header && strstr(header, line)) {
        POSITION();
        LogWrite("Duplicate [RENAME] line, not changing WININIT.INI");
        HeapFree(GetProcessHeap(), 0, copy);
        *duplicate = TRUE;
        return UnmapFile(&wininit, 0);
    }
    if (header) {
        offset = (DWORD)(header - copy) + RENAME_HEADER_LENGTH;
        memmove(wininit.Data + offset + lineLength, wininit.Data + offset, wininit.Size - offset);
        memcpy(wininit.Data + offset, line, lineLength);
        grow = lineLength;
    } else {
        memcpy(wininit.Data + wininit.Size, RenameHeader, RENAME_HEADER_LENGTH);
        memcpy(wininit.Data + wininit.Size + RENAME_HEADER_LENGTH, line, lineLength);
        grow = RENAME_HEADER_LENGTH + lineLength;
    }
    if (copy) HeapFree(GetProcessHeap(), 0, copy);
    result = UnmapFile(&wininit, grow);
    return result;
}

BOOL PerformMove(BOOL delayed, const char *source, const char *destination, BOOL record)
{
    char shortSource[MAX_PATH];
    char shortDestination[MAX_PATH];
    char pair[2 * MAX_PATH];
    BOOL duplicate;
    DWORD error;

    POSITION();
    LogWrite("Move %s from %s to %s", delayed ? "delayed" : "immediate", source,
             destination ? destination : "NULL(DELETE)");
    if (!delayed) return MoveNow(source, destination);

    /* Forcing a short name creates a missing destination: that is a change. */
    if (destination && !FileExists(destination) && !JournalFileCreated(destination)) return FALSE;
    GetShortName(source, shortSource, TRUE);
    if (destination) GetShortName(destination, shortDestination, TRUE);
    else lstrcpynA(shortDestination, "NUL", sizeof shortDestination);

    if (destination && FindMoveRecord(shortDestination, pair)) {
        POSITION();
        LogWrite("Duplicate installation - substituting temporary file %s for %s", shortSource, pair);
        if (!JournalSaveFile(pair)) return FALSE;
        return MoveNow(shortSource, pair);
    }
    if (StatusIsError()) return FALSE;
    if (IsWinNT || IsWin2KXP) {
        if (!MoveFileExA(shortSource, destination ? shortDestination : NULL,
                         destination ? (MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT)
                                     : MOVEFILE_DELAY_UNTIL_REBOOT)) {
            error = GetLastError();
            POSITION();
            LogWrite("MoveFileEx %s to %s 0x%08lX", shortSource, shortDestination, error);
            RecordStatus(2075, error);
            return FALSE;
        }
    } else {
        if (!AddWininitLine(shortDestination, shortSource, &duplicate)) return FALSE;
        if (duplicate) return TRUE;
    }
    if (record && destination) return AddMoveRecord(shortSource, shortDestination);
    return TRUE;
}

/* An immediate replacement of a target that an earlier run queued a
 * replacement for: the waiting file gets the new contents too, so that
 * whichever lands last at the next restart, the new file wins. */
static BOOL UpdateWaitingFile(const char *image, const char *target)
{
    char shortName[MAX_PATH];
    char pair[2 * MAX_PATH];
    DWORD error;

    if (!GetShortName(target, shortName, FALSE)) {
        if (!FileExists(target)) return TRUE;
        /* Without its short name a waiting replacement would go unseen. */
        error = GetLastError();
        POSITION();
        LogWrite("GetShortPathName failed on %s 0x%08lX", target, error);
        RecordStatus(2065, error);
        return FALSE;
    }
    /* A record file that cannot be read fails the run: the replacement it
     * may list would undo this one at the next restart. */
    if (!FindMoveRecord(shortName, pair)) return !StatusIsError();
    POSITION();
    LogWrite("Updating waiting file %s for %s", pair, target);
    if (!JournalSaveFile(pair)) return FALSE;
    if (CopyFileA(image, pair, FALSE)) return TRUE;
    error = GetLastError();
    POSITION();
    LogWrite("CopyFile %s to %s 0x%08lX", image, pair, error);
    RecordStatus(2066, error);
    return FALSE;
}

BOOL InstallFiles(struct FileSet *set)
{
    struct FileEntry *entry;
    struct FileState *state;
    char image[MAX_PATH];
    char target[MAX_PATH];
    char backup[MAX_PATH];
    BOOL delayed;
    BOOL makeBackup;
    int targetPresent;
    int backupPresent;
    DWORD error;
    DWORD i;

    POSITION();
    if (!EngineInitialised) return RefuseUninitialised();
    set->installed = 0;
    for (i = 0; i < set->count; ++i) {
        entry = &set->entries[i];
        state = &set->states[i];
        SendProgress(set, PROGRESS_REPLACE, i);
        if (!state->upgrade || !EntryApplies(entry)) continue;
        if (entry->flags & FE_DIRECTORY) {
            TargetPath(target, entry);
            if (!FileExists(target)) {
                POSITION();
                LogWrite("Create directory %s", target);
                if (!JournalFileCreated(target)) return FALSE;
                if (!CreateDirectoryA(target, NULL)) {
                    error = GetLastError();
                    LogWrite("CreateDirectory %s 0x%08lX", target, error);
                    RecordStatus(2083, error);
                    return FALSE;
                }
                state->moved = TRUE;
            }
            continue;
        }
        ImagePath(image, entry);
        TargetPath(target, entry);
        /* The backup is of the file installed now, also when an earlier run
         * left a replacement of it waiting. The first backup is kept: it
         * holds what the machine had before any upgrade of ours. */
        makeBackup = FALSE;
        if (!(entry->flags & FE_NO_BACKUP)) {
            /* A look that fails must not pass for "nothing to back up". */
            BackupPath(backup, entry);
            targetPresent = FilePresence(target, TRUE);
            backupPresent = targetPresent == 1 ? FilePresence(backup, TRUE) : 0;
            if (targetPresent < 0 || backupPresent < 0) return FALSE;
            makeBackup = targetPresent == 1 && backupPresent == 0;
        }
        if (!JournalSaveFile(target) || (makeBackup && !JournalFileCreated(backup))) return FALSE;
        if (!SetNormalAttributes(image) || !SetNormalAttributes(target)) return FALSE;
        POSITION();
        if (makeBackup) {
            LogWrite("Backup %s to %s", target, backup);
            if (!CopyFileA(target, backup, FALSE)) {
                error = GetLastError();
                LogWrite("CopyFile %s to %s 0x%08lX", target, backup, error);
                RecordStatus(2066, error);
                return FALSE;
            }
        } else if (!(entry->flags & FE_NO_BACKUP) && targetPresent == 1) {
            LogWrite("Keeping the earlier backup %s", backup);
        }
        delayed = (entry->flags & FE_NEEDS_RESTART) && !(entry->flags & FE_REPLACE_NOW);
        if (state->image.exists && !delayed && !UpdateWaitingFile(image, target)) return FALSE;
        if (state->image.exists) {
            if (!PerformMove(delayed, image, target, TRUE)) return FALSE;
            state->moved = TRUE;
        }
        if (state->existing.exists && (entry->flags & FE_DELETE_INSTALLED)) {
            if (!PerformMove(delayed, target, NULL, TRUE)) return FALSE;
            state->moved = TRUE;
        }
        POSITION();
        if (!set->installed) {
            set->installed = 1;
            RecordStatus(1, 0);
        }
        if (entry->flags & FE_NEEDS_RESTART) RecordStatus(2, 0);
    }
    return TRUE;
}

/* ---- Restart-time stores, rollback and clean-up ------------------------ */

static BOOL BackupCopy(const char *path, BOOL *saved, char *copy)
{
    DWORD error;

    *saved = FALSE;
    if (!FileExists(path)) return TRUE;
    POSITION();
    if (!GetTempFileNameA(GetDirectory(DIR_TEMP), "KVT", 0, copy)) {
        error = GetLastError();
        LogWrite("GetTempFileName failed 0x%08lX", error);
        RecordStatus(2073, error);
        return FALSE;
    }
    if (!JournalFileCreated(copy)) {
        DeleteFileA(copy);
        return FALSE;
    }
    LogWrite("Backing up %s to %s", path, copy);
    if (!CopyFileA(path, copy, FALSE)) {
        error = GetLastError();
        LogWrite("CopyFile %s to %s 0x%08lX", path, copy, error);
        RecordStatus(2066, error);
        DeleteFileA(copy);
        return FALSE;
    }
    *saved = TRUE;
    return TRUE;
}

static BOOL BackupPendingOperations(void)
{
    char path[MAX_PATH];
    HKEY key;
    LONG error;

    POSITION();
    RecordSaved = FALSE;
    RenameSaved = FALSE;
    RecordChecked = FALSE;
    RenameChecked = FALSE;
    SavedValue = NULL;
    SavedSize = 0;
    StoresSaved = TRUE;
    /* The journal keeps the stores too, so that a killed run's queued
     * operations are withdrawn by the next run. */
    MoveRecordPath(path);
    if (!JournalSaveFile(path)) return FALSE;
    if (IsWin95) {
        WininitPath(path);
        if (!JournalSaveFile(path)) return FALSE;
    } else if (!JournalSaveValue(HKEY_LOCAL_MACHINE, SessionManagerKey, PendingValue)) {
        return FALSE;
    }
    MoveRecordPath(path);
    if (!BackupCopy(path, &RecordSaved, RecordBackup)) return FALSE;
    RecordChecked = TRUE;
    if (IsWin95) {
        WininitPath(path);
        RenameChecked = BackupCopy(path, &RenameSaved, WininitBackup);
        return RenameChecked;
    }
    POSITION();
    LogWrite("Attempting PendingFileRenameOperations value backup");
    error = RegOpenKeyExA(HKEY_LOCAL_MACHINE, SessionManagerKey, 0, KEY_QUERY_VALUE, &key);
    if (error != ERROR_SUCCESS) {
        LogWrite("RegOpenKeyEx failed on Session Manager 0x%08lX", error);
        RecordStatus(2081, (DWORD)error);
        return FALSE;
    }
    SavedSize = 0;
    error = RegQueryValueExA(key, PendingValue, NULL, &SavedType, NULL, &SavedSize);
    if (error != ERROR_SUCCESS) {
        RegCloseKey(key);
        POSITION();
        if (error == ERROR_FILE_NOT_FOUND) {
            LogWrite("No existing PendingFileRenameOperations value to backup");
            RenameChecked = TRUE;
            return TRUE;
        }
        /* Recorded, so that the extraction reports the failure it causes. */
        LogWrite("RegQueryValueEx(1) failed on PendingFileRenameOperations 0x%08lX", error);
        RecordStatus(2082, (DWORD)error);
        return FALSE;
    }
    SavedValue = (BYTE *)HeapAlloc(GetProcessHeap(), 0, SavedSize ? SavedSize : 1);
    if (!SavedValue) {
        POSITION();
        LogWrite("Out of memory copying PendingFileRenameOperations");
        RecordStatus(2054, 0);
        RegCloseKey(key);
        return FALSE;
    }
    error = RegQueryValueExA(key, PendingValue, NULL, &SavedType, SavedValue, &SavedSize);
    if (error != ERROR_SUCCESS) {
        POSITION();
        LogWrite("RegQueryValueEx(2) failed on PendingFileRenameOperations 0x%08lX", error);
        RecordStatus(2082, (DWORD)error);
        HeapFree(GetProcessHeap(), 0, SavedValue);
        SavedValue = NULL;
        RegCloseKey(key);
        return FALSE;
    }
    RenameSaved = TRUE;
    RenameChecked = TRUE;
    RegCloseKey(key);
    return TRUE;
}

/* Copies a saved store back, or deletes the store when there was none. */
static BOOL RestoreFile(BOOL saved, const char *copy, const char *path, const char *deleteMessage)
{
    DWORD error;

    POSITION();
    if (saved) {
        LogWrite("Restoring %s to %s", copy, path);
        if (CopyFileA(copy, path, FALSE)) return TRUE;
        error = GetLastError();
        LogWrite("CopyFile %s to %s 0x%08lX", copy, path, error);
        RecordStatus(2066, error);
        return FALSE;
    }
    if (!FileExists(path)) return TRUE;
    LogWrite(deleteMessage, path);
    if (DeleteFileA(path)) return TRUE;
    error = GetLastError();
    LogWrite("DeleteFile %s 0x%08lX", path, error);
    RecordStatus(2070, error);
    return FALSE;
}

static BOOL RestorePendingOperations(BOOL restore)
{
    char path[MAX_PATH];
    HKEY key;
    LONG error;
    BOOL result = TRUE;

    POSITION();
    if (!StoresSaved) return TRUE;
    StoresSaved = FALSE;
    if (restore) {
        MoveRecordPath(path);
        if (RecordChecked && !RestoreFile(RecordSaved, RecordBackup, path, "Deleting MoveFileRecord at %s"))
            result = FALSE;
        if (IsWin95) {
            WininitPath(path);
            if (RenameChecked && !RestoreFile(RenameSaved, WininitBackup, path, "Deleting WININIT.INI at %s"))
                result = FALSE;
        } else if (RenameChecked) {
            POSITION();
            LogWrite("Attempting PendingFileRenameOperations value restore");
            error = RegOpenKeyExA(HKEY_LOCAL_MACHINE, SessionManagerKey, 0, KEY_SET_VALUE, &key);
            if (error != ERROR_SUCCESS) {
                LogWrite("RegOpenKeyEx failed on Session Manager 0x%08lX", error);
                RecordStatus(2081, (DWORD)error);
                result = FALSE;
            } else {
                if (RenameSaved) {
                    error = RegSetValueExA(key, PendingValue, 0, SavedType, SavedValue, SavedSize);
                    if (error != ERROR_SUCCESS) {
                        POSITION();
                        LogWrite("RegSetValueEx failed on PendingFileRenameOperations 0x%08lX", error);
                        RecordStatus(2078, (DWORD)error);
                        result = FALSE;
                    }
                } else {
                    error = RegDeleteValueA(key, PendingValue);
                    if (error != ERROR_SUCCESS) {
                        POSITION();
                        LogWrite("RegDeleteValue failed on PendingFileRenameOperations 0x%08lX", error);
                    }
                }
                RegCloseKey(key);
            }
        }
    }
    POSITION();
    if (RecordSaved) {
        LogWrite("Deleting MoveFileRecord backup at %s", RecordBackup);
        if (!DeleteFileTwice(RecordBackup, FALSE)) result = FALSE;
    }
    if (RenameSaved) {
        if (IsWin95) {
            LogWrite("Deleting WININIT.INI backup at %s", WininitBackup);
            if (!DeleteFileTwice(WininitBackup, FALSE)) result = FALSE;
        } else if (SavedValue) {
            HeapFree(GetProcessHeap(), 0, SavedValue);
            SavedValue = NULL;
        }
    }
    return result;
}

void CleanupImageFiles(struct FileSet *set, BOOL full)
{
    struct FileEntry *entry;
    struct FileState *state;
    char image[MAX_PATH];
    char target[MAX_PATH];
    char backup[MAX_PATH];
    DWORD error;
    DWORD i;

    POSITION();
    if (!EngineInitialised) {
        RefuseUninitialised();
        return;
    }
pass:
    POSITION();
    LogWrite("Starting image file cleanup pass - %s cleanup", full ? "full" : "partial");
    for (i = 0; i < set->count; ++i) {
        entry = &set->entries[i];
        state = &set->states[i];
        if (!state->extracted || state->cleaned || !entry->imageName[0]) continue;
        if (!full && state->moved && !(entry->flags & FE_ALWAYS_CLEANED)) continue;
        state->cleaned = TRUE;
        ImagePath(image, entry);
        POSITION();
        LogWrite("Immediate delete %s", image);
        if (!DeleteFileA(image)) {
            error = GetLastError();
            LogWrite("DeleteFile %s failed 0x%08lX", image, error);
            RecordStatus(2070, error);
            /* A partial pass that cannot delete becomes a full one. */
            if (!full) {
                full = TRUE;
                goto pass;
            }
        }
        if (state->moved && !(entry->flags & FE_NEVER_RESTORED)) {
            BackupPath(backup, entry);
            TargetPath(target, entry);
            POSITION();
            LogWrite("Restore %s to %s", backup, target);
            if (!CopyFileA(backup, target, FALSE)) {
                error = GetLastError();
                LogWrite("CopyFile %s to %s 0x%08lX", backup, target, error);
                RecordStatus(2066, error);
            }
        }
    }
    RestorePendingOperations(StatusIsError());
    /* Whatever else the failed run changed is taken back from the journal;
     * after a success the journal stays open until the run's end. */
    if (!StatusIsError()) return;
    JournalRollback();
    /* Temporaries of a step cut short by a fault, before the journal knew
     * them, are no one's: the codec's, and freshly named image files. */
    DeleteLeftovers(TRUE);
}
