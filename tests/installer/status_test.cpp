// The status word, its messages and the completion record.
#include <gtest/gtest.h>

#include "install.h"
#include "installer_state.h"
#include "log.h"
#include "machine_fixture.h"
#include "status.h"

namespace {

class Status : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        ResetInstaller();
        winsim::SetProgramPath("D:\\Setup\\HALVINST.EXE");
        LogOpen("C:\\status.log");
    }
    void TearDown() override {
        ResetInstaller();
        winsim::SetProgramPath("");
        MachineTest::TearDown();
    }
    std::string Log() { return ReadHostFile(Host("C:\\status.log")); }
};

TEST_F(Status, PacksCodeModuleAndLine) {
    SetSourcePosition(".\\install\\install.cpp", 0x04A6);
    RecordStatus(2085, 112);
    EXPECT_EQ(StatusWord, 0x825104A6u);
    EXPECT_EQ(StatusQualifier, 112u);
    EXPECT_NE(Log().find(" INSTALL1190: Status 0x825104A6 Qualifier 0x00000070\r\n"), std::string::npos) << Log();
    EXPECT_TRUE(StatusIsError());
}

TEST_F(Status, ModulesAreFoundWithoutCaseAndOthersAreZero) {
    EXPECT_EQ(ModuleNumber(".\\install\\install.cpp"), 1u);
    EXPECT_EQ(ModuleNumber(".\\install\\upgrade.cpp"), 2u);
    EXPECT_EQ(ModuleNumber("C:\\src\\REGISTRY.CPP"), 3u);
    EXPECT_EQ(ModuleNumber(".\\install\\winmain.cpp"), 4u);
    EXPECT_EQ(ModuleNumber("log"), 5u);
    EXPECT_EQ(ModuleNumber(".\\Halvinst\\Halvinst.cpp"), 0u);
    EXPECT_EQ(ModuleNumber(".\\install\\logger.cpp"), 0u);
    SetSourcePosition(".\\Halvinst\\Halvinst.cpp", 70000);
    RecordStatus(1, 0);
    EXPECT_EQ(StatusWord, (1u << 20) | (70000u & 0xFFFF)) << "only the low 16 bits of the line";
}

TEST_F(Status, ProgressCodesGiveWayAndTheFirstErrorStays) {
    SetSourcePosition(".\\install\\upgrade.cpp", 10);
    RecordStatus(0, 0);
    RecordStatus(1, 0);
    RecordStatus(2, 0);
    EXPECT_EQ(STATUS_CODE(StatusWord), 2u);
    EXPECT_FALSE(StatusIsError());
    RecordStatus(2066, 5);
    EXPECT_EQ(StatusWord, 0x8122000Au);
    SetSourcePosition(".\\install\\log.cpp", 11);
    RunFlags.leaveStatus = TRUE;
    std::string before = Log();
    RecordStatus(2070, 2);
    RecordStatus(3, 0);
    EXPECT_EQ(StatusWord, 0x8122000Au);
    EXPECT_EQ(StatusQualifier, 5u);
    EXPECT_EQ(Log(), before) << "a later record logs nothing";
    EXPECT_EQ(RegistryText("HKEY_LOCAL_MACHINE\\SOFTWARE\\Talven"), "") << "nor reaches the registry";
}

TEST_F(Status, CompletionRecordOnlyWithLeaveStatus) {
    SetSourcePosition(".\\install\\winmain.cpp", 5);
    RecordStatus(0, 0);
    EXPECT_EQ(RegistryText("HKEY_LOCAL_MACHINE\\SOFTWARE\\Talven"), "");

    RunFlags.leaveStatus = TRUE;
    RecordStatus(1, 0);
    // Writing the record moved the position into the registry module.
    EXPECT_EQ(ModuleNumber(SourceFile), 3u);
    SetSourcePosition(".\\install\\winmain.cpp", 5);
    RecordStatus(2054, 8);
    EXPECT_EQ(RegistryText("HKEY_LOCAL_MACHINE\\SOFTWARE\\Talven\\UpgWizCompletion\\halvinst"),
              "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Talven\\UpgWizCompletion\\halvinst]\n"
              "\"Status\"=dword:80640005\n\"Qualifier\"=dword:00000008\n\n");
    std::string log = Log();
    for (const char* key : {"SOFTWARE\\Talven", "UpgWizCompletion", "halvinst"}) {
        std::string line = std::string("Created new registry key ") + key + "\r\n";
        size_t first = log.find(line);
        ASSERT_NE(first, std::string::npos) << key;
        EXPECT_EQ(log.find(line, first + 1), std::string::npos) << key << " logged twice";
        EXPECT_EQ(log.compare(log.rfind('\n', first) + 1, 8, "REGISTRY"), 0) << "from the registry module";
    }
}

TEST_F(Status, ACompletionKeyThatCannotBeMadeIsSilent) {
    std::string error;
    ASSERT_TRUE(winsim::SetFaults("RegCreateKeyExA:2:5", error));
    RunFlags.leaveStatus = TRUE;
    SetSourcePosition(".\\install\\winmain.cpp", 5);
    RecordStatus(2050, 1);
    EXPECT_EQ(STATUS_CODE(StatusWord), 2050u);
    EXPECT_EQ(RegistryText("HKEY_LOCAL_MACHINE\\SOFTWARE\\Talven"),
              "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Talven]\n\n");
}

// The message of every code, written out as the table gives it.
DWORD ExpectedMessage(DWORD code, DWORD qualifier) {
    if (code == 2069) {
        LONG q = static_cast<LONG>(qualifier);
        if (q == -7) return 2088;
        if (q == -3) return 2054;
        if (q == -15 || q == 49) return 2073;
        if (q == -31 || q == -33) return 2080;
        return 2069;
    }
    bool own = code == 2050 || code == 2053 || code == 2054 || (code >= 2064 && code <= 2068) ||
               (code >= 2070 && code <= 2087);
    return own ? code : 2050;
}

TEST(ErrorMessages, EveryCodeAndTheDecompressionRefinement) {
    for (DWORD code = 0; code < 4096; ++code)
        EXPECT_EQ(ErrorMessageId(code << 20 | 0x40001, 0), ExpectedMessage(code, 0)) << code;
    for (LONG q = -40; q <= 60; ++q)
        EXPECT_EQ(ErrorMessageId(2069u << 20, static_cast<DWORD>(q)), ExpectedMessage(2069, static_cast<DWORD>(q)))
            << q;
    EXPECT_EQ(ErrorMessageId(2069u << 20, static_cast<DWORD>(-31)), 2080u);
    EXPECT_EQ(ErrorMessageId(2069u << 20, static_cast<DWORD>(-7)), 2088u);
    EXPECT_EQ(ErrorMessageId(2069u << 20, 5), 2069u);
    EXPECT_EQ(ErrorMessageId(2051u << 20, 0), 2050u);
    EXPECT_EQ(ErrorMessageId(2055u << 20, 0), 2050u);
}

TEST(ErrorMessages, FourFieldCode) {
    char out[1024];
    FormatErrorCode(out, "An error occurred while installing Tessera Disc Reader:\n%s\nThe error code is %03lX-%lX-%04lX-%08lX.",
                    "Disk write failed.", 0x825104A6u, 112);
    EXPECT_STREQ(out, "An error occurred while installing Tessera Disc Reader:\nDisk write failed.\n"
                      "The error code is 825-1-04A6-00000070.");
}

}  // namespace
