#include "installer_reset.h"

#include <cstring>

#include "install.h"
#include "library.h"
#include "log.h"
#include "status.h"

void ResetInstallerState()
{
    InstallLibraryCleanup();
    StatusWord = 0;
    StatusQualifier = 0;
    std::memset(&RunFlags, 0, sizeof RunFlags);
    IsWin95 = IsWinNT = IsWin2KXP = IsOldShell = IsAdmin = FALSE;
    LibraryInitialised = PlatformDiscovered = DirectoriesSet = FALSE;
}
