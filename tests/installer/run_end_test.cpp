// The run control's end with a stand-in for the work: a fault once the
// journal is marked done leaves the run final, its status its own, and the
// closed journal still goes. (The
// installer's own runs with a commit that fails before its mark are in
// commit_runs_test.cpp.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <windows.h>

#include "installer_state.h"
#include "journal.h"
#include "log.h"
#include "machine_fixture.h"
#include "program.h"
#include "status.h"
#include "winsim/machine_tools.h"

namespace {

const char kMade[] = "C:\\WINDOWS\\made.txt";
const char kJournal[] = "C:\\WINDOWS\\halvik.jnl";

// The faults that strike once the work is done, in the run's last steps.
std::string FaultsAtTheEnd;

void Nothing(void*) {}
void NoSummary() {}

// A run's work: one file made under the journal, the run a success.
void MakeOneFile(void*) {
    char journal[MAX_PATH];
    MachineJournalPath(journal);
    if (!JournalBegin(journal, "test") || !JournalFileCreated(kMade)) return;
    WriteHostFile(winsim::HostPath(kMade), "made by the run");
    RecordStatus(1, 0);
    std::string error;
    winsim::SetFaults(FaultsAtTheEnd, error);
}

const ProgramRun kRun = {"installer", NoSummary, MakeOneFile, Nothing, Nothing, nullptr};

class RunEnd : public InstallerTest {
protected:
    void TearDown() override {
        std::string error;
        winsim::SetFaults("", error);
        InstallerTest::TearDown();
    }
    DWORD Run(const std::string& faults) {
        FaultsAtTheEnd = faults;
        std::vector<char> line = {'S', 'I', 'L', 'E', 'N', 'T', '\0'};
        DWORD status = static_cast<DWORD>(RunProgram(nullptr, line.data(), &kRun));
        std::string error;
        winsim::SetFaults("", error);
        return status;
    }
    bool Exists(const char* path) { return HostFileExists(Host(path)); }
};

TEST_F(RunEnd, AFaultAfterTheMarkLeavesTheRunFinal) {
    DWORD status = Run("DeleteFileA:1:AV");
    EXPECT_EQ(STATUS_CODE(status), 1u);
    EXPECT_TRUE(Exists(kMade));
    EXPECT_FALSE(Exists(kJournal)) << "the closed journal still goes at the end";
}

TEST_F(RunEnd, AFaultWhileTheClosedJournalIsDeletedIsTriedAgain) {
    // After the mark: the missing copy, the log (a successful run's), then the journal.
    DWORD status = Run("DeleteFileA:3:AV");
    EXPECT_EQ(STATUS_CODE(status), 1u);
    EXPECT_TRUE(Exists(kMade));
    EXPECT_FALSE(Exists(kJournal)) << "the run's last change is made";
}

}  // namespace
