// The message queue, the dialog manager's keyboard handling, and the input a
// busy program gets while it pumps its own messages.
#include <commctrl.h>

#include "dialog_bytes.h"
#include "ui_fixture.h"
#include "winsim/ui.h"

namespace {

class MessageQueue : public UiTest {};

TEST_F(MessageQueue, PeekFiltersByWindowAndRange) {
    DialogHandler h;
    HWND dialog = CreateModeless(WizardLikeTemplate(), h);
    HWND button = GetDlgItem(dialog, 1004);
    ASSERT_TRUE(PostMessageA(dialog, WM_USER + 1, 1, 2));
    ASSERT_TRUE(PostMessageA(button, WM_USER + 2, 3, 4));
    ASSERT_TRUE(PostMessageA(nullptr, WM_USER + 3, 5, 6));

    MSG m;
    EXPECT_TRUE(PeekMessageA(&m, button, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_USER + 2));
    EXPECT_TRUE(PeekMessageA(&m, dialog, WM_USER + 2, WM_USER + 3, PM_REMOVE));  // a child's message counts
    EXPECT_EQ(m.hwnd, button);
    EXPECT_FALSE(PeekMessageA(&m, button, 0, 0, PM_REMOVE));
    EXPECT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_USER + 1));
    EXPECT_EQ(m.wParam, 1u);
    EXPECT_EQ(m.lParam, 2);
    EXPECT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.hwnd, nullptr);
    EXPECT_EQ(m.message, static_cast<UINT>(WM_USER + 3));
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(MessageQueue, QuitComesAfterEverythingElse) {
    PostQuitMessage(5);
    PostMessageA(nullptr, WM_USER, 0, 0);
    MSG m;
    EXPECT_TRUE(GetMessageA(&m, nullptr, 0, 0));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_USER));
    EXPECT_FALSE(GetMessageA(&m, nullptr, 0, 0));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(m.wParam, 5u);
}

TEST_F(MessageQueue, GetMessageWithNothingToWaitForEnds) {
    MSG m;
    EXPECT_FALSE(GetMessageA(&m, nullptr, 0, 0));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(TranscriptLines("error"),
              (std::vector<std::string>{"error GetMessageA waits, but no dialog is shown that could get input"}));
}

TEST_F(MessageQueue, DispatchCallsTheWindowAndTranslateMakesCharacters) {
    DialogHandler h;
    HWND dialog = CreateModeless(WizardLikeTemplate(), h);
    MSG m{};
    m.hwnd = dialog;
    m.message = WM_COMMAND;
    m.wParam = MAKEWPARAM(77, 0);
    DispatchMessageA(&m);
    EXPECT_EQ(h.Commands(), (std::vector<std::string>{"77:0"}));

    PostMessageA(dialog, WM_KEYDOWN, 'A', 0);
    PostMessageA(dialog, WM_KEYDOWN, VK_SHIFT, 0);
    PostMessageA(dialog, WM_KEYDOWN, 'A', 0);
    std::string typed;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        if (m.message == WM_CHAR) typed += static_cast<char>(m.wParam);
        if (m.message == WM_KEYDOWN) {
            EXPECT_TRUE(TranslateMessage(&m));
        }
    }
    EXPECT_EQ(typed, "aA");
    EXPECT_LT(GetKeyState(VK_SHIFT), 0);
    PostMessageA(dialog, WM_KEYUP, VK_SHIFT, 0);
    PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE);
    EXPECT_EQ(GetKeyState(VK_SHIFT), 0);
}

// A dialog that takes the focus default and ends on Cancel, recording commands.
INT_PTR Keyboard(HWND d, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        SetDlgItemTextA(d, 1009, "< &Back");
        SetDlgItemTextA(d, 1004, "&Next >");
        for (const char* s : {"Deutsch", "English", "Svenska"})
            SendDlgItemMessageA(d, 1006, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
        return TRUE;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) EndDialog(d, 0);
    return FALSE;
}

TEST_F(MessageQueue, TabEnterAndEscapeWorkTheDialog) {
    Script("key TAB\nkey ENTER\nkey SHIFT+TAB\nkey DOWN\nkey DOWN\nkey ENTER\nkey ESC");
    DialogHandler h;
    h.onMessage = Keyboard;
    EXPECT_EQ(RunModal(WizardLikeTemplate(), h), 0);
    // TAB to Next and Enter clicks it; back on the list, the arrows pick items
    // and Enter clicks the default button; Esc cancels.
    EXPECT_EQ(h.Commands(), (std::vector<std::string>{"1006:3", "1006:4", "1004:0", "1006:3", "1006:1", "1006:1",
                                                      "1004:0", "2:0"}));
    auto screens = TranscriptLines("  1006");
    ASSERT_FALSE(screens.empty());
    EXPECT_NE(screens.back().find("\"English\" selection 1"), std::string::npos) << screens.back();
}

TEST_F(MessageQueue, MnemonicsClickTheirButtons) {
    Script("key ALT+B\nkey TAB\nkey N\nkey ESC");
    DialogHandler h;
    h.onMessage = Keyboard;
    EXPECT_EQ(RunModal(WizardLikeTemplate(), h), 0);
    // Alt+B clicks Back from the list; N on a button (which wants no
    // characters) is Next's mnemonic.
    EXPECT_EQ(h.Commands(),
              (std::vector<std::string>{"1006:3", "1006:4", "1009:0", "1004:0", "2:0"}));
}

TEST_F(MessageQueue, LettersGoToTheListWhenItHasTheFocus) {
    Script("key S\nkey ESC");
    DialogHandler h;
    h.onMessage = Keyboard;
    RunModal(WizardLikeTemplate(), h);
    EXPECT_EQ(h.Commands(), (std::vector<std::string>{"1006:3", "1006:1", "2:0"}));
}

TEST_F(MessageQueue, EnterDoesNothingWhileTheDefaultButtonIsDisabled) {
    Script("key ENTER\nkey ESC");
    DialogHandler h;
    h.onMessage = [](HWND d, UINT message, WPARAM wParam, LPARAM lParam) -> INT_PTR {
        if (message == WM_INITDIALOG) EnableWindow(GetDlgItem(d, 1004), FALSE);
        return Keyboard(d, message, wParam, lParam);
    };
    RunModal(WizardLikeTemplate(), h);
    EXPECT_EQ(h.Commands(), (std::vector<std::string>{"1006:3", "2:0"}));
}

// Clicking Next runs a long task that pumps the queue four times as the
// wizard's installation does: commands are ignored while it is busy.
struct BusyWork {
    bool busy = false;
    int step = -1;
    std::vector<std::string> arrived;  // "step:what"
};

BusyWork* work = nullptr;

INT_PTR Busy(HWND d, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_COMMAND) {
        work->arrived.push_back(std::to_string(work->step) + ":" + std::to_string(LOWORD(wParam)) +
                                (work->busy ? " ignored" : ""));
        if (work->busy) return TRUE;
        if (LOWORD(wParam) == IDCANCEL) EndDialog(d, 3);
        if (LOWORD(wParam) == 1004) {
            work->busy = true;
            EnableWindow(GetDlgItem(d, IDCANCEL), FALSE);
            for (work->step = 0; work->step < 4; ++work->step) {
                SendDlgItemMessageA(d, 1003, PBM_SETPOS, static_cast<WPARAM>((work->step + 1) * 25), 0);
                MSG m;
                while (PeekMessageA(&m, d, 0, 0, PM_REMOVE)) {
                    if (!IsDialogMessageA(d, &m)) {
                        TranslateMessage(&m);
                        DispatchMessageA(&m);
                    }
                }
            }
            EnableWindow(GetDlgItem(d, IDCANCEL), TRUE);
            work->busy = false;
        }
        return TRUE;
    }
    if (message == WM_SYSCOMMAND) {
        work->arrived.push_back(std::to_string(work->step) + ":close" + (work->busy ? " ignored" : ""));
        return work->busy ? FALSE : TRUE;
    }
    return FALSE;
}

// The wizard-like dialog whose Next button starts the busy work, run under a UI script.
class BusyDialog : public MessageQueue {
protected:
    BusyWork Run(const char* script) {
        Script(script);
        BusyWork state;
        work = &state;
        DialogHandler h;
        h.onMessage = Busy;
        EXPECT_EQ(RunModal(WizardLikeTemplate(), h), 3);
        work = nullptr;
        return state;
    }
};

TEST_F(BusyDialog, ABusyProgramGetsOneBusyLineEachTimeItEmptiesItsQueue) {
    const BusyWork state = Run("click 1004\nbusy click 2\nbusy close\nbusy wait\nbusy key ESC\nclick 2");
    // Step 0: the disabled Cancel cannot be clicked. Step 1: close reaches the
    // procedure, which leaves it to the default handling, and the disabled
    // Cancel stops it there. Step 2 waits. Step 3: Esc is a Cancel command,
    // ignored while busy. Afterwards Cancel ends the dialog.
    EXPECT_EQ(state.arrived, (std::vector<std::string>{"-1:1004", "1:close ignored", "3:2 ignored", "4:2"}));
    EXPECT_EQ(TranscriptLines("input"),
              (std::vector<std::string>{"input line 1: click 1004",
                                        "input line 2: busy click 2 (ignored: the control is disabled)",
                                        "input line 3: busy close", "input line 4: busy wait",
                                        "input line 5: busy key ESC", "input line 6: click 2"}));
    EXPECT_EQ(TranscriptLines("progress"), (std::vector<std::string>{"progress 1003 25", "progress 1003 50",
                                                                     "progress 1003 75", "progress 1003 100"}));
}

TEST_F(BusyDialog, OrdinaryLinesWaitUntilTheProgramWaitsAgain) {
    const BusyWork state = Run("click 1004\nclick 2");
    EXPECT_EQ(state.arrived, (std::vector<std::string>{"-1:1004", "4:2"}));
}

}  // namespace
