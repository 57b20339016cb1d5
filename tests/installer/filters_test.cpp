// The CD/DVD class's LowerFilters value and the shell's cached volume keys.
#include <gtest/gtest.h>

#include <string>

#include "engine_fixture.h"
#include "keytree.h"
#include "status.h"
#include "winmain.h"

namespace {

const char kClass[] = "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E965-E325-11CE-BFC1-08002BE10318}";

const char kService[] = "SYSTEM\\CurrentControlSet\\Services\\Halvik";

class Filters : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        Start("winxp");
    }
    // A machine whose filter service key is complete.
    void Start(const std::string& profile) {
        EngineTest::Start(profile);
        PlantServiceKey();
    }
    void Set(DWORD type, const std::string& bytes) {
        HKEY key;
        ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kClass, 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExA(key, "LowerFilters", 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                                 static_cast<DWORD>(bytes.size())),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }
    std::string Get(DWORD* type = nullptr) {
        HKEY key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kClass, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return "(no key)";
        BYTE data[2048];
        DWORD size = sizeof data, t = 0;
        LONG error = RegQueryValueExA(key, "LowerFilters", nullptr, &t, data, &size);
        RegCloseKey(key);
        if (type) *type = t;
        return error == ERROR_SUCCESS ? std::string(reinterpret_cast<char*>(data), size) : "(none)";
    }
};

std::string Bytes(const char* text, size_t size) { return std::string(text, size); }

TEST_F(Filters, TheNameJoinsTheListByteForByte) {
    Set(REG_MULTI_SZ, Bytes("abc\0\0", 5));
    InsertLowerFilter();
    DWORD type;
    EXPECT_EQ(Get(&type), Bytes("abc\0Halvik\0\0", 12));
    EXPECT_EQ(type, static_cast<DWORD>(REG_MULTI_SZ));

    Set(REG_SZ, Bytes("abc\0", 4));
    InsertLowerFilter();
    EXPECT_EQ(Get(&type), Bytes("abc\0Halvik\0\0", 12)) << "a single string becomes a list";
    EXPECT_EQ(type, static_cast<DWORD>(REG_MULTI_SZ));

    Set(REG_MULTI_SZ, Bytes("abc\0", 4));
    InsertLowerFilter();
    EXPECT_EQ(Get(), Bytes("abc\0Halvik\0\0", 12)) << "a list without its closing empty string";

    Start("winxp");
    InsertLowerFilter();
    EXPECT_EQ(Get(), Bytes("Halvik\0\0", 8));
    EXPECT_TRUE(Logged("Attempting LowerFilters Insertion"));
}

TEST_F(Filters, AListedFilterInAnyCaseIsLeftAlone) {
    for (const char* name : {"HALVIK", "Halvik", "halvik"}) {
        std::string list = std::string("first") + '\0' + name + '\0' + "last" + '\0' + '\0';
        Set(REG_MULTI_SZ, list);
        InsertLowerFilter();
        EXPECT_EQ(Get(), list);
        EXPECT_EQ(StatusWord, 0u);
    }
}

// Windows stops reading the list at an empty string: the names behind one
// are never loaded. The list is rewritten without it, ours last.
TEST_F(Filters, AnEmptyStringInsideTheListIsDropped) {
    Set(REG_MULTI_SZ, Bytes("A\0\0B\0\0", 6));
    InsertLowerFilter();
    EXPECT_EQ(Get(), Bytes("A\0B\0Halvik\0\0", 12));
    Set(REG_MULTI_SZ, Bytes("A\0\0halvik\0B\0\0", 13));
    InsertLowerFilter();
    EXPECT_EQ(Get(), Bytes("A\0halvik\0B\0\0", 12)) << "listed, but where Windows never read it";
    EXPECT_EQ(StatusWord, 0u);
}

TEST_F(Filters, ALongListKeepsEveryEntry) {
    std::string list;
    for (int i = 0; i < 40; ++i) list += "filter" + std::to_string(i) + '\0';
    list += '\0';
    ASSERT_GT(list.size(), 258u);
    Set(REG_MULTI_SZ, list);
    InsertLowerFilter();
    EXPECT_EQ(Get(), list.substr(0, list.size() - 1) + "Halvik" + '\0' + '\0');
}

TEST_F(Filters, OnlyWindows2000AndXpAndFailuresAreRecorded) {
    for (const char* profile : {"nt4", "win98"}) {
        Start(profile);
        std::string before = RegistryText("HKEY_LOCAL_MACHINE");
        InsertLowerFilter();
        EXPECT_EQ(RegistryText("HKEY_LOCAL_MACHINE"), before) << profile;
    }
    Start("winxp");
    std::string error;
    ASSERT_TRUE(winsim::SetFaults("RegSetValueExA:1:5", error));
    SetSourcePosition(".\\install\\winmain.cpp", 1);
    InsertLowerFilter();
    EXPECT_EQ(StatusWord >> 20, 2078u);
    EXPECT_TRUE(Logged("RegSetValueEx failed on LowerFilters Insertion 0x00000005"));

    Start("winxp");
    // The first three queries read the service key.
    ASSERT_TRUE(winsim::SetFaults("RegQueryValueExA:4:5", error));
    Set(REG_MULTI_SZ, Bytes("other\0\0", 7));
    InsertLowerFilter();
    EXPECT_EQ(Get(), Bytes("other\0\0", 7)) << "a list that cannot be read is not overwritten";
    EXPECT_EQ(StatusWord >> 20, 2082u);
}

TEST_F(Filters, NoFilterWithoutACompleteServiceKey) {
    // A class lower filter without its service stops every CD/DVD drive.
    EngineTest::Start("winxp");
    Set(REG_MULTI_SZ, Bytes("other\0\0", 7));
    InsertLowerFilter();
    EXPECT_EQ(Get(), Bytes("other\0\0", 7));
    EXPECT_EQ(StatusWord >> 20, 2081u);
    EXPECT_EQ(StatusQualifier, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

    EngineTest::Start("winxp");
    HKEY key;
    ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, kService, &key), ERROR_SUCCESS);
    DWORD one = 1;
    RegSetValueExA(key, "Type", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one);
    RegSetValueExA(key, "Start", 0, REG_SZ, reinterpret_cast<const BYTE*>("0"), 2);
    RegCloseKey(key);
    InsertLowerFilter();
    EXPECT_EQ(Get(), "(none)") << "Start of the wrong type";
    EXPECT_EQ(StatusWord >> 20, 2082u);
}

TEST_F(Filters, CachedVolumeKeysGoOnlyForTheCdOfThe95Family) {
    const std::string base = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\MountPoints\\D\\";
    auto plant = [&] {
        HKEY key;
        for (const char* sub : {"Shell\\Open\\command", "_GVI", "Other"}) {
            ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, (base + sub).c_str(), &key), ERROR_SUCCESS);
            RegCloseKey(key);
        }
    };
    Start("win98");
    plant();
    ClearCachedVolumeInfo();
    std::string keys = RegistryText("HKEY_CURRENT_USER\\" + base.substr(0, base.size() - 1));
    EXPECT_EQ(keys.find("Shell"), std::string::npos) << keys;
    EXPECT_EQ(keys.find("_GVI"), std::string::npos);
    EXPECT_NE(keys.find("Other"), std::string::npos);

    Start("win98");
    winsim::SetProgramPath("C:\\SETUP\\HALVINST.EXE");
    plant();
    ClearCachedVolumeInfo();
    EXPECT_NE(RegistryText("HKEY_CURRENT_USER\\" + base + "Shell"), "") << "not from a hard disk";

    Start("winxp");
    plant();
    ClearCachedVolumeInfo();
    EXPECT_NE(RegistryText("HKEY_CURRENT_USER\\" + base + "_GVI"), "") << "not on the NT family";
    EXPECT_TRUE(DeleteKeyTree(HKEY_CURRENT_USER, (base + "Shell").c_str()));
    EXPECT_FALSE(DeleteKeyTree(HKEY_CURRENT_USER, (base + "Shell").c_str()));
}

}  // namespace
