/*
 * The install support library: run flags, platform facts, the directory set,
 * mapped files, the library's start and stop, restart and the uninstall entry.
 */
#ifndef HALVINST_INSTALL_H
#define HALVINST_INSTALL_H

#include <windows.h>

/* Run flags, set once from the command line (only noReboot changes later). */
struct RunFlagSet {
    BOOL silent;
    BOOL forced;
    BOOL leaveLog;
    BOOL leaveStatus;
    BOOL noReboot;
    BOOL autorun;
};
extern struct RunFlagSet RunFlags;

/* Platform facts, filled once by DiscoverPlatform. */
extern BOOL IsWin95;
extern BOOL IsWinNT;
extern BOOL IsWin2KXP;
extern BOOL IsOldShell;
extern WORD ProcessorArchitecture;
extern DWORD OsLanguage;
extern BOOL IsAdmin;

/* OsLanguage bits, also the language bits of the file table's flags. */
#define LANGUAGE_FRENCH 0x01000000
#define LANGUAGE_ITALIAN 0x02000000
#define LANGUAGE_GERMAN 0x04000000
#define LANGUAGE_SPANISH 0x08000000
#define LANGUAGE_OTHER 0x10000000

/* Directory numbers of the directory set. */
#define DIR_TEMP 1
#define DIR_TARGET 2
#define DIR_WINDOWS 3
#define DIR_SYSTEM16 4
#define DIR_SYSTEM32 5
#define DIR_DRIVERS 6

/* The library's start, and the two steps that run once per process. */
extern BOOL LibraryInitialised;
extern BOOL PlatformDiscovered;
extern BOOL DirectoriesSet;

BOOL InstallLibraryInit(const char *target);
void InstallLibraryCleanup(void);
void DiscoverPlatform(void);
void SetupDirectories(const char *target);
const char *GetDirectory(DWORD number);
BOOL IsUserAdmin(void);
BOOL IsAlphaProcessor(void);
BOOL ReadCpuVendor(char *buffer);
void LogDiskSpace(const char *label, const char *path);
/* Forward slashes become backslashes; one trailing backslash goes. */
void NormalizePath(char *path);
BOOL FileExists(const char *path);
/* Whether `path` exists, for a decision that must not take a failed look
 * for an answer: 1 present, 0 absent, -1 unknown (logged, and with `record`
 * recorded: 2089). */
int FilePresence(const char *path, BOOL record);
/* `result` holds MAX_PATH characters; `extension` may be NULL. */
void MakeDirPath(char *result, const char *path, DWORD number, const char *extension);

/* A whole file in memory, with room to grow behind its contents. */
struct MappedFile {
    DWORD Size;
    HANDLE Handle;
    BYTE *Data;
    char Path[MAX_PATH];
    DWORD Capacity; /* bytes in Data: Size as read plus the reserved area */
};

/* Handles and memory blocks that a step holds across calls that may fault.
 * A fault leaves the step's own release undone; ReleaseHeldResources does
 * it, so that the clean-up can delete and restore the files concerned. */
#define HELD_HANDLE 1
#define HELD_VIRTUAL 2 /* VirtualAlloc */
#define HELD_HEAP 3    /* HeapAlloc on the process heap */
void HoldResource(DWORD kind, void *resource);
void DropResource(void *resource);
void ReleaseHeldResources(void);

BOOL MapFile(const char *path, DWORD reserved, struct MappedFile *record);
BOOL UnmapFile(struct MappedFile *record, DWORD extra);
/* Lets go of a file that was only read: nothing is written back. */
void ReleaseMappedFile(struct MappedFile *record);

BOOL RestartWindows(void);
LONG RegisterUninstaller(void);

/* The product version of the carried drivers, as the release stamp gives it
 * (0.0.0.0 until the setup's archive has been checked), and its text
 * "major.minor.sub.build" in a buffer of CARRIED_VERSION_SIZE bytes. */
extern DWORD CarriedVersionMS;
extern DWORD CarriedVersionLS;
#define CARRIED_VERSION_SIZE 24
void FormatCarriedVersion(char *text);

#endif
