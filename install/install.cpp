/*
 * The install support library: platform facts, directories, the library's
 * start and stop, restart and the uninstall entry.
 */
#include "install.h"

#include "log.h"

static const char THIS_FILE[] = ".\\install\\install.cpp";

struct RunFlagSet RunFlags;

BOOL IsWin95;
BOOL IsWinNT;
BOOL IsWin2KXP;
BOOL IsOldShell;
DWORD ProcessorArchitecture;
WORD OsLanguage;
BOOL IsAdmin;

void NormalizePath(char *path)
{
    char *p;

    for (p = path; *p; ++p) {
        if (*p == '/') *p = '\\';
    }
    if (p != path && p[-1] == '\\') p[-1] = '\0';
}

/* Stand-in until platform discovery lands: the facts stay clear. */
void DiscoverPlatform(void)
{
    POSITION();
}

/* Stand-in until the directory set lands. */
void SetupDirectories(const char *target)
{
    (void)target;
    POSITION();
}

/* Stand-in until the library's start lands: always succeeds. */
BOOL InstallLibraryInit(const char *target)
{
    (void)target;
    POSITION();
    return TRUE;
}

/* Stand-in until the library's stop lands. */
void InstallLibraryCleanup(void)
{
    POSITION();
}

/* Stand-in until the uninstall entry lands. */
BOOL RegisterUninstaller(void)
{
    POSITION();
    return TRUE;
}

/* Stand-in until the restart lands. */
BOOL RestartWindows(void)
{
    POSITION();
    return TRUE;
}
