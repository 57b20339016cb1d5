// Where a hive journal ends: at a last line without its line end (never
// finished, even when what it holds would parse as a whole change), and at
// a line that is no change, whatever follows it.
#include <windows.h>

#include <cstdio>
#include <string>

#include "machine/registry_journal.h"
#include "machine/registry_store.h"
#include "machine_fixture.h"

namespace {

class HiveJournalEnd : public MachineTest {};

TEST_F(HiveJournalEnd, ALastLineWithoutItsLineEndIsNotApplied) {
    // Cut just before its '\n', a line reads as a complete change.
    const std::string whole = "K\tKept\n", torn = "K\tTorn";
    winsim::RegKey root;
    EXPECT_EQ(winsim::ApplyJournal(whole + torn, 0, root), whole.size());
    EXPECT_NE(root.Find("Kept"), nullptr);
    EXPECT_EQ(root.Find("Torn"), nullptr);

    // The same on a machine: readers ignore the line, the next writer cuts it off.
    HKEY key;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Kept", &key), ERROR_SUCCESS);
    RegCloseKey(key);
    std::string journal = dir_ + "/registry/HKCU.reg.log";
    {
        FILE* f = std::fopen(journal.c_str(), "ab");
        ASSERT_NE(f, nullptr);
        std::fputs(torn.c_str(), f);
        std::fclose(f);
    }
    winsim::RegKey loaded;
    ASSERT_TRUE(winsim::LoadHiveFiles(dir_, winsim::kCurrentUser, loaded));
    EXPECT_NE(loaded.Find("Kept"), nullptr);
    EXPECT_EQ(loaded.Find("Torn"), nullptr);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Torn", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Next", &key), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(RegistryText("HKEY_CURRENT_USER\\Torn"), "");
    EXPECT_EQ(ReadHostFile(journal).find("Torn"), std::string::npos) << ReadHostFile(journal);
}

TEST_F(HiveJournalEnd, ALineThatIsNoChangeEndsTheJournal) {
    const std::string whole = "K\tKept\n";
    winsim::RegKey root;
    EXPECT_EQ(winsim::ApplyJournal(whole + "Q\tdamaged\nK\tBehind\n", 0, root), whole.size());
    EXPECT_NE(root.Find("Kept"), nullptr);
    EXPECT_EQ(root.Find("Behind"), nullptr);
}

}  // namespace
