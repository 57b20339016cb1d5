/*
 * The install library's start and stop.
 */
#include "library.h"

#include "install.h"
#include "upgrade.h"

BOOL InstallLibraryInit(const char *target)
{
    if (LibraryInitialised) return TRUE;
    LibraryInitialised = TRUE;
    if (!StartPlatform(target)) {
        InstallLibraryCleanup();
        return FALSE;
    }
    if (!UpgradeInit()) InstallLibraryCleanup();
    return TRUE;
}

/* The engine's stop also clears the temporaries of a failed run, even of a
 * start the platform refused. */
void InstallLibraryCleanup(void)
{
    if (!LibraryInitialised) return;
    UpgradeDone();
    LibraryInitialised = FALSE;
}
