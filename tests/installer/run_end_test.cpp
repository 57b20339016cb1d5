// How a whole run ends when its last steps go wrong: a commit that can be
// neither marked nor deleted, or a fault inside it before the mark, leaves
// the run taken back; and a journal record whose CRC does not match is
// refused before anything is undone.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <windows.h>

#include "../../codec/cx_crc.h"
#include "installer_state.h"
#include "journal.h"
#include "log.h"
#include "machine_fixture.h"
#include "program.h"
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

TEST_F(RunEnd, ACommitNeitherMarkedNorDeletedEndsTakenBack) {
    // Both tries at the closing record fail, and so do both at deleting the
    // journal: left as it is, the journal would undo the run at the next start.
    DWORD status = Run("SetFilePointer:1:112;SetFilePointer:2:112;DeleteFileA:1:32;DeleteFileA:2:32");
    EXPECT_EQ(STATUS_CODE(status), 2070u);
    EXPECT_EQ(StatusQualifier, 32u);
    EXPECT_FALSE(Exists(kMade)) << "the run's change was taken back";
    EXPECT_FALSE(Exists(kJournal));
    EXPECT_FALSE(JournalActive());
}

TEST_F(RunEnd, AFaultInsideTheCommitBeforeItsMarkEndsAs2050TakenBack) {
    DWORD status = Run("SetFilePointer:1:AV");
    EXPECT_EQ(STATUS_CODE(status), 2050u);
    EXPECT_EQ(StatusQualifier, static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION));
    EXPECT_FALSE(Exists(kMade)) << "an unmarked journal makes nothing final";
    EXPECT_FALSE(Exists(kJournal));
}

TEST_F(RunEnd, AFaultAfterTheMarkLeavesTheRunFinal) {
    // The counterpart: once marked, the run stands and keeps its status.
    DWORD status = Run("DeleteFileA:1:AV");
    EXPECT_EQ(STATUS_CODE(status), 1u);
    EXPECT_TRUE(Exists(kMade));
    EXPECT_FALSE(Exists(kJournal)) << "the closed journal still goes at the end";
}

class JournalCrc : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        ResetInstaller();
        LogOpen("C:\\journal.log");
    }
    void TearDown() override {
        LogClose(FALSE);
        ResetInstaller();
        MachineTest::TearDown();
    }
    static std::string Line(const std::string& body) {
        char crc[16];
        std::snprintf(crc, sizeof crc, "%08X", cxCrc32(reinterpret_cast<const unsigned char*>(body.data()), body.size()));
        return crc + body + "\r\n";
    }
};

TEST_F(JournalCrc, ARecordSoundInAllButItsCrcIsRefused) {
    // Each damaged record still names a kind, its fields and an existing
    // file: only the CRC tells that it is not what the run wrote.
    const std::string good = Line(" FNEW C:\\WINDOWS\\b.txt");
    std::string otherPath = good, otherCrc = good;
    otherPath[good.find("b.txt")] = 'c';  // the record of another file
    otherCrc[0] = otherCrc[0] == '0' ? '1' : '0';
    for (const std::string& record : {otherPath, otherCrc}) {
        ResetInstaller();
        LogOpen("C:\\journal.log");
        WriteHostFile(Host("C:\\WINDOWS\\b.txt"), "kept");
        WriteHostFile(Host("C:\\WINDOWS\\c.txt"), "kept");
        std::string text = "HALVJNL 1 halvinst\r\n" + good + record;
        WriteHostFile(Host(kJournal), text);
        EXPECT_EQ(JournalRecover(kJournal), static_cast<DWORD>(JOURNAL_FAILED)) << record;
        EXPECT_EQ(STATUS_CODE(StatusWord), 2084u) << record;
        EXPECT_EQ(StatusQualifier, 2u) << "the second record is the damaged one";
        EXPECT_TRUE(HostFileExists(Host("C:\\WINDOWS\\b.txt"))) << record;
        EXPECT_TRUE(HostFileExists(Host("C:\\WINDOWS\\c.txt"))) << record;
        EXPECT_EQ(ReadHostFile(Host(kJournal)), text);
    }
}

}  // namespace
