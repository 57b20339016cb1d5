#include "installer_state.h"

#include <cstring>

#include "install.h"
#include "journal.h"
#include "log.h"
#include "machine_fixture.h"
#include "status.h"

void ResetInstaller() {
    JournalAbandon();
    RestartOwed = FALSE;
    if (LogHandle != INVALID_HANDLE_VALUE) LogClose(TRUE);
    LogHandle = INVALID_HANDLE_VALUE;
    LogPreExisting = FALSE;
    std::memset(LogPath, 0, sizeof LogPath);
    StatusWord = 0;
    StatusQualifier = 0;
    SetSourcePosition("", 0);
    std::memset(&RunFlags, 0, sizeof RunFlags);
    IsWin95 = IsWinNT = IsWin2KXP = IsOldShell = IsAdmin = FALSE;
    ProcessorArchitecture = 0;
    OsLanguage = 0;
    LibraryInitialised = PlatformDiscovered = DirectoriesSet = FALSE;
    // The stand-ins' version, which a checked setup takes from its stamp.
    CarriedVersionMS = 0x00070001;
    CarriedVersionLS = 0x000000BD;
}

std::string LogText() { return ReadHostFile(winsim::HostPath(LogPath)); }

void InstallerTest::SetUp() {
    MachineTest::SetUp();
    ResetInstaller();
    winsim::SetProgramPath("D:\\HALVINST.EXE");
}

void InstallerTest::TearDown() {
    ResetInstaller();
    winsim::SetProgramPath("");
    MachineTest::TearDown();
}
