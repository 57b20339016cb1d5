// Uninstalls cut short: a kill at every machine-changing call, a failed look
// for a file, a processor fault at the run's end. Whatever the cut, the
// machine after the restart is never the dead-drive state (the class filter
// listed without its driver), keeps the uninstall entry while anything else
// of ours is left, and the next uninstall completes.
#include <gtest/gtest.h>

#include <cstring>

#include "uninstaller_fixture.h"

namespace {

const char kClass[] = "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E965-E325-11CE-BFC1-08002BE10318}";
const char kEntry[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Talven Halvik";

bool FilterListed() {
    HKEY key;
    DWORD type = 0, size = 512;
    char data[514] = {};
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kClass, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
    LONG error = RegQueryValueExA(key, "LowerFilters", nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (error != ERROR_SUCCESS) return false;
    for (DWORD at = 0; at < size; at += static_cast<DWORD>(std::strlen(data + at)) + 1)
        if (Lower(data + at) == "halvik") return true;
    return false;
}

class InterruptedUninstall : public Uninstall {
protected:
    // Many runs: the machines live in memory where there is such a place.
    InterruptedUninstall() {
        if (std::filesystem::is_directory("/dev/shm")) machineBase_ = "/dev/shm";
    }
    std::string Driver(const std::string& profile) {
        return profile == "win98" ? "C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\Halvik.vxd"
                                  : System32() + "\\drivers\\Halvik.sys";
    }
    // Installs, keeps a copy of the installed machine and counts the
    // uninstall's machine-changing calls (and each API's) in a clean run.
    unsigned long Installed(const std::string& profile, std::string& copy, std::string& counts) {
        Prepare(profile);
        before_ = Snapshot("before");
        EXPECT_EQ(Install(), 2u) << profile;
        copy = dir_ + ".installed";
        counts = dir_ + ".calls";
        snapshots_.push_back(copy);
        snapshots_.push_back(counts);
        RunShell("rm -rf '" + copy + "' && cp -a '" + dir_ + "' '" + copy + "'");
        installed_ = Snapshot("installed");
        EXPECT_EQ(Remove("SILENT", "WINSIM_CALLS='" + counts + "'"), 1u) << profile;
        return Count(ReadHostFile(counts), "*");
    }
    static unsigned long Count(const std::string& listing, const std::string& api) {
        std::istringstream in(listing);
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line[0] == '+') line.erase(0, 1);
            if (line.rfind(api + " ", 0) == 0) return std::stoul(line.substr(api.size() + 1));
        }
        return 0;
    }
    void Restore(const std::string& copy) { RunShell("rm -rf '" + dir_ + "' && cp -a '" + copy + "' '" + dir_ + "'"); }
    // The next uninstall (the program built, since the installed one may be
    // gone), then a restart: nothing of ours but logs.
    void NextUninstallCompletes(const std::string& where) {
        unsigned code = RunProgram(std::string("'") + HALVUNIN_EXE + "'", "SILENT");
        EXPECT_LE(code, 2u) << where << Log();
        Reboot();
        std::string diff = Diff(before_);
        EXPECT_TRUE(OnlyLogs(diff)) << where << "\n" << diff;
    }
    std::string before_, installed_;
};

// Items of ours after a restart, apart from the logs and the journal that
// the next run of either program plays back.
bool OnlyLogsAndJournal(const std::string& listing) {
    for (const std::string& line : Changes(listing)) {
        std::string lower = Lower(line);
        if (lower.find("\\halvik.jnl") != std::string::npos || lower.find("\\halvik.0") != std::string::npos) continue;
        if (!OnlyLogs(line + "\n")) return false;
    }
    return true;
}

TEST_F(InterruptedUninstall, AKillAnywhereLeavesNoFilterWithoutItsDriverAndKeepsTheEntry) {
    for (const char* profile : {"win2000", "winxp"}) {
        std::string copy, counts;
        unsigned long calls = Installed(profile, copy, counts);
        ASSERT_GT(calls, 10u) << profile;
        for (unsigned long n = 1; n <= calls; ++n) {
            std::string where = std::string(profile) + " kill at " + std::to_string(n);
            Restore(copy);
            Remove("SILENT", "WINSIM_FAIL='*:" + std::to_string(n) + ":KILL'");
            Reboot();
            bool driver = HostFileExists(Host(Driver(profile)));
            EXPECT_TRUE(!FilterListed() || (driver && KeyExists("SYSTEM\\CurrentControlSet\\Services\\Halvik")))
                << where << ": the filter is listed without its driver";
            if (!KeyExists(kEntry)) {
                std::string diff = Diff(before_);
                EXPECT_TRUE(OnlyLogsAndJournal(diff)) << where << ": left without an uninstall entry\n" << diff;
            }
            NextUninstallCompletes(where);
        }
    }
}

// A look for a file that fails is no "not there": the run fails and puts
// everything back, or it removes the file after all.
TEST_F(InterruptedUninstall, AFailedLookForAFileIsNeverTakenForItsAbsence) {
    for (const char* profile : {"win98", "nt4", "win2000", "winxp"}) {
        Prepare(profile);
        before_ = Snapshot("before");
        ASSERT_EQ(Install(), 2u) << profile;
        ASSERT_EQ(Install("SILENT FORCE"), 2u) << profile << ": the forced run leaves a backup";
        std::string copy = dir_ + ".installed", counts = dir_ + ".calls";
        snapshots_.push_back(copy);
        snapshots_.push_back(counts);
        RunShell("rm -rf '" + copy + "' && cp -a '" + dir_ + "' '" + copy + "'");
        installed_ = Snapshot("installed");
        ASSERT_EQ(Remove("SILENT", "WINSIM_CALLS='" + counts + "'"), 1u) << profile;
        unsigned long looks = Count(ReadHostFile(counts), "FindFirstFileA");
        ASSERT_GE(looks, 2u) << profile;
        for (const char* error : {"5", "32", "112"}) {
            for (unsigned long n = 1; n <= looks; ++n) {
                std::string where = std::string(profile) + " FindFirstFileA " + std::to_string(n) + " fails " + error;
                Restore(copy);
                unsigned code = Remove("SILENT", "WINSIM_FAIL='FindFirstFileA:" + std::to_string(n) + ":" + error + "'");
                if (code >= 2048) {
                    EXPECT_TRUE(OnlyLogs(Diff(installed_))) << where << "\n" << Diff(installed_);
                    continue;
                }
                EXPECT_LE(code, 2u) << where;
                Reboot();
                std::string diff = Diff(before_);
                EXPECT_TRUE(OnlyLogs(diff)) << where << " reported " << code << "\n" << diff;
            }
        }
    }
}

// A processor fault at any of the run's last calls: a removal that is final
// ends with its success status, one that is not is taken back with 2050.
TEST_F(InterruptedUninstall, AFaultAfterTheJournalIsClosedLeavesTheRemovalFinalAndItsStatus) {
    for (const char* profile : {"win98", "nt4", "win2000", "winxp"}) {
        std::string copy, counts;
        unsigned long calls = Installed(profile, copy, counts);
        unsigned long final = 0;
        for (unsigned long n = calls > 6 ? calls - 6 : 1; n <= calls; ++n) {
            std::string where = std::string(profile) + " fault at " + std::to_string(n);
            Restore(copy);
            unsigned code = Remove("SILENT", "WINSIM_FAIL='*:" + std::to_string(n) + ":AV'");
            if (code >= 2048) {
                EXPECT_EQ(code, 2050u) << where;
                EXPECT_TRUE(OnlyLogs(Diff(installed_))) << where << "\n" << Diff(installed_);
                continue;
            }
            ++final;
            EXPECT_EQ(code, 1u) << where << Log();
            Reboot();
            EXPECT_TRUE(OnlyLogs(Diff(before_))) << where << "\n" << Diff(before_);
        }
        EXPECT_GT(final, 0u) << profile << ": the last calls come after the commit";
    }
}

// The lock's release and the last handle closed lie outside the guarded
// steps: a fault there still ends with the run's status, for both programs.
TEST_F(InterruptedUninstall, AFaultInTheLastReleaseStillEndsWithAStatus) {
    for (const char* profile : {"win98", "nt4", "win2000", "winxp"}) {
        std::string copy, counts;
        Installed(profile, copy, counts);
        unsigned long closes = Count(ReadHostFile(counts), "CloseHandle");
        ASSERT_GT(closes, 0u) << profile;
        for (const std::string& fault : {std::string("ReleaseMutex:1:AV"), "CloseHandle:" + std::to_string(closes) + ":AV"}) {
            Restore(copy);
            EXPECT_EQ(Remove("SILENT", "WINSIM_FAIL='" + fault + "'"), 1u) << profile << " " << fault;
        }
        // The installer's run ends through the same run control.
        Prepare(profile);
        std::string installerCounts = dir_ + ".installer-calls";
        snapshots_.push_back(installerCounts);
        RunProgram("'D:\\HALVINST.EXE'", "SILENT", "WINSIM_CALLS='" + installerCounts + "'");
        closes = Count(ReadHostFile(installerCounts), "CloseHandle");
        for (const std::string& fault : {std::string("ReleaseMutex:1:AV"), "CloseHandle:" + std::to_string(closes) + ":AV"}) {
            Prepare(profile);
            EXPECT_EQ(RunProgram("'D:\\HALVINST.EXE'", "SILENT", "WINSIM_FAIL='" + fault + "'"), 2u)
                << profile << " " << fault;
        }
    }
}

}  // namespace
