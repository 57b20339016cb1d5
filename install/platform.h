/*
 * What every part of the product reads and nothing in it computes: the run
 * flags from the command line, the facts about the running Windows, and
 * whether the library's steps have run. The lowest floor of the library:
 * it includes nothing of ours. The discovery that fills the facts, and logs
 * them, is install.cpp's.
 */
#ifndef HALVINST_PLATFORM_H
#define HALVINST_PLATFORM_H

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

/* The library's start, and the two steps that run once per process. */
extern BOOL LibraryInitialised;
extern BOOL PlatformDiscovered;
extern BOOL DirectoriesSet;

#endif
