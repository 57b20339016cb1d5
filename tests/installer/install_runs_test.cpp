// Whole silent installations as processes on simulated machines: what lands
// where, what a second run and a forced run do, and damaged archives.
#include <gtest/gtest.h>

#include "header_places.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <windows.h>

#include "machine_fixture.h"

namespace {

std::string Shell(const std::string& command) { return RunShell(command); }

class Install : public MachineTest {
protected:
    void Prepare(const std::string& profile) {
        UseFreshMachine(profile);
        std::filesystem::copy_file(HALVINST_EXE, dir_ + "/d/HALVINST.EXE");
    }
    // Runs the installer from the CD-ROM drive; returns the status code of the exit code.
    unsigned Run(const std::string& args, std::string* output = nullptr) {
        std::string out = Shell(std::string(WINSIM_TOOL) + " run '" + dir_ + "' -- 'D:\\HALVINST.EXE' " + args);
        if (output) *output = out;
        unsigned code = 0;
        EXPECT_EQ(std::sscanf(out.c_str(), "exit code 0x%x", &code), 1) << out;
        return code >> 20;
    }
    std::string Log() {
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        return ReadHostFile(Host(std::string(temp) + "HALVINST.LOG"));
    }
    std::string Filters() {
        return RegistryText(
            "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E965-E325-11CE-BFC1-08002BE10318}");
    }
    std::string Service() { return RegistryText("HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Halvik"); }
};

bool SameBytes(const std::string& a, const std::string& b) { return ReadHostFile(a) == ReadHostFile(b); }

TEST_F(Install, EachWindowsGetsItsDriver) {
    const struct {
        const char* profile;
        const char* driver;
        const char* carried;
        bool service, filter;
    } rows[] = {
        {"win98", "C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\Halvik.vxd", "HALVIK.VXD", false, false},
        {"nt4", "C:\\WINNT\\system32\\drivers\\Halvik.sys", "HALVIK.SYS", true, false},
        {"win2000", "C:\\WINNT\\system32\\drivers\\Halvik.sys", "HALVIK2K.SYS", true, true},
        {"winxp", "C:\\WINDOWS\\system32\\drivers\\Halvik.sys", "HALVIK2K.SYS", true, true},
    };
    for (const auto& row : rows) {
        Prepare(row.profile);
        EXPECT_EQ(Run("SILENT LEAVELOG"), 2u) << row.profile;
        EXPECT_TRUE(SameBytes(Host(row.driver), std::string(PAYLOAD_BUILD_DIR) + "/" + row.carried)) << row.profile;
        std::string system = winsim::CurrentProfile().systemDir;
        EXPECT_TRUE(HostFileExists(Host(system + "\\halvunin.exe"))) << row.profile;
        EXPECT_EQ(Service().find("\"Group\"=\"Filter\"") != std::string::npos, row.service) << row.profile;
        EXPECT_EQ(Filters().find("\"LowerFilters\"=hex(7):48,61,6c,76,69,6b,00,00") != std::string::npos, row.filter)
            << row.profile << Filters();
        std::string log = Log();
        for (const char* phase : {"Image file creation success", "Parsing registry file", "Attempting LowerFilters Insertion",
                                  "Starting image file cleanup pass - partial cleanup", "Reboot supressed, silent install"})
            EXPECT_NE(log.find(phase), std::string::npos) << row.profile << ": " << phase;
        EXPECT_NE(RegistryText("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Talven Halvik"), "");
    }
}

TEST_F(Install, ASecondRunIsUpToDateAndForceReplacesAgain) {
    Prepare("winxp");
    ASSERT_EQ(Run("SILENT"), 2u);
    std::string driver = Host("C:\\WINDOWS\\system32\\drivers\\Halvik.sys");
    EXPECT_EQ(Run("SILENT LEAVELOG"), 0u) << "nothing to upgrade";
    std::string log = Log();
    EXPECT_EQ(log.find("Move immediate"), std::string::npos) << log;
    EXPECT_NE(log.find("registry parse succeeded"), std::string::npos);
    EXPECT_NE(log.find("Starting image file cleanup pass - full cleanup"), std::string::npos);
    EXPECT_EQ(Filters().find("48,61,6c,76,69,6b,00,48"), std::string::npos) << "the filter is not listed twice";
    EXPECT_FALSE(HostFileExists(Host("C:\\WINDOWS\\system32\\drivers\\Halvik.BAK")));

    EXPECT_EQ(Run("SILENT FORCE"), 2u);
    EXPECT_TRUE(SameBytes(Host("C:\\WINDOWS\\system32\\drivers\\Halvik.BAK"), driver)) << "the forced run made a backup";
    EXPECT_FALSE(HostFileExists(Host("C:\\WINDOWS\\system32\\halvunin.BAK"))) << "the uninstaller has no backup";
}

// The 95 family's installed VxD (an LE executable) is replaced by the
// carried one when it is older or has no version, and kept when it is the
// same or newer.
TEST_F(Install, TheVxdIsUpgradedByItsVersionOnThe95Family) {
    const std::string payload = std::string(PAYLOAD_BUILD_DIR) + "/";
    const struct {
        const char* installed;
        bool replaced;
    } rows[] = {
        {"variants/7.1.0.188/HALVIK.VXD", true},
        {"variants/none/HALVIK.VXD", true},
        {"HALVIK.VXD", false},
        {"variants/7.2.0.0/HALVIK.VXD", false},
    };
    for (const char* profile : {"win95", "win98", "winme"}) {
        for (const auto& row : rows) {
            Prepare(profile);
            const std::string driver = Host("C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\Halvik.vxd");
            std::filesystem::create_directories(std::filesystem::path(driver).parent_path());
            std::filesystem::copy_file(payload + row.installed, driver);
            unsigned code = Run("SILENT LEAVELOG");
            EXPECT_LT(code, 2048u) << profile << " " << row.installed << "\n" << Log();
            EXPECT_TRUE(SameBytes(driver, payload + (row.replaced ? "HALVIK.VXD" : row.installed)))
                << profile << " " << row.installed;
            const std::string backup = Host("C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\Halvik.BAK");
            EXPECT_EQ(HostFileExists(backup), row.replaced) << profile << " " << row.installed;
            if (row.replaced) {
                EXPECT_TRUE(SameBytes(backup, payload + row.installed)) << "the replaced driver is backed up";
            }
        }
    }
}

TEST_F(Install, ALockedDriverFailsTheRunAndKeepsTheLog) {
    Prepare("winxp");
    ASSERT_EQ(Run("SILENT"), 2u);
    // In a forced run the second copy is the driver's backup.
    std::string out = Shell("WINSIM_FAIL='CopyFileA:2:32' " + std::string(WINSIM_TOOL) + " run '" + dir_ +
                            "' -- 'D:\\HALVINST.EXE' SILENT FORCE");
    unsigned code = 0;
    ASSERT_EQ(std::sscanf(out.c_str(), "exit code 0x%x", &code), 1) << out;
    EXPECT_EQ(code >> 20, 2066u);
    std::string log = Log();
    EXPECT_NE(log.find("Starting image file cleanup pass - full cleanup"), std::string::npos) << log;
    EXPECT_NE(log.find("Final Status 0x"), std::string::npos);
}

// The stored bytes of each entry, found by walking the headers behind the stub.
std::vector<size_t> EntryDataOffsets(const std::string& image) {
    std::vector<size_t> offsets;
    size_t at = std::filesystem::file_size(STUB_EXE);
    while (true) {
        at = image.find(std::string("gW\x04\x01", 4), at);
        if (at == std::string::npos) break;
        unsigned nameLength = static_cast<unsigned char>(image[at + 6]) | static_cast<unsigned char>(image[at + 7]) << 8;
        if (nameLength == 0) break;
        size_t attributes = at + 8 + nameLength;
        unsigned stored = 0;
        for (int i = 3; i >= 0; --i) stored = stored << 8 | static_cast<unsigned char>(image[attributes + 10 + i]);
        unsigned extra = 0;
        for (int i = 1; i >= 0; --i) extra = extra << 8 | static_cast<unsigned char>(image[attributes + 31 + i]);
        size_t data = attributes + 33 + extra;
        offsets.push_back(data + stored / 2);
        at = data + stored;
    }
    return offsets;
}

TEST_F(Install, ADamagedArchiveChangesNothing) {
    std::string image = ReadHostFile(HALVINST_EXE);
    std::vector<size_t> offsets = EntryDataOffsets(image);
    ASSERT_EQ(offsets.size(), 5u);
    for (size_t entry = 0; entry < offsets.size(); ++entry) {
        UseFreshMachine("winxp");
        std::string damaged = image;
        damaged[offsets[entry]] = static_cast<char>(damaged[offsets[entry]] ^ 0x10);
        Restamp(damaged);  // past the setup's own digest, to the entry's CRC-32
        WriteHostFile(dir_ + "/d/HALVINST.EXE", damaged);
        std::filesystem::permissions(dir_ + "/d/HALVINST.EXE", std::filesystem::perms::owner_all);
        std::string snapshot = dir_ + ".before";
        Shell(std::string(WINSIM_TOOL) + " snapshot '" + dir_ + "' '" + snapshot + "'");
        EXPECT_EQ(Run("SILENT"), 2069u) << "entry " << entry;
        std::string diff = Shell(std::string(WINSIM_TOOL) + " diff '" + snapshot + "' '" + dir_ + "'");
        std::filesystem::remove(snapshot);
        EXPECT_EQ(diff.find(".tmp"), std::string::npos) << "entry " << entry << ": " << diff;
        EXPECT_EQ(diff.find(".TMP"), std::string::npos) << "entry " << entry << ": " << diff;
        EXPECT_EQ(diff.find("Halvik"), std::string::npos) << "entry " << entry << ": " << diff;
        EXPECT_NE(Log().find("cxTestFile failure 0xFFFFFFF9"), std::string::npos) << "entry " << entry;
    }
}

// Runs that cannot write or read a carried file must end in an error and
// leave the driver, the uninstaller and the registry as they were: only the
// kept log may differ.
class FailedRun : public Install {
protected:
    void Prepare(const std::string& profile) {
        Install::Prepare(profile);
        std::filesystem::copy_file(std::string(PAYLOAD_BUILD_DIR) + "/variants/7.1.0.188/HALVIK.SYS",
                                   Host("C:\\WINDOWS\\system32\\drivers\\Halvik.sys"));
        snapshot_ = dir_ + ".before";
        Shell(std::string(WINSIM_TOOL) + " snapshot '" + dir_ + "' '" + snapshot_ + "'");
    }
    unsigned RunWith(const std::string& faults) {
        std::string out = Shell((faults.empty() ? "" : "WINSIM_FAIL='" + faults + "' ") + std::string(WINSIM_TOOL) +
                                " run '" + dir_ + "' -- 'D:\\HALVINST.EXE' SILENT");
        unsigned code = 0;
        EXPECT_EQ(std::sscanf(out.c_str(), "exit code 0x%x", &code), 1) << out;
        return code >> 20;
    }
    // The changes since Prepare, one per line, without the kept log's.
    std::string Changes() {
        std::string diff = Shell(std::string(WINSIM_TOOL) + " diff '" + snapshot_ + "' '" + dir_ + "'");
        std::filesystem::remove(snapshot_);
        return DiffChanges(diff, "HALVINST.LOG");
    }
    std::string snapshot_;
};

TEST_F(FailedRun, AFolderInTheWayOfTheCodecsTemporaryFile) {
    // The driver's entry comes second, so its temporary file is the process's second.
    Prepare("winxp");
    std::filesystem::create_directories(Host("C:\\WINDOWS\\system32\\drivers\\CX00002.$$$"));
    EXPECT_EQ(RunWith(""), 2069u);
    std::string changes = Changes();
    EXPECT_EQ(changes.find("Halvik"), std::string::npos) << changes;
    EXPECT_EQ(changes.find("halvunin"), std::string::npos) << changes;
    EXPECT_EQ(changes.find("HKEY"), std::string::npos) << changes;
    EXPECT_NE(Log().find("was not written"), std::string::npos);
}

TEST_F(FailedRun, AReadErrorOnTheDisc) {
    // Which call reads what depends on the build (an instrumented stub is larger);
    // a read that fails may be retried unharmed, but never give a wrong file.
    unsigned errors = 0;
    for (int n : {45, 60, 90, 120}) {
        Prepare("winxp");
        unsigned code = RunWith("ReadFile:" + std::to_string(n) + ":5");
        std::string changes = Changes();
        if (code >= 2048) {
            ++errors;
            EXPECT_EQ(code, 2069u) << n;
            EXPECT_EQ(changes, "") << n;
        } else {
            EXPECT_TRUE(SameBytes(Host("C:\\WINDOWS\\system32\\drivers\\Halvik.sys"),
                                  std::string(PAYLOAD_BUILD_DIR) + "/HALVIK2K.SYS"))
                << n;
        }
    }
    EXPECT_GT(errors, 0u);
}

TEST_F(FailedRun, RefusedPlatformsAreErrors) {
    UseFreshMachine("win32s");
    std::filesystem::copy_file(HALVINST_EXE, dir_ + "/d/HALVINST.EXE");
    EXPECT_EQ(Run("SILENT"), 2052u);
    Install::Prepare("winxp");
    std::string out = Shell("WINSIM_FAIL='GetVersionExA:1:87' " + std::string(WINSIM_TOOL) + " run '" + dir_ +
                            "' -- 'D:\\HALVINST.EXE' SILENT");
    unsigned code = 0;
    ASSERT_EQ(std::sscanf(out.c_str(), "exit code 0x%x", &code), 1) << out;
    EXPECT_EQ(code >> 20, 2052u);
    EXPECT_NE(Log().find("GetVersionEx failed 0x00000057"), std::string::npos);
}

// VERSION.dll is loaded at run time from the system directory: a load that
// fails fails the run before it changes anything, never reads as "no
// version" (which would replace a newer driver).
TEST_F(FailedRun, ASystemDllThatDoesNotLoadFailsTheRun) {
    Prepare("winxp");
    EXPECT_EQ(RunWith("LoadLibraryA:1:126"), 2067u);
    EXPECT_EQ(Changes(), "") << "the older driver stays";
    std::string log = Log();
    EXPECT_NE(log.find("LoadLibrary failed on C:\\WINDOWS\\system32\\version.dll 0x0000007E"), std::string::npos)
        << log;
    EXPECT_EQ(log.find("Image file creation"), std::string::npos) << log;
}

}  // namespace
