/*
 * The run flags and the platform facts: storage only.
 */
#include "platform.h"

struct RunFlagSet RunFlags;

BOOL IsWin95;
BOOL IsWinNT;
BOOL IsWin2KXP;
BOOL IsOldShell;
WORD ProcessorArchitecture;
DWORD OsLanguage;
BOOL IsAdmin;

BOOL LibraryInitialised;
BOOL PlatformDiscovered;
BOOL DirectoriesSet;
