// winsim's registry: calls, the REGEDIT4 store, and its safety against a killed writer.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "machine/registry_journal.h"
#include "machine/registry_store.h"
#include "machine_fixture.h"

namespace {

class Registry : public MachineTest {};

TEST_F(Registry, CreateReportsNewOrExistingAndValuesRoundTrip) {
    HKEY key;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Talven\\Probe", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
    DWORD word = 0x00200000;
    ASSERT_EQ(RegSetValueExA(key, "Status", 0, REG_DWORD, reinterpret_cast<BYTE*>(&word), 4), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, "", 0, REG_SZ, reinterpret_cast<const BYTE*>("C:\\a \"q\""), 9), ERROR_SUCCESS);
    RegCloseKey(key);

    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "software\\TALVEN\\probe", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
    DWORD type = 0, size = 2;
    BYTE small[2];
    EXPECT_EQ(RegQueryValueExA(key, "STATUS", nullptr, &type, small, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 4u);
    DWORD read = 0;
    size = 4;
    EXPECT_EQ(RegQueryValueExA(key, "status", nullptr, &type, reinterpret_cast<BYTE*>(&read), &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(read, word);
    EXPECT_EQ(RegQueryValueExA(key, "missing", nullptr, &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);

    EXPECT_EQ(RegistryText("HKEY_LOCAL_MACHINE\\SOFTWARE\\Talven"),
              "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Talven]\n\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Talven\\Probe]\n"
              "\"Status\"=dword:00200000\n@=\"C:\\\\a \\\"q\\\"\"\n\n");
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
}

TEST_F(Registry, ValuesThatAreNotPlainStringsKeepEveryByte) {
    winsim::RegKey root;
    std::vector<winsim::RegValue> odd = {
        {"no terminator", REG_SZ, {'a', 'b'}},
        {"inner nul", REG_SZ, {'a', 0, 'b', 0}},
        {"list", REG_MULTI_SZ, {'a', 0, 'b', 0, 0}},
        {"short dword", REG_DWORD, {1, 2}},
        {"empty", REG_BINARY, {}},
        {"type 0x1f", 0x1F, {9}},
    };
    root.values = odd;
    std::string text;
    winsim::WriteRegedit(root, "HKEY_LOCAL_MACHINE", text);
    winsim::RegKey parsed;
    std::string error;
    ASSERT_TRUE(winsim::ParseRegedit(text, winsim::kLocalMachine, parsed, error)) << error;
    ASSERT_EQ(parsed.values.size(), odd.size());
    for (size_t i = 0; i < odd.size(); ++i) {
        EXPECT_EQ(parsed.values[i].name, odd[i].name);
        EXPECT_EQ(parsed.values[i].type, odd[i].type) << odd[i].name;
        EXPECT_EQ(parsed.values[i].data, odd[i].data) << odd[i].name;
    }
}

TEST_F(Registry, DeletingKeysFollowsEachFamily) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Tree\\Leaf", &key), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Tree"), ERROR_ACCESS_DENIED) << "NT keeps keys with subkeys";
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Tree\\Leaf"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Tree"), ERROR_SUCCESS);

    UseFreshMachine("win98");
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Tree\\Leaf", &key), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Tree"), ERROR_SUCCESS) << "9x deletes the subtree";
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Tree", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
}

TEST_F(Registry, EnumerationAndInfoSeeSortedSubkeys) {
    HKEY parent, key;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "E\\beta", &key), ERROR_SUCCESS);
    RegCloseKey(key);
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "E\\Alpha", &key), ERROR_SUCCESS);
    RegCloseKey(key);
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "E", 0, KEY_ALL_ACCESS, &parent), ERROR_SUCCESS);
    DWORD subkeys = 0, longest = 0;
    ASSERT_EQ(RegQueryInfoKeyA(parent, nullptr, nullptr, nullptr, &subkeys, &longest, nullptr, nullptr, nullptr,
                               nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(subkeys, 2u);
    EXPECT_EQ(longest, 5u);
    char name[8];
    DWORD size = sizeof name;
    ASSERT_EQ(RegEnumKeyExA(parent, 0, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_STREQ(name, "Alpha");
    size = 3;
    EXPECT_EQ(RegEnumKeyExA(parent, 1, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    size = sizeof name;
    EXPECT_EQ(RegEnumKeyExA(parent, 2, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
    RegDeleteKeyA(HKEY_CURRENT_USER, "E\\Alpha");
    EXPECT_EQ(RegDeleteKeyA(parent, "beta"), ERROR_SUCCESS);
    RegCloseKey(parent);
}

TEST_F(Registry, PlainUsersCannotWriteMachineKeysOnNt) {
    winsim::CreateOptions user;
    user.plainUser = true;
    UseFreshMachine("winxp", user);
    HKEY key;
    EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Talven", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Mine", &key), ERROR_SUCCESS);
    RegCloseKey(key);
}

TEST_F(Registry, AKilledWriterNeverLeavesATornHive) {
    pid_t child = fork();
    if (child == 0) {
        HKEY key;
        if (RegCreateKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Churn", &key) != ERROR_SUCCESS) _exit(1);
        std::vector<BYTE> data(4096, 0x5A);
        for (DWORD i = 0;; ++i) {
            data[i % data.size()] = static_cast<BYTE>(i);
            RegSetValueExA(key, ("v" + std::to_string(i % 64)).c_str(), 0, REG_BINARY, data.data(),
                           static_cast<DWORD>(data.size()));
        }
    }
    usleep(300 * 1000);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    // The hive file parses by itself, and with its journal it holds whole values only.
    std::string text = ReadHostFile(dir_ + "/registry/HKLM.reg");
    winsim::RegKey root;
    std::string error;
    ASSERT_TRUE(winsim::ParseRegedit(text, winsim::kLocalMachine, root, error)) << error;
    ASSERT_TRUE(winsim::LoadHiveFiles(dir_, winsim::kLocalMachine, root));
    const winsim::RegKey* software = root.Find("SOFTWARE");
    ASSERT_NE(software, nullptr);
    const winsim::RegKey* churn = software->Find("Churn");
    ASSERT_NE(churn, nullptr);
    EXPECT_GT(churn->values.size(), 0u);
    for (const winsim::RegValue& v : churn->values) EXPECT_EQ(v.data.size(), 4096u) << v.name;

    // This process goes on writing over whatever the killed one left.
    HKEY key;
    ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Churn", &key), ERROR_SUCCESS);
    DWORD word = 7, read = 0, size = 4;
    ASSERT_EQ(RegSetValueExA(key, "after", 0, REG_DWORD, reinterpret_cast<BYTE*>(&word), 4), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExA(key, "after", nullptr, nullptr, reinterpret_cast<BYTE*>(&read), &size), ERROR_SUCCESS);
    EXPECT_EQ(read, 7u);
    RegCloseKey(key);
}

TEST_F(Registry, ATornJournalLineIsIgnoredAndCutOffByTheNextWriter) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Torn", &key), ERROR_SUCCESS);
    DWORD word = 1;
    ASSERT_EQ(RegSetValueExA(key, "kept", 0, REG_DWORD, reinterpret_cast<BYTE*>(&word), 4), ERROR_SUCCESS);
    std::string journal = dir_ + "/registry/HKCU.reg.log";
    {
        FILE* f = std::fopen(journal.c_str(), "ab");
        ASSERT_NE(f, nullptr);
        std::fputs("V\t4\t0200", f);  // a killed writer's half line
        std::fclose(f);
    }
    winsim::RegKey root;
    ASSERT_TRUE(winsim::LoadHiveFiles(dir_, winsim::kCurrentUser, root));
    ASSERT_NE(root.Find("Torn"), nullptr);
    EXPECT_EQ(root.Find("Torn")->values.size(), 1u);

    word = 2;
    ASSERT_EQ(RegSetValueExA(key, "next", 0, REG_DWORD, reinterpret_cast<BYTE*>(&word), 4), ERROR_SUCCESS);
    RegCloseKey(key);
    std::string text = ReadHostFile(journal);
    winsim::RegKey replayed;
    EXPECT_EQ(winsim::ApplyJournal(text, 0, replayed), text.size()) << "every line is whole again";
    EXPECT_EQ(RegistryText("HKEY_CURRENT_USER\\Torn"),
              "REGEDIT4\n\n[HKEY_CURRENT_USER\\Torn]\n\"kept\"=dword:00000001\n\"next\"=dword:00000002\n\n");
}

TEST_F(Registry, JournalLinesKeepOddNamesAndReplayingThemChangesNothing) {
    using winsim::RegChange;
    std::vector<RegChange> changes = {
        {RegChange::kCreateKey, {"A", "tab\there", "100%"}, {}},
        {RegChange::kSetValue, {"A", "B"}, {"line\nbreak", REG_BINARY, {0, 0xFF, '\t'}}},
        {RegChange::kSetValue, {"A", "B"}, {"", REG_SZ, {'x', 0}}},
        {RegChange::kDeleteValue, {"A", "B"}, {"LINE\nBREAK", REG_NONE, {}}},
        {RegChange::kCreateKey, {"Gone", "Child"}, {}},
        {RegChange::kDeleteKey, {"Gone"}, {}},
    };
    std::string journal;
    for (const RegChange& c : changes) {
        std::string line = winsim::FormatChange(c);
        EXPECT_EQ(std::count(line.begin(), line.end(), '\n'), 1) << line;
        journal += line;
    }
    winsim::RegKey once;
    ASSERT_EQ(winsim::ApplyJournal(journal, 0, once), journal.size());
    std::string first;
    winsim::WriteRegedit(once, "HKEY_CURRENT_USER", first);
    EXPECT_EQ(first,
              "[HKEY_CURRENT_USER]\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n\r\n[HKEY_CURRENT_USER\\A\\B]\r\n@=\"x\"\r\n\r\n"
              "[HKEY_CURRENT_USER\\A\\tab\there]\r\n\r\n[HKEY_CURRENT_USER\\A\\tab\there\\100%]\r\n\r\n");
    // A process that died between writing the hive and removing its journal.
    ASSERT_EQ(winsim::ApplyJournal(journal, 0, once), journal.size());
    std::string second;
    winsim::WriteRegedit(once, "HKEY_CURRENT_USER", second);
    EXPECT_EQ(second, first);

    winsim::RegChange parsed;
    EXPECT_FALSE(winsim::ParseChange("Q\tA", parsed));
    EXPECT_FALSE(winsim::ParseChange("V\t4\t0g\t\tA", parsed)) << "not hex";
    EXPECT_FALSE(winsim::ParseChange("D", parsed)) << "the root cannot go";
    EXPECT_FALSE(winsim::ParseChange("K\tA%2", parsed)) << "cut escape";
}

}  // namespace
