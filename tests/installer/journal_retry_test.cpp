// The journal's playback against a machine that moves: a step refused once
// is tried again, and a file in a folder the run made is undone also when
// the folder is already gone, as after a rollback cut short by a kill.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include <windows.h>

#include "installer_state.h"
#include "journal.h"
#include "log.h"
#include "machine_fixture.h"
#include "status.h"
#include "winsim/machine_tools.h"

namespace {

const char kJournal[] = "C:\\WINDOWS\\halvik.jnl";

class JournalRetry : public InstallerTest {
protected:
    void TearDown() override {
        std::string error;
        winsim::SetFaults("", error);
        if (JournalActive()) JournalRollback();
        InstallerTest::TearDown();
    }
    bool Exists(const std::string& path) { return HostFileExists(Host(path)); }
};

TEST_F(JournalRetry, AStepRefusedOnceIsTriedAgainAndIsNoFailure) {
    // A killed run's journal, played back by the next run while a scanner
    // holds the file a moment: the second try restores it, and the run that
    // recovered goes on without an error.
    WriteHostFile(Host("C:\\WINDOWS\\a.txt"), "original");
    ASSERT_TRUE(JournalBegin(kJournal, "test"));
    ASSERT_TRUE(JournalSaveFile("C:\\WINDOWS\\a.txt"));
    WriteHostFile(Host("C:\\WINDOWS\\a.txt"), "changed");
    JournalAbandon();
    std::string error;
    ASSERT_TRUE(winsim::SetFaults("CopyFileA:1:32", error)) << error;
    EXPECT_EQ(JournalRecover(kJournal), static_cast<DWORD>(JOURNAL_UNDONE));
    winsim::SetFaults("", error);
    EXPECT_EQ(ReadHostFile(Host("C:\\WINDOWS\\a.txt")), "original");
    EXPECT_FALSE(Exists(kJournal));
    EXPECT_FALSE(StatusIsError()) << std::hex << StatusWord;
}

TEST_F(JournalRetry, AFileInAFolderOfTheRunIsUndoneAlsoOnceTheFolderIsGone) {
    const std::string folder = "C:\\Made", file = folder + "\\x.txt";
    ASSERT_TRUE(JournalBegin(kJournal, "test"));
    ASSERT_TRUE(JournalFileCreated(folder.c_str()));
    // The folder does not exist yet: the file is recorded as new.
    ASSERT_TRUE(JournalSaveFile(file.c_str()));
    std::filesystem::create_directories(Host(folder));
    WriteHostFile(Host(file), "made");
    // Killed, after a rollback had taken out the file and the folder.
    JournalAbandon();
    std::filesystem::remove_all(Host(folder));
    EXPECT_EQ(JournalRecover(kJournal), static_cast<DWORD>(JOURNAL_UNDONE));
    EXPECT_FALSE(StatusIsError()) << StatusWord;
    EXPECT_FALSE(Exists(kJournal));
}

}  // namespace
