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

TEST_F(Process, ALockOfAnotherSpellingIsAnotherMutex) {
    std::string out = Shell(std::string(WINSIM_TOOL) + " hold " + Quote(dir_) + " 'vadide32 upgrade vadide32' -- " +
                            RunCommand("SILENT"));
    EXPECT_EQ(out.rfind("exit code 0x002", 0), 0u) << out;
}

// A path without a drive letter names a place on the machine (here the
// root of D:, the program's current drive), never one on the host.
TEST_F(Process, APathWithoutADriveStaysInTheMachine) {
    std::string host = dir_ + ".host";
    std::filesystem::create_directories(host);
    std::string out = Shell("cd " + Quote(host) + " && WINSIM_FAIL='GetTempPathA:1:5' " + RunCommand("SILENT LEAVELOG"));
    EXPECT_NE(out.find("exit code 0x"), std::string::npos) << out;
    EXPECT_TRUE(std::filesystem::is_empty(host)) << "the run wrote into the host's working folder";
    EXPECT_TRUE(HostFileExists(Host("D:\\HALVINST.LOG")));
    std::filesystem::remove_all(host);
}

TEST_F(Process, AHostPathRunsAsACopyInTheMachine) {
    std::string out = Shell(std::string(WINSIM_TOOL) + " run " + Quote(dir_) + " -- " + HALVINST_EXE + " SILENT LEAVELOG");
    EXPECT_NE(out.find("exit code 0x002"), std::string::npos) << out;
    EXPECT_NE(out.find("runs as C:\\"), std::string::npos) << out;
    std::string temp = Host(winsim::CurrentProfile().tempPath);
    EXPECT_TRUE(HostFileExists(temp + "/HALVINST.LOG"));
    EXPECT_FALSE(HostFileExists(temp + "/halvinst.exe"))
        << "the copy is removed after the run";
}

TEST_F(Process, AFileThatIsNoProgramIsRefused) {
    WriteHostFile(dir_ + "/d/README.TXT", "not a program\r\n");
    std::string out = Shell("(" + std::string(WINSIM_TOOL) + " run " + Quote(dir_) + " -- 'D:\\README.TXT'; echo status=$?)");
    EXPECT_NE(out.find("D:\\README.TXT is not a program (error 193, ERROR_BAD_EXE_FORMAT)"), std::string::npos) << out;
    EXPECT_NE(out.find("status=1"), std::string::npos) << out;
    EXPECT_EQ(out.find("exit code"), std::string::npos) << out;
}

TEST_F(Process, WithoutAMachineTheProgramSaysHowToGetOne) {
    std::string out = Shell("(env -u WINSIM_MACHINE " + std::string(HALVINST_EXE) + "; echo status=$?)");
    EXPECT_NE(out.find("winsim create DIR --profile winxp"), std::string::npos) << out;
    EXPECT_NE(out.find("status=3"), std::string::npos) << out;
}

}  // namespace
