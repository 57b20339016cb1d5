// The wizard as a person drives it: scripted clicks, selections and answers
// against the real dialog, read back from the UI transcript.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <string>

#include "header_places.h"
#include "machine_fixture.h"
#include "machine/machine_state.h"

namespace {

class Wizard : public MachineTest {
protected:
    void Prepare(const std::string& profile = "winxp", unsigned language = 0) {
        winsim::CreateOptions options;
        options.langId = language;
        UseFreshMachine(profile, options);
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
    // Applications on the machine refuse to close, so every restart request is refused.
    void RefuseRestarts() {
        winsim::Profile p = winsim::CurrentProfile();
        p.refuseRestart = true;
        std::string error;
        ASSERT_TRUE(winsim::SaveProfile(dir_, p, error));
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
    RefuseRestarts();
    EXPECT_EQ(Run(std::string(kInstall) + "; busy wait; click 1004; click 1004"), 2071u);
    EXPECT_TRUE(Shows("Windows cannot be restarted.  Please reboot after closing this setup wizard.\\nThe error code is 817-"))
        << Transcript();
    // The error page labels its buttons for itself, not with the restart page's Yes and No.
    std::string t = Transcript();
    size_t errorPage = t.rfind("screen 100", t.find("The error code is 817-"));
    ASSERT_NE(errorPage, std::string::npos);
    EXPECT_NE(t.find("  2 button visible enabled \"&Cancel\"", errorPage), std::string::npos) << t.substr(errorPage);
    EXPECT_EQ(t.find("\"&No\"", errorPage), std::string::npos) << t.substr(errorPage);
}

// A refused restart is a failed run on every family: the error page shows it and the log stays,
// with or without LEAVELOG, and holds the refusal and the final status.
TEST_F(Wizard, ARefusedRestartKeepsTheLogOnEveryFamily) {
    for (const char* profile : {"win98", "winxp"}) {
        for (const char* args : {"", "LEAVELOG"}) {
            Prepare(profile);
            RefuseRestarts();
            EXPECT_EQ(Run(std::string(kInstall) + "; busy wait; click 1004; click 1004", args), 2071u)
                << profile << " " << args;
            EXPECT_TRUE(Shows("Windows cannot be restarted.  Please reboot after closing this setup wizard.\\n"))
                << Transcript();
            std::string logPath = Host(winsim::CurrentProfile().tempPath + "HALVINST.LOG");
            ASSERT_TRUE(HostFileExists(logPath)) << profile << " " << args;
            std::string log = ReadHostFile(logPath);
            EXPECT_NE(log.find(": ExitWindowsEx failed 0x"), std::string::npos) << log;
            EXPECT_NE(log.find(": Final Status 0x817"), std::string::npos) << log;
        }
    }
    // An accepted restart on the 95 family keeps the log only when asked to.
    for (const char* args : {"", "LEAVELOG"}) {
        Prepare("win98");
        EXPECT_EQ(Run(std::string(kInstall) + "; busy wait; click 1004", args), 2u);
        EXPECT_TRUE(HostFileExists(dir_ + "/.winsim/restart/requested"));
        EXPECT_EQ(HostFileExists(Host(winsim::CurrentProfile().tempPath + "HALVINST.LOG")), args[0] != '\0') << args;
    }
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

// The installer with one stored byte in the middle of `entry` changed.
std::string DamagedInOneDataByte(std::string program, const std::string& entry) {
    for (const HeaderPlace& place : HeaderPlaces(program)) {
        if (place.name != entry) continue;
        const size_t middle = place.offset + place.length + FieldValue(program, place.compressedSize) / 2;
        program[middle] = static_cast<char>(~program[middle]);
        return program;
    }
    return "";
}

// A carried file damaged on the disc: the run stops before it changes anything, and the error
// page says in words what happened (its own message, in the user's language) above the code.
TEST_F(Wizard, ADamagedCarriedFileIsNamedOnTheErrorPage) {
    const struct {
        unsigned language;
        const char* message;
    } rows[] = {{0x0409, "An error occurred while installing Tessera Disc Reader:\\nOne or more files of the setup "
                         "wizard are damaged.\\nThe error code is 815-2-"},
                {0x0407, "\\nEine oder mehrere Dateien des Setup-Assistenten sind besch\u00e4digt.\\n"}};
    for (const auto& row : rows) {
        Prepare("winxp", row.language);
        // Restamped: the setup's own digest would stop it sooner (setup_archive_test.cpp).
        std::string damaged = DamagedInOneDataByte(ReadHostFile(HALVINST_EXE), "HALVINST.INF");
        ASSERT_FALSE(damaged.empty());
        Restamp(damaged);
        WriteHostFile(dir_ + "/d/HALVINST.EXE", damaged);
        const std::string before = RegistryText("HKEY_LOCAL_MACHINE\\SYSTEM");
        EXPECT_EQ(Run(std::string(kInstall) + "; click 1004"), 2069u);
        EXPECT_TRUE(Shows(row.message)) << Transcript();
        EXPECT_TRUE(Shows("-FFFFFFF9.\"")) << "the qualifier is the codec's CRC result";
        EXPECT_EQ(RegistryText("HKEY_LOCAL_MACHINE\\SYSTEM"), before);
        const std::string log = ReadHostFile(Host(winsim::CurrentProfile().tempPath + "HALVINST.LOG"));
        EXPECT_NE(log.find(": cxTestFile failure 0xFFFFFFF9 on HALVINST.INF\r\n"), std::string::npos) << log;
        EXPECT_NE(log.find("Qualifier 0xFFFFFFF9\r\n"), std::string::npos) << log;
        EXPECT_NE(log.find(": Final Status 0x815"), std::string::npos) << log;
    }
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

// Machines of many languages, clicked through to the language page and cancelled there: every
// text the user is shown comes from a table the machine can show.
TEST_F(Wizard, EveryLanguageOfWindowsGetsAReadableWizard) {
    const struct {
        unsigned language;
        const char* question;  // the start of the install question
        const char* caption;
        const char* next;
        const char* back;
        const char* cancel;
    } rows[] = {
        {0x040D, "The disc you inserted", "Talven Setup Wizard", "&Next >", "< &Back", "&Cancel"},
        {0x0401, "The disc you inserted", "Talven Setup Wizard", "&Next >", "< &Back", "&Cancel"},
        {0x042A, "The disc you inserted", "Talven Setup Wizard", "&Next >", "< &Back", "&Cancel"},
        {0x0419, "The disc you inserted", "Talven Setup Wizard", "&Next >", "< &Back", "&Cancel"},
        {0x0415, "The disc you inserted", "Talven Setup Wizard", "&Next >", "< &Back", "&Cancel"},
        {0x0408, "The disc you inserted", "Talven Setup Wizard", "&Next >", "< &Back", "&Cancel"},
        {0x040B, "The disc you inserted", "Talven Setup Wizard", "&Next >", "< &Back", "&Cancel"},
        {0x0407, "Die eingelegte Disc", "Talven Setup-Assistent", "&Weiter >", "< &Zur\u00fcck", "&Abbrechen"},
        {0x040C, "Le disque que vous", "Assistant d'installation Talven", "&Suivant >", "< &Pr\u00e9c\u00e9dent",
         "&Annuler"},
        {0x0411, "\u633f\u5165\u3055\u308c\u305f", "Talven \u30bb\u30c3\u30c8\u30a2\u30c3\u30d7 \u30a6\u30a3\u30b6\u30fc\u30c9",
         "\u6b21\u3078(&N) >", "< \u623b\u308b(&B)", "\u30ad\u30e3\u30f3\u30bb\u30eb"},
    };
    for (const auto& row : rows) {
        Prepare("winxp", row.language);
        EXPECT_EQ(Run("answer IDYES; click 2; answer IDYES"), 2049u) << std::hex << row.language;
        std::string t = Transcript();
        EXPECT_NE(t.find(std::string("messagebox \"") + row.caption + "\" 0x00000004 \"" + row.question),
                  std::string::npos)
            << std::hex << row.language << t;
        EXPECT_NE(t.find(std::string("screen 100 \"") + row.caption + "\""), std::string::npos) << t;
        EXPECT_NE(t.find(std::string("1004 default-button visible enabled \"") + row.next + "\""), std::string::npos)
            << t;
        EXPECT_NE(t.find(std::string("1009 button visible disabled \"") + row.back + "\""), std::string::npos) << t;
        EXPECT_NE(t.find(std::string("2 button visible enabled \"") + row.cancel + "\""), std::string::npos) << t;
        // No default character stands in for a letter anywhere ("m?ssen", "Espa?ol").
        for (size_t q = t.find('?'); q != std::string::npos; q = t.find('?', q + 1))
            EXPECT_FALSE(q + 1 < t.size() && std::isalpha(static_cast<unsigned char>(t[q + 1])))
                << std::hex << row.language << ": " << t.substr(q > 30 ? q - 30 : 0, 60);
    }
}

TEST_F(Wizard, MessageBoxesHaveTheButtonsOfTheMachinesLanguage) {
    Prepare("winxp", 0x0407);
    EXPECT_EQ(Run("key J; key ESC; key N; close; key ENTER"), 2049u) << Transcript();
    std::string t = Transcript();
    EXPECT_NE(t.find("  buttons \"&Ja\" \"&Nein\"\nanswer line 1: IDYES"), std::string::npos) << t;
    EXPECT_NE(t.find("input line 2: key ESC"), std::string::npos) << "Esc on the wizard asks to cancel";
    EXPECT_NE(t.find("answer line 3: IDNO"), std::string::npos) << t;
    EXPECT_NE(t.find("answer line 5: IDYES"), std::string::npos) << "Enter presses the first button";

    Prepare("winxp", 0x0411);
    EXPECT_EQ(Run("answer IDNO"), 2049u);
    EXPECT_TRUE(Shows("  buttons \"\u306f\u3044(&Y)\" \"\u3044\u3044\u3048(&N)\"")) << Transcript();
}

// A script that runs out stops the run: no dialog ends by itself, nothing restarts.
TEST_F(Wizard, AScriptThatRunsOutStopsTheRun) {
    Prepare();
    std::string out = RunShell("WINSIM_UI_INPUT='answer IDYES; click 1004' WINSIM_UI_TRANSCRIPT='" + transcript_ + "' " +
                               WINSIM_TOOL + " run '" + dir_ + "' -- 'D:\\HALVINST.EXE' 2>&1; echo status=$?");
    EXPECT_NE(out.find("the UI script ran out while dialog 100 waited for input"), std::string::npos) << out;
    EXPECT_NE(out.find("run stopped: the program waited for UI input that could not come"), std::string::npos) << out;
    EXPECT_NE(out.find("status=4"), std::string::npos) << out;
    EXPECT_TRUE(Shows("stopped: no more input"));
    EXPECT_FALSE(Shows("dialog 100 ended"));
    EXPECT_FALSE(HostFileExists(dir_ + "/.winsim/restart/requested"));

    // A question left without an answer stops it too, rather than taking No for the user.
    Prepare();
    out = RunShell(std::string(WINSIM_TOOL) + " run '" + dir_ + "' -- 'D:\\HALVINST.EXE' 2>&1; echo status=$?");
    EXPECT_NE(out.find("there is no UI script to answer message box"), std::string::npos) << out;
    EXPECT_NE(out.find("status=4"), std::string::npos) << out;

    out = RunShell("WINSIM_UI=termnial " + std::string(WINSIM_TOOL) + " run '" + dir_ + "' -- 'D:\\HALVINST.EXE'");
    EXPECT_NE(out.find("WINSIM_UI='termnial' is not a user interface"), std::string::npos) << out;
}

}  // namespace
