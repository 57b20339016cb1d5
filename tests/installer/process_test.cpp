// The installer as a process on a simulated machine: exit codes, the
// single-instance lock, and what a refused second copy leaves behind.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "machine_fixture.h"

namespace {

std::string Shell(const std::string& command) { return RunShell(command); }

std::string Quote(const std::string& s) { return "'" + s + "'"; }

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

class Process : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        std::filesystem::copy_file(HALVINST_EXE, dir_ + "/d/HALVINST.EXE");
    }
    std::string RunCommand(const std::string& args) {
        return std::string(WINSIM_TOOL) + " run " + Quote(dir_) + " -- 'D:\\HALVINST.EXE' " + args;
    }
    std::string Run(const std::string& args) { return Shell(RunCommand(args)); }
    std::string Held(const std::string& args) {
        return Shell(std::string(WINSIM_TOOL) + " hold " + Quote(dir_) + " 'VaDiDe32 UPGRADE VaDiDe32' -- " +
                     RunCommand(args));
    }
    std::string LogFile() { return dir_ + "/c/Documents and Settings/Administrator/Local Settings/Temp/HALVINST.LOG"; }
};

TEST_F(Process, TheExitCodeIsTheWholeStatusWord) {
    std::string out = Run("SILENT LEAVELOG");
    ASSERT_EQ(out.rfind("exit code 0x002", 0), 0u) << out;
    std::string code = out.substr(12, 8);
    std::string log = ReadHostFile(LogFile());
    EXPECT_NE(log.find("Final Status 0x" + code + " Qualifier 0x00000000"), std::string::npos) << log;
}

TEST_F(Process, ASecondCopyLeavesAtOnceWithoutALog) {
    std::string out = Held("SILENT LEAVELOG");
    EXPECT_EQ(out.rfind("exit code 0x8034", 0), 0u) << out;
    EXPECT_FALSE(HostFileExists(LogFile()));
    EXPECT_EQ(RegistryText("HKEY_LOCAL_MACHINE\\SOFTWARE\\Talven"), "");

    out = Held("LEAVESTATUS");
    ASSERT_EQ(out.rfind("exit code 0x8034", 0), 0u) << out;
    EXPECT_EQ(RegistryText("HKEY_LOCAL_MACHINE\\SOFTWARE\\Talven\\UpgWizCompletion\\halvinst"),
              "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Talven\\UpgWizCompletion\\halvinst]\n"
              "\"Status\"=dword:" + Lower(out.substr(12, 8)) + "\n\"Qualifier\"=dword:00000000\n\n");
    EXPECT_FALSE(HostFileExists(LogFile()));
}

TEST_F(Process, AnAbandonedLockAdmitsTheNextRun) {
    Shell(std::string(WINSIM_TOOL) + " hold " + Quote(dir_) + " 'VaDiDe32 UPGRADE VaDiDe32' --abandon");
    std::string out = Run("SILENT");
    EXPECT_EQ(out.rfind("exit code 0x002", 0), 0u) << out;
    EXPECT_FALSE(HostFileExists(LogFile())) << "a clean run deletes its log";
}

TEST_F(Process, WithoutAMachineTheProgramSaysHowToGetOne) {
    std::string out = Shell("(env -u WINSIM_MACHINE " + std::string(HALVINST_EXE) + "; echo status=$?)");
    EXPECT_NE(out.find("winsim create DIR --profile winxp"), std::string::npos) << out;
    EXPECT_NE(out.find("status=3"), std::string::npos) << out;
}

}  // namespace
