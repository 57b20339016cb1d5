/*
 * The services the engine and both programs share, above the journal:
 * discovering the platform, the directory set, mapped files, looking for a
 * file, the restart and the uninstall entry. With it come the floor below
 * the log (platform facts, paths, held resources), which its users need too.
 */
#ifndef HALVINST_INSTALL_H
#define HALVINST_INSTALL_H

#include <windows.h>

#include "held.h"
#include "paths.h"
#include "platform.h"

/* The platform part of the library's start: the facts and the directory
 * set, both logged; FALSE, recorded (2052), on a Windows the library cannot
 * serve. The whole start, with the upgrade engine, is InstallLibraryInit
 * (library.h). */
BOOL StartPlatform(const char *target);
void DiscoverPlatform(void);
void SetupDirectories(const char *target);
BOOL IsUserAdmin(void);
BOOL IsAlphaProcessor(void);
BOOL ReadCpuVendor(char *buffer);
void LogDiskSpace(const char *label, const char *path);
/* Whether `path` exists, for a decision that must not take a failed look
 * for an answer: 1 present, 0 absent, -1 unknown (logged, and with `record`
 * recorded: 2089). */
int FilePresence(const char *path, BOOL record);

/* A whole file in memory, with room to grow behind its contents. */
struct MappedFile {
    DWORD Size;
    HANDLE Handle;
    BYTE *Data;
    char Path[MAX_PATH];
    DWORD Capacity; /* bytes in Data: Size as read plus the reserved area */
};

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
