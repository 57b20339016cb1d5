// The dialog on a terminal: cells and wrapping, the layout of the controls,
// the keys a terminal sends, and a whole dialog worked through a
// pseudo-terminal.
#include <commctrl.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <poll.h>

#include <algorithm>
#include <functional>

#include "dialog_bytes.h"
#include "gdi32/gdi_objects.h"
#include "machine/machine_state.h"
#include "ui/dialog_view.h"
#include "ui/terminal_grid.h"
#include "ui/terminal_keys.h"
#include "ui/terminal_layout.h"
#include "ui/terminal_paint.h"
#include "ui_fixture.h"
#include "winsim/machine.h"
#include "winsim/ui.h"

namespace {

using winsim::TerminalKey;

TEST(TerminalGrid, WideAndCombiningCharactersTakeTheirCells) {
    EXPECT_EQ(winsim::TextWidth("Deutsch"), 7);
    EXPECT_EQ(winsim::TextWidth("日本語"), 6);
    EXPECT_EQ(winsim::TextWidth("ไทย"), 3);
    EXPECT_EQ(winsim::TextWidth("ที่"), 1);  // a consonant with a vowel and a tone mark above it
    winsim::TerminalGrid g(8, 2);
    EXPECT_EQ(g.Put(0, 0, "中文(繁體)"), 7);  // the last one would need two cells
    EXPECT_EQ(g.Put(0, 1, "abc", 2), 2);
    EXPECT_EQ(g.Put(7, 1, "日"), 0);  // would stick out of the grid
    EXPECT_EQ(g.Lines(), (std::vector<std::string>{"中文(繁", "ab"}));
}

TEST(TerminalGrid, TextWrapsAtSpacesOrAnywhereWithoutThem) {
    EXPECT_EQ(winsim::WrapText("Please choose the language", 12),
              (std::vector<std::string>{"Please", "choose the", "language"}));
    EXPECT_EQ(winsim::WrapText("one\ntwo", 20), (std::vector<std::string>{"one", "two"}));
    EXPECT_EQ(winsim::WrapText("日本語のテキスト", 6), (std::vector<std::string>{"日本語", "のテキ", "スト"}));
    EXPECT_EQ(winsim::WrapText("abcdefghij", 4), (std::vector<std::string>{"abcd", "efgh", "ij"}));
    // East Asian text breaks next to its characters, not only at the spaces of the words in it.
    EXPECT_EQ(winsim::WrapText("Reader を使うと", 10), (std::vector<std::string>{"Reader を", "使うと"}));
    EXPECT_EQ(winsim::WrapText("日本", 1), (std::vector<std::string>{"日", "本"}));
    EXPECT_EQ(winsim::WrapText("", 4), (std::vector<std::string>{""}));
}

TEST(TerminalKeys, TheBytesOfATerminalAreKeys) {
    auto key = [](const std::string& bytes, bool final = true) { return winsim::DecodeTerminalKey(bytes, final); };
    EXPECT_EQ(key("\t").action.text, "key TAB");
    EXPECT_EQ(key("\x1b[Z").action.text, "key SHIFT+TAB");
    EXPECT_EQ(key("\r").action.key, static_cast<UINT>(VK_RETURN));
    EXPECT_EQ(key("\x1b[A").action.key, static_cast<UINT>(VK_UP));
    EXPECT_EQ(key("\x1bOB").action.key, static_cast<UINT>(VK_DOWN));
    EXPECT_EQ(key("\x1b[5~").action.key, static_cast<UINT>(VK_PRIOR));
    EXPECT_EQ(key("\x1bn").action.text, "key ALT+N");
    EXPECT_EQ(key("N").action.text, "key SHIFT+N");
    EXPECT_EQ(key("n").action.text, "key N");
    EXPECT_EQ(key("\x7f").action.key, static_cast<UINT>(VK_BACK));
    EXPECT_EQ(key("\x04").action.kind, winsim::UiAction::Kind::Close);
    EXPECT_EQ(key("\x0c").kind, TerminalKey::Kind::Redraw);
    EXPECT_EQ(key("\x1b", false).kind, TerminalKey::Kind::Incomplete);
    EXPECT_EQ(key("\x1b", true).action.key, static_cast<UINT>(VK_ESCAPE));
    EXPECT_EQ(key("\x1b[1", false).kind, TerminalKey::Kind::Incomplete);
    TerminalKey unknown = key("\x1b[99qX");
    EXPECT_EQ(unknown.kind, TerminalKey::Kind::Ignored);
    EXPECT_EQ(unknown.used, 5u);
    EXPECT_EQ(key("\x1b[A\t").used, 3u);
    EXPECT_EQ(key("\x01").kind, TerminalKey::Kind::Ignored);
}

class TerminalLayout : public UiTest {
protected:
    // The wizard-like dialog with the wizard's texts, on its language page.
    HWND ShowWizardLike(DialogHandler& h) {
        HWND d = CreateModeless(WizardLikeTemplate(), h);
        SetWindowTextA(d, "Talven Setup Wizard");
        SetDlgItemTextA(d, 1010, "Please choose the language in which you prefer to view this setup wizard.");
        SetDlgItemTextA(d, 1004, "&Next >");
        SetDlgItemTextA(d, 1009, "< &Back");
        SetDlgItemTextA(d, 2, "&Cancel");
        SetDlgItemTextA(d, 1000, "Talven Tessera Disc Reader");
        SetDlgItemTextA(d, 1001, "Version 7.1.0.189 ");
        SendDlgItemMessageA(d, 1006, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("English"));
        SendDlgItemMessageA(d, 1006, CB_SETCURSEL, 0, 0);
        EnableWindow(GetDlgItem(d, 1009), FALSE);
        ShowWindow(d, SW_SHOW);
        SetFocus(GetDlgItem(d, 1006));
        return d;
    }
};

TEST_F(TerminalLayout, ControlsSitWhereTheDialogUnitsPutThem) {
    DialogHandler h;
    HWND d = ShowWizardLike(h);

    winsim::TerminalFrame f = winsim::LayoutDialog(winsim::DescribeDialog(d), 120);
    ASSERT_EQ(f.lines.size(), 25u);  // 23 rows of 8 dialog units and the frame
    EXPECT_EQ(f.lines[0].rfind("┌─ Talven Setup Wizard ─", 0), 0u) << f.lines[0];
    EXPECT_EQ(winsim::TextWidth(f.lines[0]), 92);
    // Title at 98 units across (column 1 + 24), version label right-aligned against 352 units.
    EXPECT_NE(f.lines[1].find("│ ┌─ bitmap 149 ─"), std::string::npos) << f.lines[1];
    EXPECT_EQ(f.lines[1].find("Talven Tessera Disc Reader"), f.lines[1].find("Talven Tessera") + 0);
    EXPECT_EQ(winsim::TextWidth(f.lines[1].substr(0, f.lines[1].find("Talven Tessera"))), 25);
    size_t version = f.lines[1].find("Version 7.1.0.189");
    ASSERT_NE(version, std::string::npos) << f.lines[1];
    EXPECT_EQ(winsim::TextWidth(f.lines[1].substr(0, version + 17)), 1 + 88);  // its blank is not drawn
    // The prompt wraps in its 250 units; the list sits at 148, 82 with the focus marker before it.
    EXPECT_NE(f.lines[7].find("Please choose the language in which you prefer to view this"), std::string::npos);
    EXPECT_NE(f.lines[8].find("   setup wizard."), std::string::npos);
    EXPECT_EQ(winsim::TextWidth(f.lines[11].substr(0, f.lines[11].find(">[English"))), 37);
    // Buttons on row 20 (160 units down, 14 high): Back disabled, Next the default.
    const std::string& buttons = f.lines[21];
    EXPECT_EQ(winsim::TextWidth(buttons.substr(0, buttons.find("[  < Back  ]"))), 1 + 49) << buttons;
    EXPECT_NE(buttons.find("]{  Next >   } [  Cancel   ]"), std::string::npos) << buttons;
    EXPECT_NE(f.lines[20].find("──────"), std::string::npos);  // the separator
    // Hidden controls are not drawn: no progress bar.
    for (const std::string& line : f.lines) EXPECT_EQ(line.find("[...."), std::string::npos) << line;
    bool focus = false, disabled = false;
    for (const auto& r : f.regions) {
        if (r.kind == winsim::TerminalRegion::Kind::Focus) focus = r.row == 11;
        if (r.kind == winsim::TerminalRegion::Kind::Disabled) disabled = r.row == 21;
    }
    EXPECT_TRUE(focus);
    EXPECT_TRUE(disabled);

    // A label a little too long takes a blank cell more; the focus marker only goes where there is room.
    SetDlgItemTextA(d, 1004, "&Installieren");
    SetFocus(GetDlgItem(d, 1004));
    f = winsim::LayoutDialog(winsim::DescribeDialog(d), 120);
    EXPECT_NE(f.lines[21].find("]{Installieren}[  Cancel   ]"), std::string::npos) << f.lines[21];
    EXPECT_EQ(f.lines[11].find('>'), std::string::npos);
}

TEST_F(TerminalLayout, ANarrowTerminalSqueezesTheDialog) {
    DialogHandler h;
    HWND d = CreateModeless(WizardLikeTemplate(), h);
    ShowWindow(GetDlgItem(d, 1003), SW_SHOW);
    SendDlgItemMessageA(d, 1003, PBM_SETPOS, 50, 0);
    ShowWindow(d, SW_SHOW);
    winsim::TerminalFrame f = winsim::LayoutDialog(winsim::DescribeDialog(d), 60);
    for (const std::string& line : f.lines) EXPECT_LE(winsim::TextWidth(line), 60) << line;
    std::string bar = f.lines[18];
    size_t open = bar.find('['), close = bar.find(']', open);
    ASSERT_NE(open, std::string::npos) << bar;
    std::string inside = bar.substr(open + 1, close - open - 1);
    EXPECT_EQ(std::count(inside.begin(), inside.end(), '#'), static_cast<long>(inside.size() / 2)) << bar;
}

// Everything of the wizard on the smallest usual terminal, with the keys under it in full,
// and a message box over the dialog when there is no room under it.
TEST_F(TerminalLayout, TheWizardFitsEightyByTwentyFour) {
    DialogHandler h;
    winsim::DialogView view = winsim::DescribeDialog(ShowWizardLike(h));
    winsim::MessageBoxView box{"Talven Setup Wizard", "Are you sure you want to exit now?", {IDYES, IDNO}, 0};
    for (const auto& [columns, rows] : {std::pair{80, 24}, std::pair{100, 30}, std::pair{60, 20}}) {
        const winsim::MessageBoxView* const boxes[] = {nullptr, &box};
        for (const winsim::MessageBoxView* shown : boxes) {
            winsim::TerminalFrame f = winsim::ComposeScreen(&view, shown, columns, rows);
            EXPECT_LE(f.lines.size(), static_cast<size_t>(rows)) << columns << "x" << rows;
            std::string all;
            for (const std::string& line : f.lines) {
                EXPECT_LE(winsim::TextWidth(line), columns) << line;
                all += line + "\n";
            }
            // The version label may take two lines in its 75 units; the box covers the list.
            std::vector<std::string> wanted = {"┌─ Talven Setup Wizard ─", "Talven Tessera Disc Reader", "7.1.0.189",
                                               "Next >", "Cancel", "Tab/Shift+Tab move", "^L redraw"};
            if (shown) wanted.insert(wanted.end(), {"Are you sure you want to exit now?", "[ Yes ]", "[ No ]"});
            else wanted.push_back("English");
            for (const std::string& text : wanted)
                EXPECT_NE(all.find(text), std::string::npos) << columns << "x" << rows << " lacks " << text << "\n" << all;
        }
    }
}

TEST_F(TerminalLayout, AMessageBoxShowsItsTextAndButtons) {
    winsim::MessageBoxView box{"Talven Setup Wizard", "Are you sure you want to exit now?", {IDYES, IDNO}, 1};
    winsim::TerminalFrame f = winsim::LayoutMessageBox(box, 80);
    ASSERT_EQ(f.lines.size(), 6u);
    EXPECT_EQ(f.lines[0].rfind("┌─ Talven Setup Wizard ─", 0), 0u);
    EXPECT_EQ(f.lines[1], "│ Are you sure you want to exit now? │");
    EXPECT_NE(f.lines[4].find("[ Yes ] >[ No ]"), std::string::npos) << f.lines[4];
}

// A whole dialog worked from a pseudo-terminal: the child runs it, the test
// types keys and reads the screen.
class TerminalSession : public UiTest {
protected:
    // Runs `body` in a child process on a pseudo-terminal of 80 x 24, the smallest usual one;
    // `master` is the test's side of it.
    pid_t StartOnTerminal(int& master, const std::function<int()>& body) {
        winsize size{24, 80, 0, 0};
        pid_t child = forkpty(&master, nullptr, nullptr, &size);
        if (child == 0) {
            winsim::SetUiTerminal(true);
            _exit(body());
        }
        return child;
    }
    static int ExitStatus(pid_t child) {
        int status = 0;
        EXPECT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status));
        return WEXITSTATUS(status);
    }
};

std::string ReadFor(int fd, int milliseconds) {
    std::string out;
    pollfd p{fd, POLLIN, 0};
    while (poll(&p, 1, milliseconds) > 0) {
        char buffer[4096];
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0) break;
        out.append(buffer, static_cast<size_t>(n));
    }
    return out;
}

TEST_F(TerminalSession, TabAndEnterClickThroughTheDialog) {
    int master = -1;
    pid_t child = StartOnTerminal(master, [this] {
        DialogHandler h;
        h.onMessage = [](HWND d, UINT message, WPARAM wParam, LPARAM) -> INT_PTR {
            if (message == WM_INITDIALOG) {
                SetWindowTextA(d, "Talven Setup Wizard");
                SetDlgItemTextA(d, 1004, "&Next >");
                SetDlgItemTextA(d, 2, "&Cancel");
                return TRUE;
            }
            if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) != 1006) {
                if (LOWORD(wParam) == 1004) EndDialog(d, 11);
                if (LOWORD(wParam) == IDCANCEL) EndDialog(d, 22);
            }
            return FALSE;
        };
        return static_cast<int>(RunModal(WizardLikeTemplate(), h));
    });
    ASSERT_GE(child, 0);
    std::string screen = ReadFor(master, 500);
    EXPECT_NE(screen.find("\x1b[?1049h"), std::string::npos);  // the alternate screen
    EXPECT_NE(screen.find("Next >"), std::string::npos);
    EXPECT_NE(screen.find("Talven Setup Wizard"), std::string::npos) << "the caption row is not cut at 24 rows";
    EXPECT_NE(screen.find("^L redraw"), std::string::npos) << "nor the key help at 80 columns";
    ASSERT_EQ(write(master, "\t", 1), 1);  // from the list to Next
    screen = ReadFor(master, 300);
    EXPECT_NE(screen.find(">"), std::string::npos);
    ASSERT_EQ(write(master, "\r", 1), 1);
    EXPECT_EQ(ExitStatus(child), 11);
    std::string rest = ReadFor(master, 200);
    EXPECT_NE(rest.find("\x1b[?1049l"), std::string::npos);  // the terminal is put back
    close(master);
    EXPECT_NE(Transcript().find("input terminal: key TAB"), std::string::npos) << Transcript();
    EXPECT_NE(Transcript().find("input terminal: key ENTER"), std::string::npos);
}

// A message box on a German machine at 80 x 24: its buttons in German, and the mnemonic of Ja
// answers it.
TEST_F(TerminalSession, AMessageBoxAnswersToItsMnemonics) {
    winsim::Profile p = winsim::CurrentProfile();
    std::string error;
    ASSERT_TRUE(winsim::SetMachineLanguage(p, 0x0407, error)) << error;
    ASSERT_TRUE(winsim::SaveProfile(dir_, p, error)) << error;
    ASSERT_TRUE(winsim::UseMachine(dir_, error)) << error;
    int master = -1;
    pid_t child =
        StartOnTerminal(master, [] { return MessageBoxA(nullptr, "Weiter?", "Talven Setup-Assistent", MB_YESNOCANCEL); });
    ASSERT_GE(child, 0);
    std::string screen = ReadFor(master, 500);
    EXPECT_NE(screen.find("[ Ja ]\x1b[0m  [ Nein ]  [ Abbrechen ]"), std::string::npos) << screen;
    ASSERT_EQ(write(master, "j", 1), 1);
    EXPECT_EQ(ExitStatus(child), IDYES);
    close(master);
}

}  // namespace

namespace {

TEST(TerminalPaint, RegionsGetTheirAttributesAndThePictureItsColours) {
    winsim::TerminalFrame f;
    f.lines = {"ab[ OK ]cd", "x日y"};
    f.regions.push_back({winsim::TerminalRegion::Kind::Focus, 0, 2, 6, 1, nullptr});
    f.regions.push_back({winsim::TerminalRegion::Kind::Disabled, 1, 1, 2, 1, nullptr});
    EXPECT_EQ(winsim::PaintLine(f, 0, false), "ab\x1b[0m\x1b[7m[ OK ]\x1b[0mcd");
    EXPECT_EQ(winsim::PaintLine(f, 1, false), "x\x1b[0m\x1b[2m日\x1b[0my");

    // A 2 x 2 bitmap, blue above red, over two cells of one row.
    const uint8_t pixels[] = {0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0, 0};
    winsim::GdiObject bitmap;
    bitmap.kind = winsim::GdiKind::Bitmap;
    bitmap.bitmap.width = 2;
    bitmap.bitmap.height = 2;
    bitmap.bitmap.bitsPerPixel = 24;
    bitmap.bitmap.dib.assign(40, 0);
    bitmap.bitmap.dib[0] = 40;
    bitmap.bitmap.dib[8] = 2;  // bottom-up: the first row stored is the lowest
    bitmap.bitmap.dib.insert(bitmap.bitmap.dib.end(), pixels, pixels + sizeof pixels);
    HGDIOBJ handle = winsim::AddGdiObject(bitmap);
    winsim::TerminalFrame picture;
    picture.lines = {"|  |"};
    picture.regions.push_back({winsim::TerminalRegion::Kind::Picture, 0, 1, 2, 1, handle});
    std::string painted = winsim::PaintLine(picture, 0, true);
    EXPECT_EQ(painted,
              "|\x1b[38;2;0;0;255m\x1b[48;2;255;0;0m\u2580\x1b[0m\x1b[38;2;0;0;255m\x1b[48;2;255;0;0m\u2580\x1b[0m|");
    EXPECT_EQ(winsim::PaintLine(picture, 0, false), "|  |");  // no colours, no picture
    winsim::DeleteGdiObject(handle);
}

}  // namespace
