/*
 * The upgrade engine: the carried file set, extraction, the upgrade decision,
 * replacement, rollback and clean-up.
 */
#ifndef HALVINST_UPGRADE_H
#define HALVINST_UPGRADE_H

#include <windows.h>

/* FileEntry flags. */
#define FE_NO_VERSION 0x00000001
#define FE_ONLY_IF_PRESENT 0x00000002
#define FE_NO_IMAGE 0x00000004
#define FE_NO_BACKUP 0x00000008
#define FE_DELETE_INSTALLED 0x00000010
#define FE_REPLACE_NOW 0x00000020
#define FE_IMAGE_ONLY 0x00000040
#define FE_NEEDS_RESTART 0x00000080
#define FE_REGISTRY_SCRIPT 0x00000100
#define FE_DIRECTORY 0x00000200
#define FE_GROUP_CHECK 0x00000400
#define FE_WIN9X 0x00010000
#define FE_NT4 0x00020000
#define FE_W2K 0x00040000
#define FE_LANGUAGES 0xFF000000

/* Progress record kinds, one per phase. */
#define PROGRESS_EXTRACT 256
#define PROGRESS_COMPARE 257
#define PROGRESS_REPLACE 258
#define PROGRESS_REGISTRY 259

/* What is known about one file. */
struct FileInfo {
    DWORD exists;
    DWORD pending;
    DWORD hasVersion;
    char description[256];
    char fileVersionText[256];
    char companyName[32];
    DWORD fileVersionMS;
    DWORD fileVersionLS;
    DWORD productVersionMS;
    DWORD productVersionLS;
    DWORD attributes;
    DWORD size;
    FILETIME lastWrite;
};

/* One carried file. */
struct FileEntry {
    const char *archiveName;
    const char *targetName;
    char imageName[256];
    char backupBase[256];
    DWORD directory;
    DWORD flags;
    DWORD group;
};

/* The per-run state of one entry. */
struct FileState {
    DWORD extracted;
    DWORD upgrade;
    DWORD moved;
    DWORD cleaned;
    struct FileInfo existing;
    struct FileInfo image;
};

struct FileSet;

struct ProgressRecord {
    DWORD kind;
    DWORD fileDone;
    DWORD fileSize;
    DWORD allDone;
    DWORD allTotal;
    DWORD index;
    struct FileSet *set;
};

typedef void (*ProgressRoutine)(struct ProgressRecord *record);

struct FileSet {
    char *archivePath;
    DWORD installed;
    DWORD count;
    struct FileEntry *entries;
    struct FileState *states;
    ProgressRoutine progress;
};

BOOL UpgradeInit(void);
void UpgradeDone(void);
BOOL EntryApplies(const struct FileEntry *entry);
BOOL CreateImageFiles(struct FileSet *set);
BOOL CompareFiles(struct FileSet *set, BOOL defaultDecision);
BOOL InstallFiles(struct FileSet *set);
void CleanupImageFiles(struct FileSet *set, BOOL full);
BOOL GetFileInfo(const char *path, struct FileInfo *info, BOOL withVersion);
BOOL GetShortName(const char *path, char *out, BOOL force);
BOOL PerformMove(BOOL delayed, const char *source, const char *destination, BOOL record);
BOOL MoveNow(const char *source, const char *destination);
BOOL SetNormalAttributes(const char *path);
BOOL AddMoveRecord(const char *source, const char *destination);
/* The record whose destination is `name`. `pair` holds two zero-filled
 * MAX_PATH buffers: source, then destination. FALSE when there is none or
 * the record file cannot be read; the latter is recorded (StatusIsError). */
BOOL FindMoveRecord(const char *name, char *pair);

#endif
