// The wizard as a person drives it: scripted clicks, selections and answers
// against the real dialog, read back from the UI transcript.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "machine_fixture.h"
#include "machine_state.h"

namespace {

class Wizard : public MachineTest {
protected:
    void Prepare(const std::string& profile = "winxp") {
        UseFreshMachine(profile);
        std::filesystem::copy_file(HALVINST_EXE, dir_ + "/d/HALVINST.EXE");
        transcript_ = dir_ + ".transcript";
        std::filesystem::remove(transcript_);
    }
    void TearDown() override {
        std::filesystem::remove(transcript_);
        MachineTest::TearDown();
    }
    // Runs the installer visually with `script`; returns the status code.
    unsigned Run(const std::string& script, const std::string& args = "", const std::string& env = "") {
        std::string out = RunShell(env + " WINSIM_UI_INPUT='" + script + "' WINSIM_UI_TRANSCRIPT='" + transcript_ +
                                   "' " + WINSIM_TOOL + " run '" + dir_ + "' -- 'D:\\HALVINST.EXE' " + args);
        unsigned code = 0;
        EXPECT_EQ(std::sscanf(out.c_str(), "exit code 0x%x", &code), 1) << out;
        return code >> 20;
    }
    std::string Transcript() { return ReadHostFile(transcript_); }
    bool Shows(const std::string& text) { return Transcript().find(text) != std::string::npos; }
    std::string transcript_;
};

const char kInstall[] = "answer IDYES; click 1004; click 1004";

TEST_F(Wizard, AnInstallationThatNeedsARestartAsksForIt) {
    Prepare();
    EXPECT_EQ(Run(std::string(kInstall) + "; busy click 2; busy close; busy wait; click 2"), 2u);
    std::string t = Transcript();
    for (const char* quarter : {"progress 1003 25\n", "progress 1003 50\n", "progress 1003 75\n", "progress 1003 100\n"})
        EXPECT_NE(t.find(quarter), std::string::npos) << quarter;
    EXPECT_NE(t.find("(ignored"), std::string::npos) << "clicks while installing do nothing";
    EXPECT_NE(t.find("\"The new changes will not take effect until you reboot."), std::string::npos);
    EXPECT_NE(t.find("1004 default-button visible enabled focus \"&Yes\""), std::string::npos);
    EXPECT_NE(t.find("dialog 100 ended 0"), std::string::npos);
    EXPECT_NE(RegistryText("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Talven Halvik"), "")
        << "the restart page registers the uninstaller";
    EXPECT_NE(RegistryText("HKEY_LOCAL_MACHINE\\SOFTWARE\\Talven\\Halvik").find("\"Language\"=dword:00000409"),
              std::string::npos);
    EXPECT_FALSE(HostFileExists(dir_ + "/.winsim/restart/requested")) << "No: no restart";
}

TEST_F(Wizard, YesRestartsAndARefusedRestartShowsTheError) {
    Prepare();
    EXPECT_EQ(Run(std::string(kInstall) + "; busy wait; click 1004"), 2u);
    EXPECT_TRUE(HostFileExists(dir_ + "/.winsim/restart/requested"));

    Prepare();
    winsim::Profile p = winsim::CurrentProfile();
    p.refuseRestart = true;
    std::string error;
    ASSERT_TRUE(winsim::SaveProfile(dir_, p, error));
    EXPECT_EQ(Run(std::string(kInstall) + "; busy wait; click 1004; click 1004"), 2071u);
    EXPECT_TRUE(Shows("Windows cannot be restarted.  Please reboot after closing this setup wizard.\\nThe error code is 817-"))
        << Transcript();
}

TEST_F(Wizard, ASecondRunFindsNothingToDo) {
    Prepare();
    ASSERT_EQ(Run("", "SILENT"), 2u);
    EXPECT_EQ(Run(std::string(kInstall) + "; busy wait; answer IDOK"), 0u);
    EXPECT_TRUE(Shows("dialog 100 ended 1"));
    EXPECT_TRUE(Shows("messagebox \"Talven Setup Wizard\" 0x00000040 \"Tessera Disc Reader is up to date!\""));
}

TEST_F(Wizard, AFailureShowsTheMessageAndTheCode) {
    Prepare();
    EXPECT_EQ(Run(std::string(kInstall) + "; busy wait; click 1004", "", "WINSIM_FAIL='CopyFileA:1:5'"), 2066u);
    EXPECT_TRUE(Shows("An attempt to copy one or more files has failed.\\nThe error code is 812-2-")) << Transcript();
    EXPECT_TRUE(Shows("-00000005.\""));
    EXPECT_TRUE(Shows("1004 default-button visible enabled focus \"&OK\""));
}

TEST_F(Wizard, CancelAsksFirstAndCloseFollowsThePage) {
    Prepare();
    EXPECT_EQ(Run("answer IDYES; click 2; answer IDNO; close; answer IDYES"), 2049u);
    std::string t = Transcript();
    size_t first = t.find("\"Are you sure you want to exit now?\"");
    ASSERT_NE(first, std::string::npos);
    EXPECT_NE(t.find("\"Are you sure you want to exit now?\"", first + 1), std::string::npos) << "asked again on close";
    EXPECT_FALSE(HostFileExists(Host(winsim::CurrentProfile().tempPath + "HALVINST.LOG"))) << "a cancelled run deletes its log";

    Prepare();
    EXPECT_EQ(Run(std::string(kInstall) + "; busy wait; close"), 2u) << "closing the restart page counts as No";
    EXPECT_TRUE(Shows("dialog 100 ended 0"));
}

TEST_F(Wizard, LanguagesBackAndTheReadme) {
    Prepare();
    WriteHostFile(dir_ + "/d/halvinst.txt", "read me");
    EXPECT_EQ(Run("answer IDYES; select 1006 0; click 1004; click 1009; click 2; answer IDYES"), 2049u);
    std::string t = Transcript();
    EXPECT_NE(t.find("\"Talven Setup-Assistent\""), std::string::npos) << "the caption follows the language";
    EXPECT_NE(t.find("1009 button visible disabled"), std::string::npos);
    size_t welcome = t.find("1005 static visible");
    ASSERT_NE(welcome, std::string::npos);
    EXPECT_NE(t.find("1010 static visible", welcome), std::string::npos) << "Back returns to the language page";
    EXPECT_NE(ReadHostFile(dir_ + "/.winsim/processes").find("notepad D:\\halvinst.txt"), std::string::npos);
}

TEST_F(Wizard, ADialogThatCannotBeShownIsAnError) {
    Prepare();
    EXPECT_EQ(Run("answer IDYES", "", "WINSIM_FAIL='DialogBoxParamA:1:1813'"), 2050u);
    UseFreshMachine("win32s");
    std::filesystem::copy_file(HALVINST_EXE, dir_ + "/d/HALVINST.EXE");
    EXPECT_EQ(Run("answer IDOK"), 2052u) << "the refusal is shown and recorded";
}

}  // namespace
