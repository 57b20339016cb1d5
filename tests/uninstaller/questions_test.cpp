// The visual uninstaller in every language: its question (No and Yes), its
// messages and the restart question, through a UI script.
#include <gtest/gtest.h>

#include "machine/machine_state.h"
#include "sources_fixture.h"
#include "uninstaller_fixture.h"

namespace {

class Questions : public Uninstall {
protected:
    void TearDown() override {
        std::filesystem::remove(transcript_);
        Uninstall::TearDown();
    }
    // Runs the installed uninstaller (or `program`) visually with `script`.
    unsigned Ask(const std::string& script, const std::string& env = "", const std::string& program = "",
                 const std::string& args = "") {
        transcript_ = dir_ + ".transcript";
        std::filesystem::remove(transcript_);
        std::string settings = env + " WINSIM_UI_INPUT='" + script + "' WINSIM_UI_TRANSCRIPT='" + transcript_ + "'";
        if (program.empty()) return Remove(args, settings);
        return RunProgram("'" + program + "'", args, settings);
    }
    std::string Transcript() { return ReadHostFile(transcript_); }
    std::string transcript_;
};

// A message box line of the transcript: caption, style, text (line breaks as \n).
std::string BoxText(const resgen::StringTable& table, std::uint16_t id) {
    std::string text = Utf8(TextOf(table, id)), out;
    for (char c : text) out += c == '\n' ? std::string("\\n") : std::string(1, c);
    return "\"" + out + "\"";
}

unsigned CodePageOf(std::uint16_t language) {
    switch (language) {
    case 0x0404: return 950;
    case 0x0411: return 932;
    case 0x0412: return 949;
    case 0x041E: return 874;
    case 0x0804: return 936;
    default: return 1252;
    }
}

TEST_F(Questions, EveryLanguageAsksTellsAndOffersTheRestart) {
    for (const resgen::StringTable& table : TreeSources().stringTables) {
        std::string language = std::to_string(table.language);
        winsim::CreateOptions options;
        options.langId = table.language;
        Prepare("winxp", options);
        winsim::Profile p = winsim::CurrentProfile();
        p.codePage = CodePageOf(table.language);
        std::string error;
        ASSERT_TRUE(winsim::SaveProfile(dir_, p, error));
        ASSERT_EQ(Install(), 2u);

        EXPECT_EQ(Ask("answer IDNO"), 2049u) << language;
        std::string t = Transcript();
        EXPECT_NE(t.find(BoxText(table, 32)), std::string::npos) << language << ": the caption\n" << t;
        EXPECT_NE(t.find(BoxText(table, 33)), std::string::npos) << language << ": the question\n" << t;
        EXPECT_TRUE(HostFileExists(Host(System32() + "\\drivers\\Halvik.sys"))) << "No removes nothing";

        // The driver in use: Yes removes, then the restart question; No keeps Windows running.
        EXPECT_EQ(Ask("answer IDYES; answer IDNO", "WINSIM_FAIL='DeleteFileA:1:32'"), 2u) << language;
        EXPECT_NE(Transcript().find(BoxText(table, 35)), std::string::npos) << language << Transcript();
        EXPECT_FALSE(HostFileExists(dir_ + "/.winsim/restart/requested"));

        // After the restart nothing is left, not even the uninstaller: a copy finds nothing.
        Reboot();
        EXPECT_FALSE(HostFileExists(Host(System32() + "\\HALVUNIN.EXE")));
        EXPECT_EQ(Ask("answer IDYES", "", HALVUNIN_EXE), 0u) << language;
        EXPECT_NE(Transcript().find(BoxText(table, 36)), std::string::npos) << language << Transcript();
    }
}

TEST_F(Questions, TheStoredLanguageWinsAndYesRestarts) {
    Prepare("winxp");
    ASSERT_EQ(Install(), 2u);
    HKEY key;
    DWORD german = 0x0407;
    ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Talven\\Halvik", &key), ERROR_SUCCESS);
    RegSetValueExA(key, "Language", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&german), sizeof german);
    RegCloseKey(key);
    EXPECT_EQ(Ask("answer IDYES; answer IDYES", "WINSIM_FAIL='DeleteFileA:1:32'"), 3u) << Transcript();
    const resgen::StringTable* table = nullptr;
    for (const resgen::StringTable& t : TreeSources().stringTables)
        if (t.language == 0x0407) table = &t;
    ASSERT_NE(table, nullptr);
    EXPECT_NE(Transcript().find(BoxText(*table, 33)), std::string::npos) << Transcript();
    EXPECT_TRUE(HostFileExists(dir_ + "/.winsim/restart/requested"));
    EXPECT_EQ(RegistryText("HKEY_LOCAL_MACHINE\\SOFTWARE\\Talven"), "") << "the Language value and its keys went";
}

TEST_F(Questions, AFailureIsShownWithItsCode) {
    Prepare("winxp");
    ASSERT_EQ(Install(), 2u);
    EXPECT_EQ(Ask("answer IDYES", "WINSIM_FAIL='RegDeleteKeyA:1:5'"), 2078u);
    std::string t = Transcript();
    EXPECT_NE(t.find("An attempt at setting one or more registry values has failed.\\nThe error code is 81E-0-"),
              std::string::npos)
        << t;
    EXPECT_TRUE(HostFileExists(Host(System32() + "\\drivers\\Halvik.sys"))) << "put back";
}

// On the 95 family the log is closed while Windows is asked to restart: a
// refused restart goes on writing to it and keeps it, an accepted one keeps
// it only with LEAVELOG.
TEST_F(Questions, The95FamilyRestartKeepsTheLogItShould) {
    const std::string inUse = "WINSIM_FAIL='DeleteFileA:1:32'";
    Prepare("win98");
    ASSERT_EQ(Install(), 2u);
    winsim::Profile p = winsim::CurrentProfile();
    p.refuseRestart = true;
    std::string error;
    ASSERT_TRUE(winsim::SaveProfile(dir_, p, error)) << error;
    EXPECT_EQ(Ask("answer IDYES; answer IDYES", inUse), 2071u) << Transcript();
    std::string log = Log();
    size_t closed = log.find(": Final status will not be logged because of reboot\r\n");
    size_t reopened = log.find(": Log reopened after the reboot request\r\n");
    ASSERT_NE(closed, std::string::npos) << log;
    EXPECT_TRUE(reopened != std::string::npos && reopened > closed) << log;
    EXPECT_NE(log.find(": Final Status 0x817", reopened), std::string::npos) << log;

    for (const char* args : {"", "LEAVELOG"}) {
        Prepare("win98");
        ASSERT_EQ(Install(), 2u);
        EXPECT_EQ(Ask("answer IDYES; answer IDYES", inUse, "", args), 3u) << Transcript();
        EXPECT_TRUE(HostFileExists(dir_ + "/.winsim/restart/requested"));
        log = Log();
        EXPECT_EQ(log.empty(), std::string(args).empty()) << args << "\n" << log;
        if (!log.empty()) {
            EXPECT_NE(log.find(": Closing uninstaller log on "), std::string::npos) << log;
        }
    }
}

// A fault while the last message shows changes neither the outcome nor the
// machine: the removal stands, and the log tells of the fault.
TEST_F(Questions, AFaultInTheLastMessageLeavesTheOutcome) {
    Prepare("winxp");
    ASSERT_EQ(Install(), 2u);
    EXPECT_EQ(Ask("answer IDYES", "WINSIM_FAIL='MessageBoxA:2:AV'", "", "LEAVELOG"), 1u) << Transcript();
    EXPECT_FALSE(HostFileExists(Host(System32() + "\\drivers\\Halvik.sys")));
    std::string log = Log();
    EXPECT_NE(log.find(": !!! EXCEPTION EXCEPTION EXCEPTION !!!\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find(": Final Status 0x001"), std::string::npos) << log;
}

}  // namespace
