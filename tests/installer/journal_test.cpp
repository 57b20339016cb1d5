// The undo journal: what each record undoes, commit, and journals left by
// killed, damaged or foreign runs.
#include <gtest/gtest.h>

#include <string>

#include <windows.h>

#include "../../codec/cx_crc.h"
#include "installer_state.h"
#include "journal.h"
#include "log.h"
#include "machine_fixture.h"
#include "status.h"
#include "winsim/machine_tools.h"

namespace {

const char kJournal[] = "C:\\WINDOWS\\halvik.jnl";
const char kKey[] = "SOFTWARE\\Test";

class Journal : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        ResetInstaller();
        LogOpen("C:\\journal.log");
    }
    void TearDown() override {
        if (JournalActive()) JournalRollback();
        LogClose(FALSE);
        ResetInstaller();
        MachineTest::TearDown();
    }
    std::string File(const std::string& path) { return HostFileExists(Host(path)) ? ReadHostFile(Host(path)) : "<none>"; }
    void Put(const std::string& path, const std::string& bytes) { WriteHostFile(Host(path), bytes); }
    void SetValue(const char* key, const char* name, const std::string& data, DWORD type = REG_SZ) {
        HKEY h;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr), 0);
        ASSERT_EQ(RegSetValueExA(h, name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                                 static_cast<DWORD>(data.size())), 0);
        RegCloseKey(h);
    }
    std::string Tree(const std::string& key = kKey) { return RegistryText(std::string("HKEY_LOCAL_MACHINE\\") + key); }
    // A record line as the journal writes it.
    static std::string Line(const std::string& body) {
        char crc[16];
        std::snprintf(crc, sizeof crc, "%08X", cxCrc32(reinterpret_cast<const unsigned char*>(body.data()), body.size()));
        return crc + body + "\r\n";
    }
};

TEST_F(Journal, RollbackTakesBackFilesInReverseOrder) {
    Put("C:\\WINDOWS\\old.ini", "before");
    Put("C:\\WINDOWS\\kept.bak", "first backup");
    Put("C:\\WINDOWS\\driver.sys", "old driver");
    ASSERT_TRUE(JournalBegin(kJournal, "test"));
    // A new file, a changed file with a saved copy, and the backup pattern:
    // the backup is saved, overwritten with the target, the target replaced.
    ASSERT_TRUE(JournalFileCreated("C:\\WINDOWS\\new.tmp"));
    Put("C:\\WINDOWS\\new.tmp", "made by the run");
    ASSERT_TRUE(JournalSaveFile("C:\\WINDOWS\\old.ini"));
    Put("C:\\WINDOWS\\old.ini", "after");
    ASSERT_TRUE(JournalSaveFile("C:\\WINDOWS\\kept.bak"));
    Put("C:\\WINDOWS\\kept.bak", "old driver");
    ASSERT_TRUE(JournalFileReplaced("C:\\WINDOWS\\driver.sys", "C:\\WINDOWS\\kept.bak"));
    Put("C:\\WINDOWS\\driver.sys", "new driver");
    ASSERT_TRUE(JournalSaveFile("C:\\WINDOWS\\gone.txt"));  // absent: undo deletes it
    Put("C:\\WINDOWS\\gone.txt", "x");
    EXPECT_EQ(File("C:\\WINDOWS\\halvik.001"), "before");

    EXPECT_TRUE(JournalRollback());
    EXPECT_FALSE(JournalActive());
    EXPECT_EQ(File("C:\\WINDOWS\\new.tmp"), "<none>");
    EXPECT_EQ(File("C:\\WINDOWS\\old.ini"), "before");
    EXPECT_EQ(File("C:\\WINDOWS\\driver.sys"), "old driver");
    EXPECT_EQ(File("C:\\WINDOWS\\kept.bak"), "first backup");
    EXPECT_EQ(File("C:\\WINDOWS\\gone.txt"), "<none>");
    EXPECT_EQ(File(kJournal), "<none>");
    EXPECT_EQ(File("C:\\WINDOWS\\halvik.001"), "<none>");
    EXPECT_EQ(File("C:\\WINDOWS\\halvik.002"), "<none>");
    EXPECT_FALSE(StatusIsError());
}

TEST_F(Journal, RollbackTakesBackRegistryValuesAndKeys) {
    SetValue(kKey, "Old", "before");
    SetValue(kKey, "", std::string("\x01\x00\x02", 3), REG_BINARY);
    SetValue("SOFTWARE\\Test\\Doomed\\Deep", "Leaf", "kept");
    std::string before = Tree();
    ASSERT_TRUE(JournalBegin(kJournal, "test"));
    ASSERT_TRUE(JournalSaveValue(HKEY_LOCAL_MACHINE, kKey, "Old"));
    ASSERT_TRUE(JournalSaveValue(HKEY_LOCAL_MACHINE, kKey, ""));
    ASSERT_TRUE(JournalSaveValue(HKEY_LOCAL_MACHINE, kKey, "New value"));
    ASSERT_TRUE(JournalKeyCreated(HKEY_LOCAL_MACHINE, "SOFTWARE\\Test\\Made\\Below"));
    ASSERT_TRUE(JournalSaveKeyTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Test\\Doomed"));
    SetValue(kKey, "Old", "after");
    SetValue(kKey, "", "text");
    SetValue(kKey, "New value", "added");
    SetValue("SOFTWARE\\Test\\Made\\Below", "X", "y");
    ASSERT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Test\\Doomed\\Deep"), 0);
    ASSERT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Test\\Doomed"), 0);
    ASSERT_NE(Tree(), before);

    EXPECT_TRUE(JournalRollback());
    EXPECT_EQ(Tree(), before);
    EXPECT_EQ(File(kJournal), "<none>");
}

TEST_F(Journal, CommitKeepsTheChangesAndLeavesNothingBehind) {
    Put("C:\\WINDOWS\\old.ini", "before");
    ASSERT_TRUE(JournalBegin(kJournal, "test"));
    EXPECT_FALSE(JournalBegin(kJournal, "test")) << "one journal at a time";
    ASSERT_TRUE(JournalSaveFile("C:\\WINDOWS\\old.ini"));
    ASSERT_TRUE(JournalSaveValue(HKEY_LOCAL_MACHINE, kKey, "V"));
    Put("C:\\WINDOWS\\old.ini", "after");
    SetValue(kKey, "V", "set");
    EXPECT_TRUE(JournalCommit());
    EXPECT_EQ(File("C:\\WINDOWS\\old.ini"), "after");
    EXPECT_NE(Tree().find("\"V\"="), std::string::npos);
    // The closed journal goes last, when the program ends.
    EXPECT_NE(File(kJournal).find(" DONE "), std::string::npos);
    JournalDeleteClosed();
    EXPECT_EQ(File(kJournal), "<none>");
    EXPECT_EQ(File("C:\\WINDOWS\\halvik.001"), "<none>");
}

TEST_F(Journal, ACommitIsFinalOnceMarkedAndTakenBackWhenItCannotBeMade) {
    std::string error;
    // Marked, but the journal cannot be deleted: the run stands, the failure
    // is only logged, and the next start just deletes the closed journal.
    ASSERT_TRUE(JournalBegin(kJournal, "test"));
    ASSERT_TRUE(JournalFileCreated("C:\\WINDOWS\\new.tmp"));
    Put("C:\\WINDOWS\\new.tmp", "made");
    ASSERT_TRUE(winsim::SetFaults("DeleteFileA:2:32;DeleteFileA:3:32", error)) << error;
    JournalCommit();
    ASSERT_TRUE(winsim::SetFaults("", error));
    EXPECT_FALSE(JournalActive());
    EXPECT_FALSE(StatusIsError());
    EXPECT_EQ(File("C:\\WINDOWS\\new.tmp"), "made");
    EXPECT_EQ(JournalRecover(kJournal), static_cast<DWORD>(JOURNAL_FINISHED));
    EXPECT_EQ(File("C:\\WINDOWS\\new.tmp"), "made");
    EXPECT_EQ(File(kJournal), "<none>");

    // Neither marked nor deleted, the journal would undo the run at the next
    // start: the commit fails, and the run stays to be taken back now.
    ASSERT_TRUE(JournalBegin(kJournal, "test"));
    ASSERT_TRUE(JournalFileCreated("C:\\WINDOWS\\other.tmp"));
    Put("C:\\WINDOWS\\other.tmp", "made");
    // The log writes through WriteFile too: every write fails.
    std::string faults = "DeleteFileA:1:32;DeleteFileA:2:32";
    for (int call = 1; call <= 8; ++call) faults += ";WriteFile:" + std::to_string(call) + ":112";
    ASSERT_TRUE(winsim::SetFaults(faults, error)) << error;
    EXPECT_FALSE(JournalCommit());
    ASSERT_TRUE(winsim::SetFaults("", error));
    EXPECT_EQ(STATUS_CODE(StatusWord), 2070u);
    EXPECT_TRUE(JournalActive());
    EXPECT_TRUE(JournalRollback());
    EXPECT_EQ(File("C:\\WINDOWS\\other.tmp"), "<none>");
    EXPECT_EQ(File(kJournal), "<none>");
}

TEST_F(Journal, ARecordThatCannotBeWrittenFailsBeforeTheChange) {
    ASSERT_TRUE(JournalBegin(kJournal, "test"));
    std::string error;
    ASSERT_TRUE(winsim::SetFaults("WriteFile:1:112", error)) << error;
    EXPECT_FALSE(JournalFileCreated("C:\\WINDOWS\\new.tmp"));
    EXPECT_EQ(STATUS_CODE(StatusWord), 2085u);
    EXPECT_EQ(StatusQualifier, 112u);
    ASSERT_TRUE(winsim::SetFaults("", error));
    EXPECT_TRUE(JournalRollback());
    EXPECT_EQ(File(kJournal), "<none>");
}

TEST_F(Journal, RecoveryUndoesAnInterruptedRunAndIgnoresATornLastRecord) {
    Put("C:\\WINDOWS\\a.txt", "changed");
    Put("C:\\WINDOWS\\halvik.001", "original");
    Put("C:\\WINDOWS\\b.txt", "made");
    Put("C:\\WINDOWS\\halvik.002", "a copy whose record was never written");
    SetValue(kKey, "V", "changed");
    Put(kJournal, std::string("HALVJNL 1 halvinst\r\n") + Line(" FOLD C:\\WINDOWS\\a.txt C:\\WINDOWS\\halvik.001 1 1") +
                      Line(" FNEW C:\\WINDOWS\\b.txt") + Line(" VNEW HKLM SOFTWARE\\Test V") + "0123ABCD FNEW C:\\WIN");
    EXPECT_EQ(JournalRecover(kJournal), static_cast<DWORD>(JOURNAL_UNDONE));
    EXPECT_EQ(File("C:\\WINDOWS\\a.txt"), "original");
    EXPECT_EQ(File("C:\\WINDOWS\\b.txt"), "<none>");
    EXPECT_EQ(Tree().find("\"V\""), std::string::npos);
    for (const char* gone : {kJournal, "C:\\WINDOWS\\halvik.001", "C:\\WINDOWS\\halvik.002"})
        EXPECT_EQ(File(gone), "<none>") << gone;
    EXPECT_FALSE(StatusIsError());
    EXPECT_EQ(JournalRecover(kJournal), static_cast<DWORD>(JOURNAL_NONE));
}

TEST_F(Journal, AClosedJournalIsOnlyDeletedAndTellsWhetherARestartIsOwed) {
    // The closing record carries the run's status; the first journals' has none.
    const struct {
        const char* done;
        bool reboot;
        bool owed;
    } cases[] = {
        {" DONE", false, false},
        {" DONE 00100000", false, false},  // installed, no restart needed
        {" DONE 00240123", false, true},   // a restart needed, not yet made
        {" DONE 0030007B", false, true},   // the restart asked for, the run ended before it
        {" DONE 00240123", true, false},   // Windows started since
    };
    for (const auto& c : cases) {
        RestartOwed = FALSE;
        Put("C:\\WINDOWS\\b.txt", "kept");
        Put(kJournal, std::string("HALVJNL 1 halvunin\r\n") + Line(" FNEW C:\\WINDOWS\\b.txt") + Line(c.done));
        if (c.reboot) {
            std::vector<std::string> report;
            std::string error;
            ASSERT_TRUE(winsim::Reboot(report, error)) << error;
        }
        EXPECT_EQ(JournalRecover(kJournal), static_cast<DWORD>(JOURNAL_FINISHED)) << c.done;
        EXPECT_EQ(RestartOwed, c.owed ? TRUE : FALSE) << c.done << (c.reboot ? " after a restart" : "");
        EXPECT_EQ(File("C:\\WINDOWS\\b.txt"), "kept");
        EXPECT_EQ(File(kJournal), "<none>");
    }
}

TEST_F(Journal, DamagedOrForeignJournalsChangeNothingAndFail) {
    const std::string good = Line(" FNEW C:\\WINDOWS\\b.txt");
    // Sound in all but the CRC: the kind, the fields and the file are all good.
    std::string otherFile = good, otherCrc = good;
    otherFile[good.find("b.txt")] = 'c';
    otherCrc[0] = otherCrc[0] == '0' ? '1' : '0';
    const std::string cases[] = {
        "HALVJNL 1 halvinst\r\n" + good + otherFile,                  // a record changed after its CRC
        "HALVJNL 1 halvinst\r\n" + good + otherCrc,                   // a record with the wrong CRC
        "HALVJNL 1 halvinst\r\n" + Line(" FNEW"),                      // a record short of fields
        "HALVJNL 1 halvinst\r\n" + Line(" ZAP C:\\WINDOWS\\b.txt"),   // an unknown kind
        "HALVJNL 1 halvinst\r\n" + Line(" FNEW C:\\%4"),              // a broken escape
        "HALVJNL 1 halvinst\r\n" + Line(" VOLD HKLM K V 1 =ABC"),     // odd hex data
        "HALVJNL 1 halvinst\r\n" + std::string("00000000\0 FNEW x\r\n", 18),
        "HALVJNL 2 halvinst\r\n" + good,                               // another version
        "[RENAME]\r\nC:\\X=C:\\Y\r\n",                                 // not a journal at all
        "HALVJNL 1 halv inst",                                          // a first line no run writes
    };
    for (const std::string& text : cases) {
        ResetInstaller();
        Put("C:\\WINDOWS\\b.txt", "kept");
        Put(kJournal, text);
        EXPECT_EQ(JournalRecover(kJournal), static_cast<DWORD>(JOURNAL_FAILED)) << text;
        EXPECT_EQ(STATUS_CODE(StatusWord), 2084u) << text;
        EXPECT_EQ(File("C:\\WINDOWS\\b.txt"), "kept") << text;
        EXPECT_EQ(File(kJournal), text) << "kept for diagnosis";
    }
}

TEST_F(Journal, AJournalWhoseFirstLineWasNeverFinishedOnlyGoes) {
    // A run that ended while it began its journal had changed nothing.
    for (const char* text : {"", "HALV", "HALVJNL 1 ", "HALVJNL 1 halvi", "HALVJNL 1 halvinst\r"}) {
        ResetInstaller();
        Put("C:\\WINDOWS\\b.txt", "kept");
        Put(kJournal, text);
        EXPECT_EQ(JournalRecover(kJournal), static_cast<DWORD>(JOURNAL_UNDONE)) << text;
        EXPECT_FALSE(StatusIsError()) << text;
        EXPECT_EQ(File("C:\\WINDOWS\\b.txt"), "kept") << text;
        EXPECT_EQ(File(kJournal), "<none>") << text;
    }
}

TEST_F(Journal, AStepThatFailsTwiceKeepsTheRestForTheNextRun) {
    Put("C:\\WINDOWS\\a.txt", "original");
    ASSERT_TRUE(JournalBegin(kJournal, "test"));
    ASSERT_TRUE(JournalSaveFile("C:\\WINDOWS\\a.txt"));
    Put("C:\\WINDOWS\\a.txt", "changed");
    ASSERT_TRUE(JournalFileCreated("C:\\WINDOWS\\b.txt"));
    Put("C:\\WINDOWS\\b.txt", "made");
    std::string error;
    ASSERT_TRUE(winsim::SetFaults("CopyFileA:1:32;CopyFileA:2:32", error)) << error;
    EXPECT_FALSE(JournalRollback());
    ASSERT_TRUE(winsim::SetFaults("", error));
    EXPECT_EQ(File("C:\\WINDOWS\\b.txt"), "<none>") << "the later change was undone";
    EXPECT_EQ(File("C:\\WINDOWS\\a.txt"), "changed");
    EXPECT_EQ(STATUS_CODE(StatusWord), 2066u);
    ResetInstaller();
    EXPECT_EQ(JournalRecover(kJournal), static_cast<DWORD>(JOURNAL_UNDONE));
    EXPECT_EQ(File("C:\\WINDOWS\\a.txt"), "original");
    EXPECT_EQ(File(kJournal), "<none>");
}

}  // namespace
