// What the uninstaller removes and what it leaves or puts back: the
// installer records what it made and what it found.
#include <gtest/gtest.h>

#include "uninstaller_fixture.h"

namespace {

const char kService[] = "SYSTEM\\CurrentControlSet\\Services\\Halvik";

std::string Drivers(const std::string& profile) {
    return profile == "win98" ? "C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\" : winsim::CurrentProfile().systemDir + "\\drivers\\";
}

std::string Value(const char* path, const char* name, DWORD* type = nullptr) {
    HKEY key;
    char data[1024] = {};
    DWORD size = sizeof data, t = 0;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return "(no key)";
    LONG error = RegQueryValueExA(key, name, nullptr, &t, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (type) *type = t;
    return error == ERROR_SUCCESS ? std::string(data, size) : "(none)";
}

TEST_F(Uninstall, ABackupThatWasThereBeforeTheInstallStays) {
    for (const char* profile : {"win98", "nt4", "win2000", "winxp"}) {
        Prepare(profile);
        std::string backup = Host(Drivers(profile) + "Halvik.BAK");
        WriteHostFile(backup, "someone else's backup");
        std::string before = Snapshot("before");
        ASSERT_EQ(Install(), 2u) << profile;
        EXPECT_EQ(Remove("SILENT LEAVELOG"), 1u) << profile;
        EXPECT_NE(Log().find("was there before the first install - kept"), std::string::npos) << profile << Log();
        Reboot();
        EXPECT_EQ(ReadHostFile(backup), "someone else's backup") << profile;
        EXPECT_TRUE(OnlyLogs(Diff(before))) << profile << "\n" << Diff(before);
    }
}

// An upgrade keeps the driver it replaced as Halvik.BAK; the uninstall
// removes it with the driver (restored, it would be a driver without its
// service and filter entry).
TEST_F(Uninstall, UpgradeThenUninstallRemovesTheBackupTheUpgradeMade) {
    for (const char* profile : {"win98", "nt4", "win2000", "winxp"}) {
        Prepare(profile);
        std::string before = Snapshot("before");
        ASSERT_EQ(Install(), 2u) << profile;
        ASSERT_EQ(Install("SILENT FORCE"), 2u) << profile;
        std::string backup = Host(Drivers(profile) + "Halvik.BAK");
        ASSERT_TRUE(HostFileExists(backup)) << profile;
        EXPECT_EQ(Value("SOFTWARE\\Talven\\Halvik", "BackupMade"), std::string("\1\0\0\0", 4)) << profile;
        EXPECT_EQ(Remove(), 1u) << profile;
        Reboot();
        EXPECT_FALSE(HostFileExists(backup)) << profile;
        EXPECT_TRUE(OnlyLogs(Diff(before))) << profile << "\n" << Diff(before);
    }
}

// A service key of our name that was there before: its ImagePath named
// another file, so the install takes it out (the service is to load the
// driver installed) and the uninstall puts it back; the values the install
// never wrote stay throughout.
TEST_F(Uninstall, AServiceKeyThatWasThereBeforeGetsBackWhatItHad) {
    for (const char* profile : {"nt4", "win2000", "winxp"}) {
        Prepare(profile);
        HKEY key;
        ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, kService, &key), ERROR_SUCCESS);
        const char image[] = "System32\\drivers\\other.sys";
        const char owner[] = "someone";
        ASSERT_EQ(RegSetValueExA(key, "ImagePath", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(image), sizeof image),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExA(key, "Owner", 0, REG_SZ, reinterpret_cast<const BYTE*>(owner), sizeof owner),
                  ERROR_SUCCESS);
        RegCloseKey(key);
        std::string before = Snapshot("before");
        ASSERT_EQ(Install("SILENT LEAVELOG"), 2u) << profile;
        EXPECT_EQ(Value(kService, "ImagePath"), "(none)") << profile << ": the service would load another file";
        EXPECT_EQ(Value(kService, "Owner"), std::string(owner, sizeof owner)) << profile;
        EXPECT_EQ(Remove(), 1u) << profile << Log();
        DWORD type = 0;
        EXPECT_EQ(Value(kService, "ImagePath", &type), std::string(image, sizeof image)) << profile;
        EXPECT_EQ(type, static_cast<DWORD>(REG_EXPAND_SZ)) << profile;
        Reboot();
        EXPECT_TRUE(OnlyLogs(Diff(before))) << profile << "\n" << Diff(before);
    }
}

}  // namespace
