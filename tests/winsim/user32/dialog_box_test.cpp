// Modal dialog boxes from templates: creation of the controls, the messages
// the dialog procedure gets, scripted input, EndDialog, and every way the
// loop can end without one (script errors, input running out, bad templates).
#include <commctrl.h>

#include "dialog_bytes.h"
#include "ui_fixture.h"
#include "winsim/ui.h"

namespace {

class ModalDialog : public UiTest {};

INT_PTR EndOnCancel(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) EndDialog(dialog, 42);
    return message == WM_COMMAND ? TRUE : FALSE;
}

TEST_F(ModalDialog, InitDialogGetsTheParameterAndTheFirstTabStop) {
    Script("click 2");
    int focusId = 0;
    DialogHandler h;
    h.onMessage = [&](HWND d, UINT message, WPARAM wParam, LPARAM lParam) -> INT_PTR {
        if (message == WM_INITDIALOG) focusId = GetDlgCtrlID(reinterpret_cast<HWND>(wParam));
        return EndOnCancel(d, message, wParam, lParam);
    };
    EXPECT_EQ(RunModal(WizardLikeTemplate(), h, 0x1234), 42);

    auto init = h.Seen(WM_INITDIALOG);
    ASSERT_EQ(init.size(), 1u);
    EXPECT_EQ(init[0].lParam, 0x1234);
    EXPECT_EQ(focusId, 1006);
    // The font comes before WM_INITDIALOG, the destruction after the loop.
    std::vector<UINT> order;
    for (const SeenMessage& m : h.seen)
        if (m.message == WM_SETFONT || m.message == WM_INITDIALOG || m.message == WM_COMMAND ||
            m.message == WM_DESTROY || m.message == WM_NCDESTROY)
            order.push_back(m.message);
    EXPECT_EQ(order, (std::vector<UINT>{WM_SETFONT, WM_INITDIALOG, WM_COMMAND, WM_DESTROY, WM_NCDESTROY}));
    EXPECT_FALSE(IsWindow(h.dialog));
    EXPECT_EQ(winsim::LiveWindows(), 0u);
}

TEST_F(ModalDialog, ControlsAreMadeFromTheTemplate) {
    struct Seen {
        std::string comboClass, progressClass, dialogClass;
        DWORD comboStyle = 0;
        BOOL bodyVisible = TRUE, titleVisible = FALSE, dialogVisible = TRUE;
        HWND firstTabStop = nullptr, combo = nullptr;
        int pictureId = 0;
        RECT next{}, expected{}, client{}, window{};
    } seen;
    DialogHandler h;
    h.onMessage = [&](HWND d, UINT message, WPARAM wParam, LPARAM) -> INT_PTR {
        if (message != WM_INITDIALOG) return FALSE;
        char name[64];
        GetClassNameA(GetDlgItem(d, 1006), name, sizeof name);
        seen.comboClass = name;
        GetClassNameA(GetDlgItem(d, 1003), name, sizeof name);
        seen.progressClass = name;
        GetClassNameA(d, name, sizeof name);
        seen.dialogClass = name;
        seen.comboStyle = static_cast<DWORD>(GetWindowLongA(GetDlgItem(d, 1006), GWL_STYLE));
        // The dialog itself is shown only after WM_INITDIALOG, so its controls are not visible yet.
        seen.dialogVisible = IsWindowVisible(d) || IsWindowVisible(GetDlgItem(d, 1000));
        seen.bodyVisible = (GetWindowLongA(GetDlgItem(d, 1005), GWL_STYLE) & WS_VISIBLE) != 0;
        seen.titleVisible = (GetWindowLongA(GetDlgItem(d, 1000), GWL_STYLE) & WS_VISIBLE) != 0;
        seen.firstTabStop = reinterpret_cast<HWND>(wParam);
        seen.combo = GetDlgItem(d, 1006);
        seen.pictureId = GetDlgCtrlID(GetNextDlgTabItem(d, nullptr, FALSE) == seen.combo
                                          ? GetDlgItem(d, 0xFFFF)
                                          : nullptr);
        GetWindowRect(GetDlgItem(d, 1004), &seen.next);
        POINT origin{0, 0};
        ClientToScreen(d, &origin);
        seen.expected = RECT{246, 160, 296, 174};
        MapDialogRect(d, &seen.expected);
        seen.expected.left += origin.x;
        seen.expected.right += origin.x;
        seen.expected.top += origin.y;
        seen.expected.bottom += origin.y;
        GetClientRect(d, &seen.client);
        GetWindowRect(d, &seen.window);
        EndDialog(d, 7);
        return TRUE;
    };
    EXPECT_EQ(RunModal(WizardLikeTemplate(), h), 7);
    EXPECT_EQ(seen.comboClass, "ComboBox");
    EXPECT_EQ(seen.progressClass, "msctls_progress32");
    EXPECT_EQ(seen.dialogClass, "#32770");
    EXPECT_EQ(seen.comboStyle & 0xFFFF0000, static_cast<DWORD>(WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL));
    EXPECT_EQ(seen.comboStyle & 3, static_cast<DWORD>(CBS_DROPDOWNLIST));
    EXPECT_FALSE(seen.dialogVisible);
    EXPECT_FALSE(seen.bodyVisible);
    EXPECT_TRUE(seen.titleVisible);
    EXPECT_EQ(seen.firstTabStop, seen.combo);
    EXPECT_EQ(seen.pictureId, 0xFFFF);
    EXPECT_EQ(seen.next.left, seen.expected.left);
    EXPECT_EQ(seen.next.top, seen.expected.top);
    EXPECT_EQ(seen.next.right, seen.expected.right);
    EXPECT_EQ(seen.next.bottom, seen.expected.bottom);
    // 358 x 180 dialog units in MS Sans Serif 8 (6 x 13 pixels a unit pair), in a
    // frame of 3 pixels with a 19 pixel caption.
    EXPECT_EQ(seen.client.right, 537);
    EXPECT_EQ(seen.client.bottom, 293);
    EXPECT_EQ(seen.window.right - seen.window.left, 543);
    EXPECT_EQ(seen.window.bottom - seen.window.top, 318);
}

TEST_F(ModalDialog, ScriptedClicksArriveAsBnClickedInOrder) {
    Script("click 1004\nclick 1009   # Back\nclick IDCANCEL");
    DialogHandler h;
    h.onMessage = EndOnCancel;
    EXPECT_EQ(RunModal(WizardLikeTemplate(), h), 42);
    EXPECT_EQ(h.Commands(), (std::vector<std::string>{"1004:0", "1009:0", "2:0"}));
    EXPECT_EQ(TranscriptLines("input"), (std::vector<std::string>{"input line 1: click 1004", "input line 2: click 1009",
                                                                 "input line 3: click IDCANCEL"}));
    EXPECT_EQ(TranscriptLines("dialog"),
              (std::vector<std::string>{"dialog (in memory) shown", "dialog (in memory) ended 42"}));
    EXPECT_EQ(winsim::UnusedUiScriptLines(), 0u);
}

TEST_F(ModalDialog, ClicksOnDisabledOrHiddenControlsDoNothing) {
    Script("click 1009; click 1005; click 2");
    DialogHandler h;
    h.onMessage = [](HWND d, UINT message, WPARAM wParam, LPARAM lParam) -> INT_PTR {
        if (message == WM_INITDIALOG) EnableWindow(GetDlgItem(d, 1009), FALSE);
        return EndOnCancel(d, message, wParam, lParam);
    };
    EXPECT_EQ(RunModal(WizardLikeTemplate(), h), 42);
    EXPECT_EQ(h.Commands(), (std::vector<std::string>{"2:0"}));
    EXPECT_EQ(TranscriptLines("input"),
              (std::vector<std::string>{"input line 1: click 1009 (ignored: the control is disabled)",
                                        "input line 2: click 1005 (ignored: the control is hidden)",
                                        "input line 3: click 2"}));
}

TEST_F(ModalDialog, AScriptLineThatCannotBeDoneEndsTheDialogWithMinusOne) {
    Script("click 4242");
    DialogHandler h;
    EXPECT_EQ(RunModal(WizardLikeTemplate(), h), -1);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANCELLED));
    EXPECT_EQ(TranscriptLines("error"),
              (std::vector<std::string>{"error line 1 'click 4242': the dialog has no control 4242"}));
    EXPECT_EQ(h.Seen(WM_DESTROY).size(), 1u);  // destroyed properly all the same

    Script("select 1004 0");
    EXPECT_EQ(RunModal(WizardLikeTemplate(), h), -1);
    EXPECT_EQ(TranscriptLines("error").back(), "error line 1 'select 1004 0': control 1004 is not a combo box");

    Script("select 1006 3");
    EXPECT_EQ(RunModal(WizardLikeTemplate(), h), -1);
    EXPECT_EQ(TranscriptLines("error").back(), "error line 1 'select 1006 3': combo box 1006 has 0 items, no item 3");
}

TEST_F(ModalDialog, WhenTheScriptRunsOutTheDialogEndsInsteadOfWaiting) {
    Script("click 1004");
    DialogHandler h;
    EXPECT_EQ(RunModal(WizardLikeTemplate(), h), -1);
    EXPECT_EQ(h.Commands(), (std::vector<std::string>{"1004:0"}));
    EXPECT_EQ(TranscriptLines("error"),
              (std::vector<std::string>{"error the UI script ran out while dialog (in memory) waited for input"}));
    EXPECT_FALSE(IsWindow(h.dialog));

    winsim::ResetWindowSystem();
    InitCommonControls();
    EXPECT_EQ(RunModal(WizardLikeTemplate(), h), -1);
    EXPECT_NE(TranscriptLines("error").back().find("there is no UI script"), std::string::npos);
}

TEST_F(ModalDialog, LinesForOtherMomentsAreErrorsWhenTheDialogWaits) {
    Script("answer IDYES");
    DialogHandler h;
    EXPECT_EQ(RunModal(WizardLikeTemplate(), h), -1);
    EXPECT_EQ(TranscriptLines("error").back(),
              "error line 1 'answer IDYES' answers a message box, but none is shown; dialog (in memory) waits for "
              "input");
    Script("busy click 2");
    EXPECT_EQ(RunModal(WizardLikeTemplate(), h), -1);
    EXPECT_EQ(TranscriptLines("error").back(),
              "error line 1 'busy click 2' is for a busy program, but dialog (in memory) waits for input");
}

TEST_F(ModalDialog, SystemMenuCloseBecomesCancelUnlessTheProcedureTakesIt) {
    Script("close");
    DialogHandler h;
    h.onMessage = EndOnCancel;
    EXPECT_EQ(RunModal(WizardLikeTemplate(), h), 42);
    ASSERT_EQ(h.Seen(WM_SYSCOMMAND).size(), 1u);
    EXPECT_EQ(h.Seen(WM_SYSCOMMAND)[0].wParam, static_cast<WPARAM>(SC_CLOSE));
    EXPECT_EQ(h.Seen(WM_CLOSE).size(), 1u);
    EXPECT_EQ(h.Commands(), (std::vector<std::string>{"2:0"}));

    // A procedure that handles SC_CLOSE itself keeps the window.
    Script("close; click 2");
    DialogHandler keeps;
    keeps.onMessage = [](HWND d, UINT message, WPARAM wParam, LPARAM lParam) -> INT_PTR {
        if (message == WM_SYSCOMMAND) return TRUE;
        return EndOnCancel(d, message, wParam, lParam);
    };
    EXPECT_EQ(RunModal(WizardLikeTemplate(), keeps), 42);
    EXPECT_TRUE(keeps.Seen(WM_CLOSE).empty());
}

TEST_F(ModalDialog, CloseDoesNothingWhileCancelIsDisabled) {
    Script("close");
    DialogHandler h;
    h.onMessage = [](HWND d, UINT message, WPARAM wParam, LPARAM lParam) -> INT_PTR {
        if (message == WM_INITDIALOG) EnableWindow(GetDlgItem(d, IDCANCEL), FALSE);
        return EndOnCancel(d, message, wParam, lParam);
    };
    EXPECT_EQ(RunModal(WizardLikeTemplate(), h), -1);  // the script runs out: nothing ended it
    EXPECT_EQ(h.Seen(WM_CLOSE).size(), 1u);
    EXPECT_TRUE(h.Commands().empty());
}

TEST_F(ModalDialog, EndDialogNeedsADialog) {
    EXPECT_FALSE(EndDialog(nullptr, 1));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    DialogHandler h;
    HWND d = CreateModeless(WizardLikeTemplate(), h);
    ASSERT_NE(d, nullptr);
    EXPECT_FALSE(EndDialog(GetDlgItem(d, 1004), 1));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_WINDOW_NOT_DIALOG));
    EXPECT_TRUE(EndDialog(d, 1));
    EXPECT_FALSE(IsWindowVisible(d));  // hidden at once
    EXPECT_TRUE(DestroyWindow(d));
    EXPECT_FALSE(IsWindow(d));
}

TEST_F(ModalDialog, AProgressBarNeedsTheCommonControls) {
    winsim::ResetWindowSystem();
    DialogHandler h;
    EXPECT_EQ(RunModal(WizardLikeTemplate(), h), -1);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANNOT_FIND_WND_CLASS));
    EXPECT_TRUE(h.seen.empty());
    EXPECT_EQ(TranscriptLines("error").back(),
              "error DialogBoxIndirectParamA: dialog (in memory): control 9 (id 1003): window class "
              "\"MSCTLS_PROGRESS32\" is not registered (the common controls are registered by InitCommonControls or "
              "InitCommonControlsEx)");

    INITCOMMONCONTROLSEX wrongSize{sizeof(INITCOMMONCONTROLSEX) + 4, ICC_PROGRESS_CLASS};
    EXPECT_FALSE(InitCommonControlsEx(&wrongSize));
    INITCOMMONCONTROLSEX other{sizeof(INITCOMMONCONTROLSEX), ICC_LISTVIEW_CLASSES};
    EXPECT_TRUE(InitCommonControlsEx(&other));
    EXPECT_EQ(RunModal(WizardLikeTemplate(), h), -1);
    INITCOMMONCONTROLSEX progress{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
    EXPECT_TRUE(InitCommonControlsEx(&progress));
    Script("click 2");
    h.onMessage = EndOnCancel;
    EXPECT_EQ(RunModal(WizardLikeTemplate(), h), 42);
}

TEST_F(ModalDialog, AMalformedTemplateFailsCleanly) {
    DialogBytes d;
    d.Control(1, DialogBytes::Button(), u"OK", 0, 0, 10, 10, WS_CHILD).Control(2, NameOrId::Id(0x86), u"", 0, 0, 1, 1, 0);
    DialogHandler h;
    EXPECT_EQ(RunModal(d.Bytes(), h), -1);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATA));
    EXPECT_TRUE(h.seen.empty());
    EXPECT_EQ(TranscriptLines("error").back(),
              "error DialogBoxIndirectParamA: dialog template (in memory): control 2 of 2: class atom 0x0086 is not "
              "a predefined class");

    DialogBytes::Options o;
    o.windowClass = u"OwnClass";
    EXPECT_EQ(RunModal(DialogBytes(o).Bytes(), h), -1);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANNOT_FIND_WND_CLASS));
}

TEST_F(ModalDialog, TheTemplateFontGoesToEveryControlAndGoesAway) {
    LOGFONTA dialogFont{}, buttonFont{};
    int sizeNeeded = 0;
    DialogHandler h;
    h.onMessage = [&](HWND d, UINT message, WPARAM, LPARAM) -> INT_PTR {
        if (message != WM_INITDIALOG) return FALSE;
        HFONT font = reinterpret_cast<HFONT>(SendMessageA(d, WM_GETFONT, 0, 0));
        sizeNeeded = GetObjectA(font, 0, nullptr);
        GetObjectA(font, sizeof dialogFont, &dialogFont);
        HFONT button = reinterpret_cast<HFONT>(SendDlgItemMessageA(d, 1004, WM_GETFONT, 0, 0));
        GetObjectA(button, sizeof buttonFont, &buttonFont);
        EndDialog(d, 0);
        return TRUE;
    };
    EXPECT_EQ(RunModal(WizardLikeTemplate(), h), 0);
    EXPECT_EQ(sizeNeeded, static_cast<int>(sizeof(LOGFONTA)));
    EXPECT_EQ(dialogFont.lfHeight, -11);
    EXPECT_EQ(dialogFont.lfWeight, FW_DONTCARE);
    EXPECT_EQ(dialogFont.lfCharSet, DEFAULT_CHARSET);
    EXPECT_EQ(dialogFont.lfQuality, PROOF_QUALITY);
    EXPECT_STREQ(dialogFont.lfFaceName, "MS Sans Serif");
    EXPECT_STREQ(buttonFont.lfFaceName, "MS Sans Serif");
    EXPECT_EQ(winsim::LiveGdiObjects(), 0u);  // the dialog's own font went with it
}

TEST_F(ModalDialog, InitDialogDecidesAboutTheFocus) {
    DialogHandler h;
    h.onMessage = [](HWND d, UINT message, WPARAM, LPARAM) -> INT_PTR {
        if (message == WM_INITDIALOG) {
            SetFocus(GetDlgItem(d, 1004));
            return FALSE;  // keeps the focus it set
        }
        return FALSE;
    };
    Script("wait");
    RunModal(WizardLikeTemplate(), h);
    ASSERT_FALSE(TranscriptLines("  1004").empty());
    EXPECT_NE(TranscriptLines("  1004")[0].find(" focus "), std::string::npos);

    DialogHandler t;
    t.onMessage = [](HWND d, UINT message, WPARAM, LPARAM) -> INT_PTR {
        if (message == WM_INITDIALOG) {
            SetFocus(GetDlgItem(d, 1004));
            return TRUE;  // asks for the first tab stop instead
        }
        return FALSE;
    };
    winsim::SetUiTranscript(transcript_ + "2");
    Script("wait");
    RunModal(WizardLikeTemplate(), t);
    std::string second = ReadHostFile(transcript_ + "2");
    EXPECT_NE(second.find("  1006 combobox visible enabled focus"), std::string::npos) << second;
}

TEST_F(ModalDialog, TheWizardTemplateComesFromTheResources) {
    Script("click 2");
    DialogHandler h;
    h.onMessage = EndOnCancel;
    currentHandler = &h;
    EXPECT_EQ(DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(100), nullptr, HandlerDialogProc, 5), 42);
    EXPECT_EQ(h.Seen(WM_INITDIALOG)[0].lParam, 5);
    EXPECT_EQ(TranscriptLines("dialog 100"), (std::vector<std::string>{"dialog 100 shown", "dialog 100 ended 42"}));
    EXPECT_EQ(TranscriptLines("  65535 bitmap"),
              (std::vector<std::string>{"  65535 bitmap visible enabled bitmap 149 118x344"}));
    EXPECT_EQ(TranscriptLines("screen 100")[0].rfind("screen 100 \"\" 0,0 543x318 font -11 0 MS Sans Serif", 0), 0u);

    Script("click 2");
    EXPECT_EQ(DialogBoxParamA(GetModuleHandleA(nullptr), "#100", nullptr, HandlerDialogProc, 0), 42);
    EXPECT_EQ(DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(101), nullptr, HandlerDialogProc, 0), -1);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
    EXPECT_EQ(TranscriptLines("error").back(), "error DialogBoxParamA: the module has no dialog template 101");
    EXPECT_EQ(DialogBoxParamA(GetModuleHandleA(nullptr), "WIZARD", nullptr, HandlerDialogProc, 0), -1);
    EXPECT_EQ(TranscriptLines("error").back(), "error DialogBoxParamA: the module has no dialog template \"WIZARD\"");
    EXPECT_EQ(winsim::LiveGdiObjects(), 0u);  // the bitmap went with its static
}

TEST_F(ModalDialog, AnInjectedFaultFailsTheCall) {
    std::string error;
    ASSERT_TRUE(winsim::SetFaults("DialogBoxIndirectParamA:1:8", error)) << error;
    DialogHandler h;
    EXPECT_EQ(RunModal(WizardLikeTemplate(), h), -1);
    EXPECT_EQ(GetLastError(), 8u);
    EXPECT_TRUE(h.seen.empty());
}

}  // namespace
