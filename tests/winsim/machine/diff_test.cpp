// What `winsim diff` reports between two states of a machine, taken as a
// copy of the machine directory or as a snapshot file.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "machine_fixture.h"
#include "winsim/machine_tools.h"

namespace {

namespace fs = std::filesystem;

class Diff : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        before_ = dir_ + ".before";
        snapshot_ = dir_ + ".snapshot";
    }
    void TearDown() override {
        fs::remove_all(before_);
        fs::remove(snapshot_);
        MachineTest::TearDown();
    }
    // Copies the machine as it is now, time stamps and attributes included.
    void CopyMachine() { ASSERT_EQ(std::system(("cp -a " + dir_ + " " + before_).c_str()), 0); }
    std::string Listing(const std::string& a, const std::string& b) {
        std::string listing, error;
        EXPECT_TRUE(winsim::DiffMachines(a, b, listing, error)) << error;
        return listing;
    }
    void SetTime(const std::string& windowsPath, long long unixSeconds) {
        struct timespec times[2] = {{unixSeconds, 0}, {unixSeconds, 0}};
        utimensat(AT_FDCWD, Host(windowsPath).c_str(), times, 0);
    }
    void SetValue(const char* key, const char* name, DWORD type, const std::string& data) {
        HKEY k;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExA(k, name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                                 static_cast<DWORD>(data.size())),
                  ERROR_SUCCESS);
        RegCloseKey(k);
    }
    std::string before_, snapshot_;
};

TEST_F(Diff, AnUnchangedMachineHasNoChanges) {
    CopyMachine();
    EXPECT_EQ(Listing(before_, dir_), "no changes\n");
    std::string error;
    ASSERT_TRUE(winsim::SaveSnapshot(dir_, snapshot_, error)) << error;
    EXPECT_EQ(Listing(snapshot_, dir_), "no changes\n");
}

TEST_F(Diff, ListsFilesAndRegistryChangesOfARun) {
    const std::string drivers = "C:\\WINDOWS\\system32\\drivers\\";
    WriteHostFile(Host(drivers + "Halvik.sys"), "old driver");
    SetTime(drivers + "Halvik.sys", 1056964608);  // 2003-06-30 09:16:48
    WriteHostFile(Host("C:\\WINDOWS\\stale.tmp"), "stale");
    SetValue("SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E965-E325-11CE-BFC1-08002BE10318}", "LowerFilters",
             REG_MULTI_SZ, std::string("redbook\0\0", 9));
    SetValue("SOFTWARE\\Old", "Gone", REG_SZ, std::string("bye\0", 4));
    std::string error;
    ASSERT_TRUE(winsim::SaveSnapshot(dir_, snapshot_, error)) << error;

    // What an installation does.
    ASSERT_TRUE(CopyFileA((drivers + "Halvik.sys").c_str(), (drivers + "Halvik.BAK").c_str(), FALSE));
    WriteHostFile(Host(drivers + "Halvik.sys"), "new driver, longer");
    SetTime(drivers + "Halvik.sys", 1056964608 + 86400);
    ASSERT_TRUE(SetFileAttributesA((drivers + "Halvik.sys").c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(DeleteFileA("C:\\WINDOWS\\stale.tmp"));
    ASSERT_TRUE(CreateDirectoryA("C:\\Program Files", nullptr));
    SetValue("SYSTEM\\CurrentControlSet\\Services\\Halvik", "Start", REG_DWORD, std::string("\x01\0\0\0", 4));
    SetValue("SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E965-E325-11CE-BFC1-08002BE10318}", "LowerFilters",
             REG_MULTI_SZ, std::string("redbook\0Halvik\0\0", 16));
    SetValue("SYSTEM\\CurrentControlSet\\Control\\Session Manager", "PendingFileRenameOperations", REG_MULTI_SZ,
             std::string("\\??\\C:\\a.txt\0\0\0", 15));
    HKEY software;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_ALL_ACCESS, &software), ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteKeyA(software, "Old"), ERROR_SUCCESS);
    RegCloseKey(software);

    std::string listing = Listing(snapshot_, dir_);
    const std::string bak = ReadHostFile(Host(drivers + "Halvik.BAK"));
    EXPECT_EQ(listing,
              "files:\n"
              "  + C:\\Program Files\\\n"
              "  - C:\\WINDOWS\\stale.tmp (5 bytes, written " +
                  listing.substr(listing.find("stale.tmp (5 bytes, written ") + 28, 19) +
                  ", normal)\n"
                  "  + C:\\WINDOWS\\system32\\drivers\\Halvik.BAK (10 bytes, written 2003-06-30 09:16:48, archive)\n"
                  "  ~ C:\\WINDOWS\\system32\\drivers\\Halvik.sys: size 10 -> 18, written 2003-06-30 09:16:48 -> "
                  "2003-07-01 09:16:48, contents changed, attributes normal -> read-only\n"
                  "registry:\n"
                  "  - [HKEY_LOCAL_MACHINE\\SOFTWARE\\Old]\n"
                  "      - \"Gone\" = \"bye\"\n"
                  "  ~ [HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E965-E325-11CE-BFC1-"
                  "08002BE10318}]\n"
                  "      ~ \"LowerFilters\" = multi_sz:\"redbook\" -> multi_sz:\"redbook\",\"Halvik\"\n"
                  "  ~ [HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Session Manager]\n"
                  "      + \"PendingFileRenameOperations\" = multi_sz:\"\\\\??\\\\C:\\\\a.txt\",\"\"\n"
                  "  + [HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Halvik]\n"
                  "      + \"Start\" = dword:00000001\n");
    EXPECT_EQ(bak, "old driver");
    // Directories and snapshots answer alike.
    CopyMachine();
    EXPECT_EQ(Listing(before_, dir_), "no changes\n");
}

TEST_F(Diff, BadSnapshotsAndMissingMachinesAreNamed) {
    std::string listing, error;
    EXPECT_FALSE(winsim::DiffMachines(dir_ + ".none", dir_, listing, error));
    EXPECT_NE(error.find("no machine directory or snapshot file"), std::string::npos) << error;
    WriteHostFile(snapshot_, "something else\n");
    EXPECT_FALSE(winsim::DiffMachines(snapshot_, dir_, listing, error));
    EXPECT_NE(error.find("not a winsim snapshot"), std::string::npos) << error;
    WriteHostFile(snapshot_, "winsim snapshot 1\nF\tC:\\x\t12\n");
    EXPECT_FALSE(winsim::DiffMachines(snapshot_, dir_, listing, error));
    EXPECT_NE(error.find("line 2"), std::string::npos) << error;
    WriteHostFile(snapshot_, "winsim snapshot 1\nV\tHKEY_USERS\tname\t1\t6a7\n");
    EXPECT_FALSE(winsim::DiffMachines(snapshot_, dir_, listing, error));
    EXPECT_NE(error.find("hex data"), std::string::npos) << error;
    fs::create_directories(before_);
    EXPECT_FALSE(winsim::DiffMachines(before_, dir_, listing, error));
    EXPECT_NE(error.find("no machine.ini"), std::string::npos) << error;
}

TEST_F(Diff, TheToolExitsLikeDiff) {
    CopyMachine();
    auto run = [](const std::string& command, std::string& output) {
        FILE* pipe = popen(command.c_str(), "r");
        char buffer[512];
        output.clear();
        while (pipe && std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
        int status = pipe ? pclose(pipe) : -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    std::string output;
    EXPECT_EQ(run(std::string(WINSIM_TOOL) + " diff " + before_ + " " + dir_, output), 0);
    EXPECT_EQ(output, "no changes\n");
    WriteHostFile(Host("C:\\new.txt"), "n");
    EXPECT_EQ(run(std::string(WINSIM_TOOL) + " snapshot " + dir_ + " " + snapshot_, output), 0);
    EXPECT_EQ(run(std::string(WINSIM_TOOL) + " diff " + before_ + " " + snapshot_, output), 1);
    EXPECT_EQ(output.substr(0, 24), "files:\n  + C:\\new.txt (1");
    EXPECT_EQ(run(std::string(WINSIM_TOOL) + " diff " + before_ + " /nonexistent 2>/dev/null", output), 2);
}

}  // namespace
