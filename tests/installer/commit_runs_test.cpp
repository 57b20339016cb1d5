// Whole installer runs whose commit goes wrong: a journal that can be
// neither marked nor deleted, or a fault inside the commit before its mark,
// must leave the machine as it was, with an error status.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "machine_fixture.h"

namespace {

class CommitRun : public MachineTest {
protected:
    void Prepare(const std::string& profile) {
        UseFreshMachine(profile);
        std::filesystem::copy_file(HALVINST_EXE, dir_ + "/d/HALVINST.EXE");
        clean_ = dir_ + ".clean";
        RunShell("rm -rf '" + clean_ + "' && cp -a '" + dir_ + "' '" + clean_ + "'");
    }
    void TearDown() override {
        if (!clean_.empty()) std::filesystem::remove_all(clean_);
        MachineTest::TearDown();
    }
    // The machine as Prepare left it; cp -a keeps the times the diff compares.
    void Restore() { RunShell("rm -rf '" + dir_ + "' && cp -a '" + clean_ + "' '" + dir_ + "'"); }
    // A silent run with `env`; its status code, or 0xFFFF without an exit code.
    unsigned Run(const std::string& env) {
        std::string out = RunShell(env + " " + WINSIM_TOOL + " run '" + dir_ + "' -- 'D:\\HALVINST.EXE' SILENT");
        size_t at = out.find("exit code 0x");
        unsigned code = 0;
        if (at == std::string::npos || std::sscanf(out.c_str() + at, "exit code 0x%x", &code) != 1) return 0xFFFF;
        return code >> 20;
    }
    // How often a run without faults calls `api`.
    unsigned long Calls(const std::string& api) {
        std::string counts = dir_ + ".calls";
        Run("WINSIM_CALLS='" + counts + "'");
        std::string listing = "\n" + ReadHostFile(counts);
        std::filesystem::remove(counts);
        Restore();
        size_t at = listing.find("\n+" + api + " ");
        if (at == std::string::npos) at = listing.find("\n" + api + " ");
        unsigned long n = 0;
        if (at != std::string::npos) std::sscanf(listing.c_str() + listing.find(' ', at) + 1, "%lu", &n);
        return n;
    }
    std::string Log() { return ReadHostFile(Host(winsim::CurrentProfile().tempPath + "HALVINST.LOG")); }
    // What changed since Prepare, the log a failed run keeps aside.
    std::string Changes() {
        std::string diff = RunShell(std::string(WINSIM_TOOL) + " diff '" + clean_ + "' '" + dir_ + "'"), out;
        for (size_t at = 0, end; at < diff.size(); at = end + 1) {
            end = diff.find('\n', at);
            if (end == std::string::npos) end = diff.size();
            std::string line = diff.substr(at, end - at);
            if (line.rfind("  ", 0) == 0 && line.find("HALVINST.LOG") == std::string::npos) out += line + "\n";
        }
        return out;
    }
    std::string clean_;
};

TEST_F(CommitRun, ACommitNeitherMarkedNorDeletedLeavesTheMachineAsItWas) {
    for (const char* profile : {"win98", "winxp"}) {
        Prepare(profile);
        // The closing record is written after the run's last SetFilePointer;
        // which DeleteFileA deletes the journal is found by trying each.
        unsigned long mark = Calls("SetFilePointer"), deletions = Calls("DeleteFileA");
        ASSERT_GT(mark, 0u) << profile;
        bool reached = false;
        for (unsigned long j = 1; j <= deletions; ++j) {
            Restore();
            std::string faults = "SetFilePointer:" + std::to_string(mark) + ":112;SetFilePointer:" +
                                 std::to_string(mark + 1) + ":112;DeleteFileA:" + std::to_string(j) +
                                 ":32;DeleteFileA:" + std::to_string(j + 1) + ":32";
            unsigned code = Run("WINSIM_FAIL='" + faults + "'");
            bool hit = Log().find("DeleteFile c:\\windows\\halvik.jnl failed") != std::string::npos;
            reached = reached || hit;
            if (!hit && code < 2048) continue;
            if (hit) {
                EXPECT_EQ(code, 2070u) << profile << " " << faults << "\n" << Log();
            }
            EXPECT_GE(code, 2048u) << profile << " " << faults;
            EXPECT_EQ(Changes(), "") << profile << " " << faults;
        }
        EXPECT_TRUE(reached) << profile << ": no run failed to delete its unmarked journal";
    }
}

TEST_F(CommitRun, AFaultInsideTheCommitBeforeItsMarkLeavesTheMachineAsItWas) {
    Prepare("winxp");
    unsigned long mark = Calls("SetFilePointer");
    EXPECT_EQ(Run("WINSIM_FAIL='SetFilePointer:" + std::to_string(mark) + ":AV'"), 2050u);
    std::string log = Log();
    EXPECT_NE(log.find("closed, the run is complete"), std::string::npos) << "the fault was inside the commit: " << log;
    EXPECT_EQ(Changes(), "");
}

}  // namespace
