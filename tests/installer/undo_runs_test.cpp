// Whole runs that fail, fault or are killed midway: the machine ends as it
// was, or, after a kill, the next run finishes the install. Also the two
// backup rules: a waiting older replacement never undoes an upgrade, and
// the first backup of the driver is kept.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include <windows.h>

#include "machine_fixture.h"

namespace {

const char kDriver[] = "C:\\WINDOWS\\system32\\drivers\\Halvik.sys";
const char kBackup[] = "C:\\WINDOWS\\system32\\drivers\\Halvik.BAK";

class Undo : public MachineTest {
protected:
    // winxp (or another Windows with its driver path) with `driver` (a
    // payload variant, or "" for none) installed.
    void Prepare(const std::string& driver, const std::string& profile = "winxp",
                 const std::string& installed = kDriver) {
        UseFreshMachine(profile);
        std::filesystem::copy_file(HALVINST_EXE, dir_ + "/d/HALVINST.EXE");
        if (!driver.empty()) {
            std::filesystem::create_directories(std::filesystem::path(Host(installed)).parent_path());
            std::filesystem::copy_file(Payload(driver), Host(installed));
        }
    }
    static std::string Payload(const std::string& name) { return std::string(PAYLOAD_BUILD_DIR) + "/" + name; }
    std::string Tool(const std::string& args, const std::string& env = "") {
        return RunShell(env + " " + WINSIM_TOOL + " " + args);
    }
    // The exit code's status code, or 0xFFFF when the process was killed.
    unsigned Run(const std::string& faults = "", const std::string& args = "SILENT") {
        std::string env = faults.empty() ? "" : "WINSIM_FAIL='" + faults + "'";
        std::string out = lastOutput_ = Tool("run '" + dir_ + "' -- 'D:\\HALVINST.EXE' " + args, env);
        // The exit code's line, wherever it stands: a sanitizer's report may come first.
        size_t at = out.find("exit code 0x");
        unsigned code = 0;
        if (at == std::string::npos || std::sscanf(out.c_str() + at, "exit code 0x%x", &code) != 1) return 0xFFFF;
        return code >> 20;
    }
    std::string Snapshot() {
        std::string file = dir_ + ".snap";
        Tool("snapshot '" + dir_ + "' '" + file + "'");
        return file;
    }
    // What changed since `snapshot`, without the log a failed run keeps.
    std::string ChangesSince(const std::string& snapshot) {
        std::string diff = Tool("diff '" + snapshot + "' '" + dir_ + "'"), out, line;
        for (size_t at = 0; at < diff.size();) {
            size_t end = diff.find('\n', at);
            line = diff.substr(at, end == std::string::npos ? std::string::npos : end - at);
            at = end == std::string::npos ? diff.size() : end + 1;
            if (line.find("HALVINST.LOG") == std::string::npos && line.find("files:") == std::string::npos &&
                line.find("no changes") == std::string::npos)
                out += line + "\n";
        }
        return out;
    }
    // 7.1.0.188 installed and 7.0.5.300 queued over it by an earlier run.
    void PreparePending() {
        Prepare("variants/7.1.0.188/HALVIK.SYS");
        const char waiting[] = "C:\\WINDOWS\\system32\\drivers\\KVT7.TMP";
        std::filesystem::copy_file(Payload("variants/7.0.5.300/HALVIK.SYS"), Host(waiting));
        // An earlier run queued KVT7.TMP over the driver and recorded it.
        std::string a = "C:\\WINDOWS\\system32\\drivers\\KVT7.TMP", b = kDriver, record;
        for (uint32_t v : {uint32_t(12 + a.size() + b.size()), uint32_t(a.size()), uint32_t(b.size())})
            for (int i = 0; i < 4; ++i) record += static_cast<char>(v >> (8 * i));
        WriteHostFile(Host("C:\\WINDOWS\\system32\\kvtinit.TMP"), record + a + b);
        std::string value = "\\??\\" + a + std::string(1, '\0') + "!\\??\\" + b + std::string(2, '\0');
        HKEY key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Session Manager", 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, &key, nullptr), 0);
        RegSetValueExA(key, "PendingFileRenameOperations", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(value.data()),
                       static_cast<DWORD>(value.size()));
        RegCloseKey(key);
    }
    // ChangesSince without time stamps: another run writes at other times.
    std::string ChangesBesidesTimes(const std::string& snapshot) {
        std::string changes, all = ChangesSince(snapshot);
        for (size_t at = 0, end; at < all.size(); at = end + 1) {
            end = all.find('\n', at);
            std::string line = all.substr(at, end - at);
            if (line.find(": written ") == std::string::npos) changes += line + "\n";
        }
        return changes;
    }
    // What the last run printed (under the sanitizers, their reports too).
    std::string lastOutput_;
    bool Same(const std::string& windowsPath, const std::string& payload) {
        return HostFileExists(Host(windowsPath)) && ReadHostFile(Host(windowsPath)) == ReadHostFile(Payload(payload));
    }
};

TEST_F(Undo, AFailedOrFaultedRunLeavesTheMachineAsItWas) {
    const char* faults[] = {
        "RegCreateKeyExA:1:5",     // the service key, after the driver was replaced
        "RegSetValueExA:7:5",      // the LowerFilters value
        "RegCreateKeyA:1:5",       // the uninstall entry, the run's last change
        "*:60:AV",                 // a processor fault inside the replacement
        "SetFileAttributesA:4:5",  // an attribute reset before the backup
        "SetFileTime:3:AV",        // a fault while the codec stamps an image it holds open
        "GetFileSize:3:AV",        // a fault while an image's size is checked
        "SetFilePointer:53:AV",    // a fault while a read file is written back
    };
    for (const char* fault : faults) {
        Prepare("variants/7.1.0.188/HALVIK.SYS");
        std::string before = Snapshot();
        unsigned code = Run(fault);
        EXPECT_GE(code, 2048u) << fault;
        EXPECT_NE(code, 0xFFFFu) << fault;
        EXPECT_EQ(ChangesSince(before), "") << fault;
        EXPECT_TRUE(Same(kDriver, "variants/7.1.0.188/HALVIK.SYS")) << fault;
        // Under the sanitizers: a fault inside the codec's work frees what it held too.
        EXPECT_EQ(lastOutput_.find("LeakSanitizer"), std::string::npos) << fault << ": " << lastOutput_;
    }
}

TEST_F(Undo, AVersionThatCannotBeReadFailsTheRunInsteadOfDecidingIt) {
    // Read as "no version", such a failure would decide the comparison and
    // install something else than a run without faults.
    const char* faults[] = {"GetFileVersionInfoSizeA:1:5", "GetFileVersionInfoA:1:32", "VerQueryValueA:1:5",
                            "GetFileVersionInfoSizeA:2:112", "VerQueryValueA:3:5"};
    for (const char* fault : faults) {
        Prepare("variants/7.1.0.188/HALVIK.SYS");
        std::string before = Snapshot();
        EXPECT_EQ(Run(fault), 2067u) << fault;
        EXPECT_EQ(ChangesSince(before), "") << fault;
        std::string log = ReadHostFile(Host("C:\\Documents and Settings\\Administrator\\Local Settings\\Temp\\HALVINST.LOG"));
        EXPECT_NE(log.find("Unable to read "), std::string::npos) << fault;
    }
}

TEST_F(Undo, AfterAKillAtAnyPhaseTheNextRunCompletesTheInstall) {
    Prepare("variants/7.1.0.188/HALVIK.SYS");
    ASSERT_EQ(Run(), 2u);
    std::string complete = Snapshot();
    std::filesystem::rename(complete, dir_ + ".complete");
    complete = dir_ + ".complete";
    // Extraction, comparison, backup, replacement, registry script, filter, uninstall entry.
    for (int call = 20; call <= 180; call += 16) {
        Prepare("variants/7.1.0.188/HALVIK.SYS");
        ASSERT_EQ(Run("*:" + std::to_string(call) + ":KILL"), 0xFFFFu) << call;
        unsigned next = Run();
        EXPECT_TRUE(next == 2u || next == 0u) << call << ": " << next;
        std::string changes = ChangesBesidesTimes(complete);
        EXPECT_EQ(changes.find("Halvik"), std::string::npos) << call << ": " << changes;
        EXPECT_EQ(changes.find(".TMP"), std::string::npos) << call << ": " << changes;
        EXPECT_EQ(changes.find("halvik."), std::string::npos) << call << ": " << changes;
        EXPECT_EQ(changes.find("Talven"), std::string::npos) << call << ": " << changes;
    }
    std::filesystem::remove(complete);
}

TEST_F(Undo, AKillAfterTheCommitStillLeavesTheRestartReported) {
    // Killed once its journal is closed but before it is deleted, the run is
    // complete; the next run finds the machine up to date and must still
    // report the restart the driver needs, until Windows has restarted.
    const std::string journal = "C:\\WINDOWS\\halvik.jnl";
    bool reached = false;
    for (int call = 1; call <= 20 && !reached; ++call) {
        Prepare("variants/7.1.0.188/HALVIK.SYS");
        ASSERT_EQ(Run("DeleteFileA:" + std::to_string(call) + ":KILL"), 0xFFFFu) << call;
        reached = HostFileExists(Host(journal)) && ReadHostFile(Host(journal)).find(" DONE ") != std::string::npos;
    }
    ASSERT_TRUE(reached) << "no kill fell between the commit and the journal's deletion";
    EXPECT_EQ(Run(), 2u);
    EXPECT_FALSE(HostFileExists(Host(journal)));
    Tool("reboot '" + dir_ + "'");
    EXPECT_EQ(Run(), 0u);
}

TEST_F(Undo, AWaitingOlderReplacementNeverUndoesTheUpgrade) {
    PreparePending();
    EXPECT_EQ(Run(), 2u);
    EXPECT_TRUE(Same(kBackup, "variants/7.1.0.188/HALVIK.SYS")) << "the installed driver is backed up";
    Tool("reboot '" + dir_ + "'");
    EXPECT_TRUE(Same(kDriver, "HALVIK2K.SYS")) << "the new driver survives the restart";
}

TEST_F(Undo, ABackupDeletionRefusedOnceLeavesNothingBehind) {
    // The run's own backups of the restart-time stores are deleted at its
    // end; a passing refusal must not leave one behind a successful run.
    PreparePending();
    ASSERT_EQ(Run(), 2u);
    std::string complete = Snapshot();
    std::filesystem::rename(complete, dir_ + ".complete");
    complete = dir_ + ".complete";
    for (int call = 1; call <= 12; ++call) {
        PreparePending();
        std::string fault = "DeleteFileA:" + std::to_string(call) + ":32";
        unsigned code = Run(fault);
        if (code >= 2048u) continue;  // a failed run: the sweep checks those
        EXPECT_EQ(code, 2u) << fault;
        std::string changes = ChangesBesidesTimes(complete);
        EXPECT_EQ(changes.find("KVT"), std::string::npos) << fault << ": " << changes;
    }
    std::filesystem::remove(complete);
}

TEST_F(Undo, ALookThatFailsNeverPassesForNothingToBackUp) {
    // Whatever FindFirstFileA call fails, the run either fails and changes
    // nothing, or it succeeds with the installed driver backed up.
    const char driver[] = "C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\Halvik.vxd";
    const char backup[] = "C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\Halvik.BAK";
    for (int call = 1; call <= 30; ++call) {
        Prepare("variants/7.1.0.188/HALVIK.VXD", "win98", driver);
        std::string before = Snapshot();
        std::string fault = "FindFirstFileA:" + std::to_string(call) + ":5";
        unsigned code = Run(fault);
        if (code >= 2048u) {
            EXPECT_EQ(ChangesSince(before), "") << fault;
        } else {
            EXPECT_TRUE(Same(backup, "variants/7.1.0.188/HALVIK.VXD")) << fault;
        }
    }
}

TEST_F(Undo, AMoveRecordThatCannotBeLookedAtNeverLetsTheOlderWaitingFileWin) {
    // Taken for "no record", the waiting 7.0.5.300 would overwrite the new
    // driver at the next restart.
    for (int call = 1; call <= 30; ++call) {
        PreparePending();
        std::string before = Snapshot();
        std::string fault = "FindFirstFileA:" + std::to_string(call) + ":5";
        unsigned code = Run(fault);
        if (code >= 2048u) {
            EXPECT_EQ(ChangesSince(before), "") << fault;
            continue;
        }
        Tool("reboot '" + dir_ + "'");
        EXPECT_TRUE(Same(kDriver, "HALVIK2K.SYS")) << fault;
    }
}

TEST_F(Undo, OnThe95FamilyAStoreThatCannotBeLookedAtStillCountsAsPending) {
    // 7.1.0.188 installed, 7.0.5.300 waiting in wininit.ini and the move
    // record file. Read as "nothing pending", the record file was deleted
    // as stale and the older driver won at the restart.
    const std::string dir = "C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\";
    const std::string driver = dir + "Halvik.vxd", waiting = dir + "KVT7.TMP";
    for (int call = 1; call <= 12; ++call) {
        Prepare("variants/7.1.0.188/HALVIK.VXD", "win98", driver);
        std::filesystem::copy_file(Payload("variants/7.0.5.300/HALVIK.VXD"), Host(waiting));
        WriteHostFile(Host("C:\\WINDOWS\\wininit.ini"), "[RENAME]\r\n" + driver + "=" + waiting + "\r\n");
        std::string record;
        for (uint32_t v : {uint32_t(12 + waiting.size() + driver.size()), uint32_t(waiting.size()),
                           uint32_t(driver.size())})
            for (int i = 0; i < 4; ++i) record += static_cast<char>(v >> (8 * i));
        WriteHostFile(Host("C:\\WINDOWS\\SYSTEM\\kvtinit.TMP"), record + waiting + driver);
        std::string fault = "FindFirstFileA:" + std::to_string(call) + ":5";
        if (Run(fault) >= 2048u) continue;  // a failed run: the sweep checks those
        Tool("reboot '" + dir_ + "'");
        EXPECT_TRUE(Same(driver, "HALVIK.VXD")) << fault;
    }
}

TEST_F(Undo, TheFirstBackupIsKept) {
    Prepare("variants/7.0.5.300/HALVIK.SYS");
    ASSERT_EQ(Run(), 2u);
    EXPECT_TRUE(Same(kBackup, "variants/7.0.5.300/HALVIK.SYS"));
    ASSERT_EQ(Run("", "SILENT FORCE"), 2u);
    EXPECT_TRUE(Same(kBackup, "variants/7.0.5.300/HALVIK.SYS")) << "a later upgrade keeps the first backup";
}

}  // namespace
