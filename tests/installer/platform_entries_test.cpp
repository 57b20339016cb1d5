// Entries of the carried set that belong to another Windows, and target
// folders that a damaged machine lacks: a run touches only what applies to
// the machine it runs on and what it made itself.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <string>

#include "machine_fixture.h"

namespace {

class PlatformEntries : public MachineTest {
protected:
    void Prepare(const std::string& profile) {
        UseFreshMachine(profile);
        std::filesystem::copy_file(HALVINST_EXE, dir_ + "/d/HALVINST.EXE");
    }
    void Snapshot() {
        snapshot_ = dir_ + ".before";
        RunShell(std::string(WINSIM_TOOL) + " snapshot '" + dir_ + "' '" + snapshot_ + "'");
    }
    // The changes since Snapshot, one per line, without the kept log's.
    std::string Changes() {
        std::string diff = RunShell(std::string(WINSIM_TOOL) + " diff '" + snapshot_ + "' '" + dir_ + "'");
        std::filesystem::remove(snapshot_);
        return DiffChanges(diff, "HALVINST.LOG");
    }
    // The status code of the silent run's exit code.
    unsigned Run() {
        std::string out = RunShell(std::string(WINSIM_TOOL) + " run '" + dir_ + "' -- 'D:\\HALVINST.EXE' SILENT LEAVELOG");
        unsigned code = 0;
        EXPECT_EQ(std::sscanf(out.c_str(), "exit code 0x%x", &code), 1) << out;
        return code >> 20;
    }
    std::string Log() { return ReadHostFile(Host("C:\\WINDOWS\\TEMP\\HALVINST.LOG")); }
    std::string snapshot_;
};

std::string Carried(const std::string& name) { return ReadHostFile(std::string(PAYLOAD_BUILD_DIR) + "/" + name); }

TEST_F(PlatformEntries, AFreshInstallOnNt4LeavesNoBackup) {
    // The 2000/XP driver goes to the same place as NT 4's; it is not extracted
    // there and must not back up the driver just put in place.
    Prepare("nt4");
    ASSERT_EQ(Run(), 2u);
    std::string drivers = Host("C:\\WINNT\\system32\\drivers");
    EXPECT_EQ(ReadHostFile(drivers + "/Halvik.sys"), Carried("HALVIK.SYS"));
    EXPECT_FALSE(HostFileExists(Host("C:\\WINNT\\system32\\drivers\\Halvik.BAK")));
}

TEST_F(PlatformEntries, AnUpgradeOnNt4BacksUpTheOlderDriverOnce) {
    Prepare("nt4");
    std::string older = ReadHostFile(std::string(PAYLOAD_BUILD_DIR) + "/variants/7.1.0.188/HALVIK.SYS");
    WriteHostFile(Host("C:\\WINNT\\system32\\drivers\\Halvik.sys"), older);
    ASSERT_EQ(Run(), 2u);
    EXPECT_EQ(ReadHostFile(Host("C:\\WINNT\\system32\\drivers\\Halvik.sys")), Carried("HALVIK.SYS"));
    EXPECT_EQ(ReadHostFile(Host("C:\\WINNT\\system32\\drivers\\Halvik.BAK")), older);
}

TEST_F(PlatformEntries, On9xTheNtDriversTouchNothing) {
    Prepare("win98");
    ASSERT_EQ(Run(), 2u);
    EXPECT_EQ(ReadHostFile(Host("C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\Halvik.vxd")), Carried("HALVIK.VXD"));
    EXPECT_FALSE(HostFileExists(Host("C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\Halvik.BAK")));
    EXPECT_FALSE(HostFileExists(Host("C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\Halvik.sys")));
}

TEST_F(PlatformEntries, A9xWithoutIosubsysFailsCleanly) {
    // A damaged 9x without system\iosubsys: the VxD's image file cannot be
    // made there. The run fails with GetTempFileName's status, says which
    // folder is missing, and neither creates nor deletes anything.
    Prepare("win98");
    std::filesystem::remove_all(Host("C:\\WINDOWS\\SYSTEM\\IOSUBSYS"));
    Snapshot();
    EXPECT_EQ(Run(), 2073u);
    EXPECT_EQ(Changes(), "");
    std::string log = Log();
    for (char& c : log) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_NE(log.find("target directory c:\\windows\\system\\iosubsys\\ is missing"), std::string::npos) << log;
    EXPECT_EQ(log.find(".tmp failed"), std::string::npos) << log;
    EXPECT_EQ(log.find("immediate delete c:\\windows\\system\\iosubsys"), std::string::npos) << log;
    // The run can be repeated once the folder is back.
    std::filesystem::create_directories(Host("C:\\WINDOWS\\SYSTEM\\IOSUBSYS"));
    EXPECT_EQ(Run(), 2u);
    EXPECT_EQ(ReadHostFile(Host("C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\Halvik.vxd")), Carried("HALVIK.VXD"));
}

}  // namespace
