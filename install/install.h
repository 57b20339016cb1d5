/*
 * The install support library: run flags, platform facts, the directory set
 * and the library's start and stop.
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

/* Platform facts. */
extern BOOL IsWin95;
extern BOOL IsWinNT;
extern BOOL IsWin2KXP;
extern BOOL IsOldShell;
extern DWORD ProcessorArchitecture;
extern WORD OsLanguage;
extern BOOL IsAdmin;

/* Forward slashes become backslashes; one trailing backslash goes. */
void NormalizePath(char *path);

void DiscoverPlatform(void);
void SetupDirectories(const char *target);
BOOL InstallLibraryInit(const char *target);
void InstallLibraryCleanup(void);
BOOL RegisterUninstaller(void);
BOOL RestartWindows(void);

#endif
