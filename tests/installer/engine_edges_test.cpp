// The engine at its edges: LowerFilters lists around the size of the
// in-place buffer, the images a successful upgrade leaves (none), and a
// failed run that could not save the move record file.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <string>

#include "engine_fixture.h"
#include "status.h"
#include "winmain.h"
#include "winsim/machine_tools.h"

namespace {

const DWORD kAll = FE_WIN9X | FE_NT4 | FE_W2K;
const char kClass[] = "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E965-E325-11CE-BFC1-08002BE10318}";

class EngineEdges : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        Start("winxp");
        PlantServiceKey();
    }
    void TearDown() override {
        std::string error;
        winsim::SetFaults("", error);
        EngineTest::TearDown();
    }
    void SetFilters(const std::string& bytes) {
        HKEY key;
        ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kClass, 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExA(key, "LowerFilters", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(bytes.data()),
                                 static_cast<DWORD>(bytes.size())),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }
    std::string Filters() {
        HKEY key;
        BYTE data[1024];
        DWORD size = sizeof data;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kClass, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return "(no key)";
        LONG error = RegQueryValueExA(key, "LowerFilters", nullptr, nullptr, data, &size);
        RegCloseKey(key);
        return error == ERROR_SUCCESS ? std::string(reinterpret_cast<char*>(data), size) : "(none)";
    }
    // Image files (KVT*.TMP) in a directory, the move record file aside.
    std::string Images(const std::string& windowsDir) {
        std::string found;
        for (const auto& entry : std::filesystem::directory_iterator(Host(windowsDir))) {
            std::string name = entry.path().filename().string(), lower = name;
            for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            bool image = lower.size() > 7 && lower.compare(0, 3, "kvt") == 0 && lower.compare(lower.size() - 4, 4, ".tmp") == 0;
            if (image && lower != "kvtinit.tmp") found += name + " ";
        }
        return found;
    }
};

TEST_F(EngineEdges, ListsAroundTheInPlaceBufferGetTheFilter) {
    // The list is read in place up to a size, and into a block of its own
    // beyond: each size around that edge must take the name behind it.
    for (size_t bytes = 245; bytes <= 262; ++bytes) {
        // One filter name that fills the list: the name, its NUL and the list's NUL.
        std::string list = std::string(bytes - 2, 'F') + std::string(2, '\0');
        SetFilters(list);
        StatusWord = StatusQualifier = 0;
        InsertLowerFilter();
        EXPECT_FALSE(StatusIsError()) << bytes << " bytes: status " << StatusWord;
        EXPECT_EQ(Filters(), std::string(bytes - 2, 'F') + '\0' + "Halvik" + std::string(2, '\0')) << bytes << " bytes";
    }
}

TEST_F(EngineEdges, AnUpgradeWithAnEntryAlreadyCurrentLeavesNoImage) {
    // One entry replaced, one already current, and the registry script: the
    // images of all of them go, whether moved into place or not needed.
    WriteHostFile(work_ + "/GOOD.INF", "[HKEY_LOCAL_MACHINE]\r\nREGKEY=SOFTWARE\\Edges\r\n");
    std::string archive = MakeArchive(
        {{"OLD.EXE", Payload("HALVIK2K.SYS")}, {"SAME.EXE", Payload("HALVIK2K.SYS")}, {"GOOD.INF", work_ + "/GOOD.INF"}});
    FileSet& set = MakeSet({Entry("GOOD.INF", "good.inf", "good", DIR_TEMP, FE_REGISTRY_SCRIPT | kAll, 0),
                            Entry("OLD.EXE", "old.exe", "old", DIR_SYSTEM32, kAll, 1),
                            Entry("SAME.EXE", "same.exe", "same", DIR_SYSTEM32, kAll, 2)},
                           archive);
    Put("C:\\WINDOWS\\system32\\old.exe", Payload("variants/7.1.0.188/HALVIK.SYS"));
    Put("C:\\WINDOWS\\system32\\same.exe", Payload("HALVIK2K.SYS"), 2000000000);
    ASSERT_TRUE(InstallSequence(&set)) << Log();
    ASSERT_TRUE(states_[1].upgrade);
    ASSERT_FALSE(states_[2].upgrade) << "the second entry is current";
    EXPECT_EQ(ReadHostFile(Host("C:\\WINDOWS\\system32\\old.exe")), ReadHostFile(Payload("HALVIK2K.SYS")));
    EXPECT_EQ(Images("C:\\WINDOWS\\system32"), "") << Log();
    EXPECT_EQ(Images(winsim::CurrentProfile().tempPath), "");
}

TEST_F(EngineEdges, AMoveRecordFileThatCannotBeSavedKeepsTheEarlierRunsWaitingFile) {
    // An earlier run left 7.0.5.300 waiting for the driver, with its move
    // record. This run fails at once: the journal's copy of the record file
    // cannot be made. The waiting file, the record and the queued move stay.
    const std::string drivers = "C:\\WINDOWS\\system32\\drivers\\";
    const std::string waiting = drivers + "KVT7.TMP", target = drivers + "late.sys";
    std::string archive = MakeArchive({{"LATE.SYS", Payload("HALVIK2K.SYS")}});
    FileSet& set = MakeSet({Entry("LATE.SYS", "late.sys", "late", DIR_DRIVERS, FE_NEEDS_RESTART | kAll, 4)}, archive);
    Put(target, Payload("variants/7.1.0.188/HALVIK.SYS"));
    Put(waiting, Payload("variants/7.0.5.300/HALVIK.SYS"));
    std::string record;
    for (uint32_t v : {uint32_t(12 + waiting.size() + target.size()), uint32_t(waiting.size()), uint32_t(target.size())})
        for (int i = 0; i < 4; ++i) record += static_cast<char>(v >> (8 * i));
    record += waiting + target;
    WriteHostFile(Host("C:\\WINDOWS\\system32\\kvtinit.TMP"), record);
    std::string value = "\\??\\" + waiting + std::string(1, '\0') + "!\\??\\" + target + std::string(2, '\0');
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Session Manager", 0, KEY_SET_VALUE,
                            &key),
              ERROR_SUCCESS);
    RegSetValueExA(key, "PendingFileRenameOperations", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(value.data()),
                   static_cast<DWORD>(value.size()));
    RegCloseKey(key);
    std::string pending = Pending();
    std::string error;
    ASSERT_TRUE(winsim::SetFaults("CopyFileA:1:5", error)) << error;
    EXPECT_FALSE(InstallSequence(&set));
    winsim::SetFaults("", error);
    std::string log = Log();
    ASSERT_NE(log.find("CopyFile c:\\windows\\system32\\kvtinit.TMP to"), std::string::npos) << log;
    EXPECT_EQ(STATUS_CODE(StatusWord), 2066u);
    EXPECT_EQ(ReadHostFile(Host("C:\\WINDOWS\\system32\\kvtinit.TMP")), record);
    EXPECT_TRUE(HostFileExists(Host(waiting))) << log;
    EXPECT_EQ(Pending(), pending);
    EXPECT_EQ(ReadHostFile(Host(target)), ReadHostFile(Payload("variants/7.1.0.188/HALVIK.SYS")));
}

}  // namespace
