// The UI script's lines, message box answers, and the transcript's texts.
#include <unistd.h>

#include "machine/machine_state.h"
#include "ui/message_box_input.h"
#include "ui/ui_script.h"
#include "ui/ui_transcript.h"
#include "ui_fixture.h"
#include "winsim/machine.h"
#include "winsim/ui.h"

namespace {

using winsim::UiAction;

std::vector<UiAction> Parse(const std::string& text) {
    std::vector<UiAction> actions;
    std::string error;
    EXPECT_TRUE(winsim::ParseUiScript(text, actions, error)) << error;
    return actions;
}

std::string ParseError(const std::string& text) {
    std::vector<UiAction> actions;
    std::string error;
    EXPECT_FALSE(winsim::ParseUiScript(text, actions, error)) << text;
    return error;
}

TEST(UiScript, EveryActionReads) {
    auto a = Parse("click 1004\r\n  select 0x3EE 2 # German\n\nclose;key shift+tab; key ALT+N\nwait\n"
                   "answer IDYES; answer 7\nbusy click IDCANCEL\n# only a comment\nbusy key ESC");
    ASSERT_EQ(a.size(), 10u);
    EXPECT_EQ(a[0].kind, UiAction::Kind::Click);
    EXPECT_EQ(a[0].control, 1004);
    EXPECT_EQ(a[0].line, 1);
    EXPECT_EQ(a[1].kind, UiAction::Kind::Select);
    EXPECT_EQ(a[1].control, 1006);
    EXPECT_EQ(a[1].index, 2);
    EXPECT_EQ(a[1].text, "select 0x3EE 2");
    EXPECT_EQ(a[2].kind, UiAction::Kind::Close);
    EXPECT_EQ(a[2].line, 4);
    EXPECT_EQ(a[3].line, 5);  // after a ';'
    EXPECT_EQ(a[5].line, 7);
    EXPECT_EQ(a[3].kind, UiAction::Kind::Key);
    EXPECT_EQ(a[3].key, static_cast<UINT>(VK_TAB));
    EXPECT_TRUE(a[3].shift);
    EXPECT_EQ(winsim::KeyName(a[3]), "SHIFT+TAB");
    EXPECT_TRUE(a[4].alt);
    EXPECT_EQ(a[4].key, static_cast<UINT>('N'));
    EXPECT_EQ(winsim::KeyName(a[4]), "ALT+N");
    EXPECT_EQ(a[5].kind, UiAction::Kind::Wait);
    EXPECT_EQ(a[6].answer, IDYES);
    EXPECT_EQ(a[7].answer, IDNO);
    EXPECT_TRUE(a[8].busy);
    EXPECT_EQ(a[8].control, IDCANCEL);
    EXPECT_TRUE(a[9].busy);
    EXPECT_EQ(a[9].key, static_cast<UINT>(VK_ESCAPE));
    EXPECT_TRUE(Parse("").empty());
    EXPECT_TRUE(Parse("\n# nothing\n;;").empty());
}

TEST(UiScript, BadLinesSayWhichAndWhy) {
    EXPECT_EQ(ParseError("click 1004\nclik 2"),
              "line 2 'clik 2': unknown action 'clik' (click, select, close, key, wait, answer, busy)");
    EXPECT_EQ(ParseError("click"), "line 1 'click': expected 'click ID'");
    EXPECT_EQ(ParseError("click next"), "line 1 'click next': 'next' is not a control id");
    EXPECT_EQ(ParseError("click 70000"), "line 1 'click 70000': '70000' is not a control id");
    EXPECT_EQ(ParseError("select 1006"), "line 1 'select 1006': expected 'select ID INDEX'");
    EXPECT_EQ(ParseError("select 1006 -1"), "line 1 'select 1006 -1': '-1' is not an item index (0, 1, ...)");
    EXPECT_EQ(ParseError("close now"), "line 1 'close now': expected 'close'");
    EXPECT_EQ(ParseError("key CTRL+C"), "line 1 'key CTRL+C': 'CTRL+C' is not a key name");
    EXPECT_EQ(ParseError("answer MAYBE"), "line 1 'answer MAYBE': 'MAYBE' is not a message box answer");
    EXPECT_EQ(ParseError("answer 12"), "line 1 'answer 12': '12' is not a message box answer");
    EXPECT_EQ(ParseError("busy answer 6"), "line 1 'busy answer 6': a message box is answered without 'busy'");
    EXPECT_EQ(ParseError("busy"), "line 1 'busy': unknown action '' (click, select, close, key, wait, answer, busy)");
}

TEST(UiScript, AScriptFromTheEnvironmentThatDoesNotParseStopsTheProgram) {
    EXPECT_EXIT(
        {
            setenv("WINSIM_UI_INPUT", "click 1; jump", 1);
            winsim::ForgetScript();
            winsim::NextScriptAction();
        },
        ::testing::ExitedWithCode(3), "winsim: WINSIM_UI_INPUT: line 2 'jump': unknown action 'jump'");
    EXPECT_EXIT(
        {
            setenv("WINSIM_UI_SCRIPT", "/nonexistent/script", 1);
            winsim::ForgetScript();
            winsim::NextScriptAction();
        },
        ::testing::ExitedWithCode(3), "winsim: WINSIM_UI_SCRIPT: cannot read /nonexistent/script");
}

TEST(UiScript, LinesLeftWhenTheProcessEndsAreTold) {
    char path[] = "/tmp/ui-transcript-XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    EXPECT_EXIT(
        {
            setenv("WINSIM_UI_INPUT", "click 1004\nclick 2; answer IDYES", 1);
            winsim::SetUiTranscript(path);
            winsim::ForgetScript();
            winsim::TakeScriptAction();
            winsim::NextScriptAction();
            winsim::TakeScriptAction();
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "winsim: the UI script has 1 line left unused, from line 3 'answer IDYES'");
    EXPECT_EQ(ReadHostFile(path), "unused line 3: answer IDYES\n");
    unlink(path);
}

TEST(UiScript, AScriptFileFromTheEnvironmentIsPlayed) {
    char path[] = "/tmp/ui-script-XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    const char text[] = "click 1004\nanswer IDYES\n";
    ASSERT_EQ(write(fd, text, sizeof text - 1), static_cast<ssize_t>(sizeof text - 1));
    close(fd);
    setenv("WINSIM_UI_SCRIPT", path, 1);
    winsim::ForgetScript();
    EXPECT_TRUE(winsim::HasScript());
    EXPECT_EQ(winsim::ScriptActionsLeft(), 2u);
    ASSERT_NE(winsim::NextScriptAction(), nullptr);
    EXPECT_EQ(winsim::NextScriptAction()->control, 1004);
    unsetenv("WINSIM_UI_SCRIPT");
    winsim::ForgetScript();
    EXPECT_FALSE(winsim::HasScript());
    unlink(path);
}

class MessageBoxAnswers : public UiTest {
protected:
    int Ask(const char* text, UINT type, bool expectAnswer = true) {
        int answer = -1;
        EXPECT_EQ(winsim::NextMessageBoxAnswer(nullptr, text, "Talven Setup Wizard", type, answer), expectAnswer);
        return answer;
    }
};

TEST_F(MessageBoxAnswers, TheScriptAnswersInOrderAndEachBoxIsWritten) {
    Script("answer IDNO\nanswer 6\nanswer IDOK");
    EXPECT_EQ(Ask("Install Reader Now?", MB_YESNO), IDNO);
    EXPECT_EQ(Ask("Are you sure you want to exit now?", MB_YESNO | MB_ICONQUESTION), IDYES);
    EXPECT_EQ(Ask("Tessera Disc Reader is up to date!", MB_OK | 0x40), IDOK);
    EXPECT_EQ(TranscriptLines("messagebox"),
              (std::vector<std::string>{"messagebox \"Talven Setup Wizard\" 0x00000004 \"Install Reader Now?\"",
                                        "messagebox \"Talven Setup Wizard\" 0x00000024 \"Are you sure you want to "
                                        "exit now?\"",
                                        "messagebox \"Talven Setup Wizard\" 0x00000040 \"Tessera Disc Reader is up to "
                                        "date!\""}));
    EXPECT_EQ(TranscriptLines("answer"), (std::vector<std::string>{"answer line 1: IDNO", "answer line 2: IDYES",
                                                                   "answer line 3: IDOK"}));
}

TEST_F(MessageBoxAnswers, AnAnswerTheBoxCannotGiveIsRefused) {
    Script("answer IDYES");
    EXPECT_EQ(Ask("The utility requires administrator rights.", MB_OK | MB_ICONEXCLAMATION, false), 0);
    EXPECT_EQ(TranscriptLines("error").back(),
              "error line 1 'answer IDYES': message box \"The utility requires administrator rights.\" (flags "
              "0x00000030) has no IDYES button");
    EXPECT_EQ(winsim::UnusedUiScriptLines(), 1u);  // the line stays
}

TEST_F(MessageBoxAnswers, ALineThatIsNoAnswerOrNoScriptGivesNoAnswer) {
    Script("click 1004");
    EXPECT_EQ(Ask("Question?", MB_YESNO, false), 0);
    EXPECT_EQ(TranscriptLines("error").back(),
              "error line 1 'click 1004': the program shows message box \"Question?\", but this line does not answer "
              "it");
    Script("");
    EXPECT_EQ(Ask("Question?", MB_YESNO, false), 0);
    EXPECT_EQ(TranscriptLines("error").back(), "error the UI script ran out before message box \"Question?\"");
    winsim::ResetWindowSystem();
    EXPECT_EQ(Ask("Question?", MB_YESNO, false), 0);
    EXPECT_EQ(TranscriptLines("error").back(), "error there is no UI script to answer message box \"Question?\"");
}

TEST_F(MessageBoxAnswers, AnOkBoxAnswersItselfWithoutAnAnswerLine) {
    Script("click 1004");
    EXPECT_EQ(Ask("Tessera Disc Reader is up to date!", MB_OK | 0x40), IDOK);
    EXPECT_EQ(winsim::UnusedUiScriptLines(), 1u);  // the click is still to come
    winsim::ResetWindowSystem();
    EXPECT_EQ(Ask("Windows NT 3.51 is not supported.", MB_OK | MB_ICONEXCLAMATION), IDOK);
    EXPECT_EQ(TranscriptLines("answer"), (std::vector<std::string>{"answer by itself: IDOK", "answer by itself: IDOK"}));
    EXPECT_TRUE(TranscriptLines("error").empty());
}

TEST_F(MessageBoxAnswers, EveryKindOfBoxHasItsButtons) {
    EXPECT_EQ(winsim::MessageBoxButtons(MB_OK), (std::vector<int>{IDOK}));
    EXPECT_EQ(winsim::MessageBoxButtons(MB_OKCANCEL | MB_ICONQUESTION), (std::vector<int>{IDOK, IDCANCEL}));
    EXPECT_EQ(winsim::MessageBoxButtons(2), (std::vector<int>{3, 4, 5}));
    EXPECT_EQ(winsim::MessageBoxButtons(3), (std::vector<int>{IDYES, IDNO, IDCANCEL}));
    EXPECT_EQ(winsim::MessageBoxButtons(MB_YESNO), (std::vector<int>{IDYES, IDNO}));
    EXPECT_EQ(winsim::MessageBoxButtons(5), (std::vector<int>{4, IDCANCEL}));
    EXPECT_EQ(winsim::MessageBoxButtons(6), (std::vector<int>{IDCANCEL, 10, 11}));
}

class Transcript : public UiTest {};

TEST_F(Transcript, TextsAreQuotedAsUtf8FromTheCodePage) {
    EXPECT_EQ(winsim::QuoteText("Line \"one\"\n\tC:\\x\x01"), "\"Line \\\"one\\\"\\n\\tC:\\\\x\\x01\"");
    EXPECT_EQ(winsim::QuoteText("Fran\xE7" "ais"), "\"Français\"");
    winsim::Profile p = winsim::CurrentProfile();
    p.codePage = 932;
    std::string error;
    ASSERT_TRUE(winsim::SaveProfile(dir_, p, error));
    ASSERT_TRUE(winsim::UseMachine(dir_, error));
    EXPECT_EQ(winsim::QuoteText("\x93\xFA\x96\x7B\x8C\xEA"), "\"日本語\"");
    EXPECT_EQ(winsim::QuoteText("\xB1"), "\"ｱ\"");  // a single-byte katakana
    EXPECT_EQ(winsim::QuoteText("\x81"), "\"\xEF\xBF\xBD\"");  // a lead byte with nothing after it
}

TEST_F(Transcript, NothingIsWrittenWithoutAFile) {
    winsim::SetUiTranscript("");
    winsim::TranscriptLine("progress 1003 25");
    EXPECT_FALSE(HostFileExists(transcript_));
}

}  // namespace
