// Runs that meet across a restart: an uninstall and an install before
// Windows starts again, in both orders, with the driver in use or not. The
// operations the first run left for the restart never undo the second.
#include <gtest/gtest.h>

#include <functional>

#include "uninstaller_fixture.h"

namespace {

const char kClass[] = "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E965-E325-11CE-BFC1-08002BE10318}";
const char kEntry[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Talven Halvik";
const char kService[] = "SYSTEM\\CurrentControlSet\\Services\\Halvik";

std::string Value(const char* path, const char* name) {
    HKEY key;
    char data[4096] = {};
    DWORD size = sizeof data - 2, type = 0;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return "";
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) != ERROR_SUCCESS) size = 0;
    RegCloseKey(key);
    return std::string(data, size);
}

class AcrossRestart : public Uninstall {
protected:
    std::string Driver() {
        return (winsim::CurrentProfile().platformId == 1) ? "C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\Halvik.vxd"
                                                 : System32() + "\\drivers\\Halvik.sys";
    }
    // The product as an install leaves it, seen after a restart.
    void ExpectInstalled(const std::string& where) {
        EXPECT_TRUE(HostFileExists(Host(Driver()))) << where;
        EXPECT_TRUE(HostFileExists(Host(System32() + "\\HALVUNIN.EXE"))) << where;
        EXPECT_TRUE(KeyExists(kEntry)) << where;
        if ((winsim::CurrentProfile().platformId == 1)) return;
        EXPECT_TRUE(KeyExists(kService)) << where;
        if (where.find("nt4") == std::string::npos) {
            EXPECT_NE(Lower(Value(kClass, "LowerFilters")).find("halvik"), std::string::npos) << where;
        }
    }
    static std::string Fault(bool inUse) { return inUse ? "WINSIM_FAIL='DeleteFileA:1:32'" : ""; }
};

TEST_F(AcrossRestart, AnInstallAfterAnUninstallSurvivesTheRestart) {
    for (const char* profile : {"win98", "nt4", "win2000", "winxp"}) {
        for (bool inUse : {false, true}) {
            std::string where = std::string(profile) + (inUse ? " driver in use" : "");
            Prepare(profile);
            std::string before = Snapshot("before");
            ASSERT_EQ(Install(), 2u) << where;
            ASSERT_EQ(Remove("SILENT", Fault(inUse)), inUse ? 2u : 1u) << where << Log();
            EXPECT_EQ(Install("SILENT LEAVELOG"), 2u) << where;
            std::string log = ReadHostFile(Host(winsim::CurrentProfile().tempPath + "HALVINST.LOG"));
            EXPECT_NE(log.find("was to change at the next restart, installing it anew"), std::string::npos)
                << where << log;
            Reboot();
            ExpectInstalled(where);
            // And the product so installed uninstalls as any other.
            EXPECT_EQ(Remove(), 1u) << where << Log();
            Reboot();
            EXPECT_TRUE(OnlyLogs(Diff(before))) << where << "\n" << Diff(before);
        }
    }
}

TEST_F(AcrossRestart, AnUninstallAfterAnInstallWaitingForItsRestartLeavesNothing) {
    for (const char* profile : {"win98", "nt4", "win2000", "winxp"}) {
        for (bool inUse : {false, true}) {
            std::string where = std::string(profile) + (inUse ? " driver in use" : "");
            Prepare(profile);
            std::string before = Snapshot("before");
            ASSERT_EQ(Install(), 2u) << where << ": the install waits for a restart";
            ASSERT_EQ(Install("SILENT FORCE"), 2u) << where << ": and again, with a backup";
            EXPECT_EQ(Remove("SILENT", Fault(inUse)), inUse ? 2u : 1u) << where << Log();
            Reboot();
            EXPECT_TRUE(OnlyLogs(Diff(before))) << where << "\n" << Diff(before);
        }
    }
}

// A replacement of the driver waiting for the restart, as an earlier install
// leaves one when it cannot replace the file at once: the uninstall takes it
// back, so that the restart does not bring the driver back.
TEST_F(AcrossRestart, AWaitingReplacementOfTheDriverIsTakenBackByTheUninstall) {
    for (const char* profile : {"win98", "winxp"}) {
        Prepare(profile);
        std::string waiting = (winsim::CurrentProfile().platformId == 1) ? "C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\HALVNEW.TMP"
                                                                 : System32() + "\\drivers\\HALVNEW.TMP";
        WriteHostFile(Host(waiting), "a newer driver");
        std::string before = Snapshot("before");
        ASSERT_EQ(Install(), 2u) << profile;
        if ((winsim::CurrentProfile().platformId == 1)) {
            std::string wininit = Host("C:\\WINDOWS\\wininit.ini");
            WriteHostFile(wininit, "[RENAME]\r\n" + Driver() + "=" + waiting + "\r\n");
        } else {
            ASSERT_TRUE(MoveFileExA(waiting.c_str(), Driver().c_str(),
                                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT));
        }
        std::string waitingState = Snapshot("waiting");
        EXPECT_EQ(Remove("SILENT LEAVELOG"), 1u) << profile << Log();
        EXPECT_NE(Log().find("Taking back"), std::string::npos) << profile << Log();
        Reboot();
        EXPECT_FALSE(HostFileExists(Host(Driver()))) << profile << ": the restart brought the driver back";
        EXPECT_TRUE(HostFileExists(Host(waiting))) << profile << ": not ours to delete";
    }
}

// Someone else's move over the driver, waiting for the restart, would
// replace the driver this install puts in place.
TEST_F(AcrossRestart, AnInstallTakesBackAnotherFilesMoveOverItsDriver) {
    Prepare("winxp");
    std::string other = System32() + "\\drivers\\OTHER.SYS";
    WriteHostFile(Host(other), "not the driver");
    ASSERT_TRUE(MoveFileExA(other.c_str(), Driver().c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT));
    ASSERT_EQ(Install(), 2u);
    Reboot();
    EXPECT_NE(ReadHostFile(Host(Driver())), "not the driver");
    EXPECT_TRUE(HostFileExists(Host(other)));
}

}  // namespace

namespace {

// The second run cut short at every machine-changing call, by a kill or by
// a failure: the next run of the same program completes, and what the
// restart then leaves is what that program promised.
class AcrossRestartCut : public AcrossRestart {
protected:
    // Many runs: the machines live in memory where there is such a place.
    AcrossRestartCut() {
        if (std::filesystem::is_directory("/dev/shm")) machineBase_ = "/dev/shm";
    }
    unsigned long Calls(const std::function<unsigned(const std::string&)>& run) {
        std::string counts = dir_ + ".calls";
        snapshots_.push_back(counts);
        run("WINSIM_CALLS='" + counts + "'");
        std::string listing = ReadHostFile(counts);
        unsigned long calls = 0;
        size_t at = listing.find("* ");
        if (at != std::string::npos) calls = std::stoul(listing.substr(at + 2));
        return calls;
    }
    void Restore(const std::string& copy) { RunShell("rm -rf '" + dir_ + "' && cp -a '" + copy + "' '" + dir_ + "'"); }
    std::string Keep(const std::string& name) {
        std::string copy = dir_ + "." + name;
        snapshots_.push_back(copy);
        RunShell("rm -rf '" + copy + "' && cp -a '" + dir_ + "' '" + copy + "'");
        return copy;
    }
};

// A kill at each machine-changing call of the install that follows an
// uninstall (the 95 family with the driver deleted at once, XP with the
// driver in use): the next install completes, or finds the killed one
// complete, and the restart leaves the product installed.
TEST_F(AcrossRestartCut, AnInstallAfterAnUninstallKilledAnywhereIsCompletedByTheNext) {
    for (auto [profile, inUse] : {std::make_pair("win98", false), std::make_pair("winxp", true)}) {
        Prepare(profile);
        ASSERT_EQ(Install(), 2u) << profile;
        ASSERT_EQ(Remove("SILENT", Fault(inUse)), inUse ? 2u : 1u) << profile;
        std::string removed = Keep("removed");
        unsigned long calls = Calls([&](const std::string& env) { return RunProgram("'D:\\HALVINST.EXE'", "SILENT", env); });
        ASSERT_GT(calls, 10u) << profile;
        for (unsigned long n = 1; n <= calls; ++n) {
            std::string where = std::string(profile) + " install killed at " + std::to_string(n);
            Restore(removed);
            RunProgram("'D:\\HALVINST.EXE'", "SILENT", "WINSIM_FAIL='*:" + std::to_string(n) + ":KILL'");
            unsigned code = Install();
            EXPECT_TRUE(code == 0u || code == 2u) << where << " then " << code;
            Reboot();
            ExpectInstalled(where);
        }
    }
}

// A kill at each machine-changing call of an uninstall that follows an
// install still waiting for its restart: the next uninstall completes, and
// the restart leaves nothing of ours but logs.
TEST_F(AcrossRestartCut, AnUninstallAfterAnInstallKilledAnywhereIsCompletedByTheNext) {
    for (auto [profile, inUse] : {std::make_pair("win98", true), std::make_pair("winxp", false)}) {
        Prepare(profile);
        std::string before = Snapshot("before");
        ASSERT_EQ(Install(), 2u) << profile;
        ASSERT_EQ(Install("SILENT FORCE"), 2u) << profile;
        std::string installed = Keep("installed");
        unsigned long calls = Calls([&](const std::string& env) { return Remove("SILENT", env); });
        ASSERT_GT(calls, 10u) << profile;
        for (unsigned long n = 1; n <= calls; ++n) {
            std::string where = std::string(profile) + " uninstall killed at " + std::to_string(n);
            Restore(installed);
            Remove("SILENT", "WINSIM_FAIL='*:" + std::to_string(n) + ":KILL" + (inUse ? ";DeleteFileA:1:32'" : "'"));
            EXPECT_LE(RunProgram(std::string("'") + HALVUNIN_EXE + "'", "SILENT"), 2u) << where;
            Reboot();
            EXPECT_TRUE(OnlyLogs(Diff(before))) << where << "\n" << Diff(before);
        }
    }
}

// A failure at each machine-changing call of the install that follows an
// uninstall, and of an uninstall that takes back a waiting replacement: a
// failed run leaves the machine as it found it, the deletions and the
// replacement still waiting; a run that succeeds is final.
TEST_F(AcrossRestartCut, AFailureAnywhereInTheSecondRunLeavesTheFirstRunsOperationsWaiting) {
    for (const char* profile : {"win98", "nt4", "win2000", "winxp"}) {
        Prepare(profile);
        ASSERT_EQ(Install(), 2u) << profile;
        ASSERT_EQ(Remove(), 1u) << profile;
        std::string removed = Keep("removed");
        std::string removedState = Snapshot("removed-state");
        unsigned long calls = Calls([&](const std::string& env) { return RunProgram("'D:\\HALVINST.EXE'", "SILENT", env); });
        for (unsigned long n = 1; n <= calls; ++n) {
            std::string where = std::string(profile) + " install fails at " + std::to_string(n);
            Restore(removed);
            unsigned code = RunProgram("'D:\\HALVINST.EXE'", "SILENT", "WINSIM_FAIL='*:" + std::to_string(n) + ":87'");
            if (code >= 2048) {
                std::string diff = Diff(removedState);
                EXPECT_TRUE(OnlyLogs(diff)) << where << " status " << code << "\n" << diff;
                continue;
            }
            EXPECT_EQ(code, 2u) << where;
            Reboot();
            ExpectInstalled(where);
        }
    }
}

TEST_F(AcrossRestartCut, AFailureAnywhereInTheUninstallKeepsTheWaitingReplacement) {
    for (const char* profile : {"win98", "winxp"}) {
        Prepare(profile);
        bool nineX = winsim::CurrentProfile().platformId == 1;
        std::string waiting = (nineX ? std::string("C:\\WINDOWS\\SYSTEM\\IOSUBSYS") : System32() + "\\drivers") +
                              "\\HALVNEW.TMP";
        WriteHostFile(Host(waiting), "a newer driver");
        ASSERT_EQ(Install(), 2u) << profile;
        if (nineX) {
            WriteHostFile(Host("C:\\WINDOWS\\wininit.ini"), "[RENAME]\r\n" + Driver() + "=" + waiting + "\r\n");
        } else {
            ASSERT_TRUE(MoveFileExA(waiting.c_str(), Driver().c_str(),
                                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT));
        }
        std::string installed = Keep("installed");
        std::string installedState = Snapshot("installed-state");
        unsigned long calls = Calls([&](const std::string& env) { return Remove("SILENT", env); });
        for (unsigned long n = 1; n <= calls; ++n) {
            std::string where = std::string(profile) + " uninstall fails at " + std::to_string(n);
            Restore(installed);
            unsigned code = Remove("SILENT", "WINSIM_FAIL='*:" + std::to_string(n) + ":87'");
            if (code >= 2048) {
                std::string diff = Diff(installedState);
                EXPECT_TRUE(OnlyLogs(diff)) << where << " status " << code << "\n" << diff;
                continue;
            }
            EXPECT_EQ(code, 1u) << where;
            Reboot();
            EXPECT_FALSE(HostFileExists(Host(Driver()))) << where;
        }
    }
}

}  // namespace
