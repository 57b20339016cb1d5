// Restarting Windows and the uninstall entry.
#include <gtest/gtest.h>

#include "install.h"
#include "installer_state.h"
#include "log.h"
#include "machine_fixture.h"
#include "machine_state.h"

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
    EXPECT_TRUE(RestartWindows());
    EXPECT_TRUE(Requested());
    EXPECT_EQ(StatusWord, 0u);
    EXPECT_NE(Log().find(": Forcing reboot of the system\r\n"), std::string::npos);
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
    winsim::Profile p = winsim::CurrentProfile();
    p.refuseRestart = true;
    std::string error;
    ASSERT_TRUE(winsim::SaveProfile(dir_, p, error));
    ASSERT_TRUE(winsim::UseMachine(dir_, error));
    EXPECT_FALSE(RestartWindows());
    EXPECT_EQ(STATUS_CODE(StatusWord), 2071u) << "an application refused";

    Start("winxp");
    p = winsim::CurrentProfile();
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
              "\"UninstallString\"=\"C:\\\\WINNT\\\\System32\\\\HALVUNIN.EXE\"\n\n");

    // Every failure is recorded, and no half entry stays behind.
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
        EXPECT_EQ(RegistryText(key + "\\Talven Halvik"), "") << failure.fault;
    }
}

}  // namespace
