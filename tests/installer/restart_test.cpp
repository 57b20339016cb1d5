// Restarting Windows and the uninstall entry.
#include <gtest/gtest.h>

#include "install.h"
#include "installer_state.h"
#include "log.h"
#include "machine/machine_state.h"
#include "machine_fixture.h"
#include "status.h"

namespace {

class Restart : public MachineTest {
protected:
    void Start(const std::string& profile) {
        ResetInstaller();
        UseFreshMachine(profile);
        LogOpen("C:\\restart.log");
        DiscoverPlatform();
    }
    void TearDown() override {
        ResetInstaller();
        MachineTest::TearDown();
    }
    // Applications on the machine refuse to close, so every restart request is refused.
    void RefuseRestarts() {
        winsim::Profile p = winsim::CurrentProfile();
        p.refuseRestart = true;
        std::string error;
        ASSERT_TRUE(winsim::SaveProfile(dir_, p, error));
        ASSERT_TRUE(winsim::UseMachine(dir_, error));
    }
    bool Requested() { return HostFileExists(dir_ + "/.winsim/restart/requested"); }
    std::string Log() {
        LogClose(TRUE);
        return ReadHostFile(Host("C:\\restart.log"));
    }
};

TEST_F(Restart, The95FamilyAsksWithoutAnyToken) {
    Start("win98");
    std::string error;
    ASSERT_TRUE(winsim::SetFaults("OpenProcessToken:1:5", error));
    RunFlags.leaveLog = TRUE;
    EXPECT_TRUE(RestartWindows());
    EXPECT_TRUE(Requested());
    EXPECT_EQ(StatusWord, 0u);
    EXPECT_NE(Log().find(": Forcing reboot of the system\r\n"), std::string::npos);
}

// The 95 family closes the log before it asks; the answer decides what becomes of the file.
TEST_F(Restart, The95FamilyKeepsTheLogOfARefusedRestartAndWhenAsked) {
    for (const bool leaveLog : {false, true}) {
        Start("win98");
        RefuseRestarts();
        RunFlags.leaveLog = leaveLog ? TRUE : FALSE;
        EXPECT_FALSE(RestartWindows());
        EXPECT_NE(LogHandle, INVALID_HANDLE_VALUE) << "the failed run goes on writing to its log";
        std::string log = Log();
        size_t closed = log.find(": Final status will not be logged because of reboot\r\n");
        size_t reopened = log.find(": Log reopened after the reboot request\r\n");
        size_t failed = log.find(": ExitWindowsEx failed 0x");
        ASSERT_NE(closed, std::string::npos) << log;
        EXPECT_TRUE(reopened > closed && failed > reopened && failed != std::string::npos) << log;
        EXPECT_NE(log.find("Status 0x817", failed), std::string::npos) << log;
    }
    for (const bool leaveLog : {false, true}) {
        Start("win98");
        RunFlags.leaveLog = leaveLog ? TRUE : FALSE;
        EXPECT_TRUE(RestartWindows());
        EXPECT_EQ(LogHandle, INVALID_HANDLE_VALUE);
        EXPECT_EQ(HostFileExists(Host("C:\\restart.log")), leaveLog) << "an accepted restart keeps the log when asked";
    }
}

TEST_F(Restart, NtEnablesTheShutdownPrivilegeFirst) {
    Start("win2000");
    EXPECT_TRUE(RestartWindows());
    EXPECT_TRUE(Requested());
}

TEST_F(Restart, EachFailingStepHasItsOwnCode) {
    const struct {
        const char* fault;
        const char* line;
        DWORD status, qualifier;
    } rows[] = {
        {"OpenProcessToken:1:5", "OpenProcessToken failed 0x00000005", 2076, 5},
        {"AdjustTokenPrivileges:1:1300", "AdjustTokenPrivileges failed 0x00000514", 2064, 1300},
        {"ExitWindowsEx:1:5", "ExitWindowsEx failed 0x00000005", 2071, 5},
    };
    for (const auto& row : rows) {
        Start("win2000");
        std::string error;
        ASSERT_TRUE(winsim::SetFaults(row.fault, error));
        EXPECT_FALSE(RestartWindows()) << row.fault;
        EXPECT_FALSE(Requested()) << row.fault;
        EXPECT_EQ(STATUS_CODE(StatusWord), row.status) << row.fault;
        EXPECT_EQ(StatusQualifier, row.qualifier) << row.fault;
        EXPECT_NE(Log().find(row.line), std::string::npos) << row.fault;
    }

    Start("winxp");
    RefuseRestarts();
    EXPECT_FALSE(RestartWindows());
    EXPECT_EQ(STATUS_CODE(StatusWord), 2071u) << "an application refused";

    Start("winxp");
    winsim::Profile p = winsim::CurrentProfile();
    std::string error;
    p.shutdownPrivilege = false;
    ASSERT_TRUE(winsim::SaveProfile(dir_, p, error));
    ASSERT_TRUE(winsim::UseMachine(dir_, error));
    EXPECT_FALSE(RestartWindows());
    EXPECT_EQ(STATUS_CODE(StatusWord), 2071u) << "a privilege only partly granted fails at the restart itself";
    EXPECT_EQ(StatusQualifier, static_cast<DWORD>(ERROR_PRIVILEGE_NOT_HELD));
}

TEST_F(Restart, TheUninstallEntryKeepsTheSystemsSpelling) {
    Start("nt4");
    winsim::Profile p = winsim::CurrentProfile();
    p.systemDir = "C:\\WINNT\\System32";
    std::string error;
    ASSERT_TRUE(winsim::SaveProfile(dir_, p, error));
    ASSERT_TRUE(winsim::UseMachine(dir_, error));
    EXPECT_EQ(RegisterUninstaller(), ERROR_SUCCESS);
    EXPECT_EQ(RegisterUninstaller(), ERROR_SUCCESS);
    std::string key = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
    EXPECT_EQ(RegistryText(key + "\\Talven Halvik"),
              "REGEDIT4\n\n[" + key + "\\Talven Halvik]\n\"DisplayName\"=\"Talven Tessera Reader\"\n"
              "\"UninstallString\"=\"C:\\\\WINNT\\\\System32\\\\HALVUNIN.EXE\"\n"
              "\"DisplayVersion\"=\"7.1.0.189\"\n\"Publisher\"=\"Talven\"\n"
              "\"DisplayIcon\"=\"C:\\\\WINNT\\\\System32\\\\HALVUNIN.EXE\"\n"
              "\"QuietUninstallString\"=\"C:\\\\WINNT\\\\System32\\\\HALVUNIN.EXE SILENT\"\n"
              "\"NoModify\"=dword:00000001\n\"NoRepair\"=dword:00000001\n\n");

    // Every failure is recorded (the run's journal takes a half entry back).
    const struct {
        const char* fault;
        unsigned code;
    } failures[] = {{"RegCreateKeyA:1:5", 2077}, {"RegSetValueExA:1:5", 2078}, {"RegSetValueExA:2:5", 2078},
                    {"GetSystemDirectoryA:1:5", 2050}};
    for (const auto& failure : failures) {
        ASSERT_TRUE(winsim::SetFaults("", error));
        StatusWord = 0;
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Talven Halvik");
        ASSERT_TRUE(winsim::SetFaults(failure.fault, error));
        EXPECT_NE(RegisterUninstaller(), ERROR_SUCCESS) << failure.fault;
        EXPECT_EQ(StatusWord >> 20, failure.code) << failure.fault;
    }
}

}  // namespace
