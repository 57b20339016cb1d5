// The terminal itself: /dev/tty in raw mode on the alternate screen, the
// dialog drawn whenever it changed, keys read as they come. The terminal is
// put back as it was when the process ends, also by a signal.
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "shared/ansi_text.h"
#include "ui/dialog_view.h"
#include "ui/message_box_input.h"
#include "ui/terminal.h"
#include "ui/terminal_keys.h"
#include "ui/terminal_layout.h"
#include "ui/terminal_paint.h"
#include "ui/ui_input.h"

namespace winsim {
namespace {

struct Session {
    bool configured = false;
    bool enabled = false;
    int fd = -1;
    bool failed = false;
    bool raw = false;
    termios saved{};
    std::string shown;    // the last screen sent
    std::string pending;  // key bytes not read yet
};

Session& TheSession() {
    static Session s;
    if (!s.configured) {
        s.configured = true;
        // WINSIM_UI is "terminal" or not set (or empty): anything else is a
        // mistake that would otherwise leave the run without its terminal.
        const char* mode = std::getenv("WINSIM_UI");
        s.enabled = mode && std::strcmp(mode, "terminal") == 0;
        if (mode && *mode && !s.enabled) {
            std::fprintf(stderr, "winsim: WINSIM_UI='%s' is not a user interface winsim has (terminal, or unset)\n", mode);
            std::exit(3);
        }
    }
    return s;
}

void Send(const std::string& bytes) {
    Session& s = TheSession();
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(s.fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) return;
        done += static_cast<size_t>(n);
    }
}

void Restore() {
    Session& s = TheSession();
    if (!s.raw) return;
    s.raw = false;
    Send("\x1b[0m\x1b[?25h\x1b[?1049l");
    tcsetattr(s.fd, TCSANOW, &s.saved);
}

extern "C" void RestoreAndRaise(int signal) {
    Restore();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// Opens the terminal on first use, and takes it over (again) when the last
// dialog gave it back.
bool Open() {
    Session& s = TheSession();
    if (s.raw) return true;
    if (s.failed) return false;
    if (s.fd < 0) {
        s.fd = open("/dev/tty", O_RDWR | O_CLOEXEC);
        if (s.fd < 0 || tcgetattr(s.fd, &s.saved) != 0) {
            s.failed = true;
            ReportUiProblem(std::string("no terminal to draw the dialog on (/dev/tty: ") + std::strerror(errno) + ")");
            if (s.fd >= 0) close(s.fd);
            s.fd = -1;
            return false;
        }
        std::atexit(Restore);
        for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) std::signal(signal, RestoreAndRaise);
    }
    termios raw = s.saved;
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    raw.c_iflag &= ~static_cast<tcflag_t>(ICRNL | IXON);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    tcsetattr(s.fd, TCSANOW, &raw);
    s.raw = true;
    s.shown.clear();
    Send("\x1b[?1049h\x1b[?25l");
    return true;
}

// The terminal's size, 80 x 24 when it does not say.
void Size(int& columns, int& rows) {
    winsize size{};
    bool known = ioctl(TheSession().fd, TIOCGWINSZ, &size) == 0;
    columns = known && size.ws_col > 0 ? size.ws_col : 80;
    rows = known && size.ws_row > 0 ? size.ws_row : 24;
}

bool Colour() {
    const char* colour = std::getenv("COLORTERM");
    return colour && (std::strstr(colour, "truecolor") || std::strstr(colour, "24bit"));
}

// Draws the dialog (and a message box) when anything changed.
void Draw(HWND dialog, const MessageBoxView* box) {
    Session& s = TheSession();
    int columns = 0, rows = 0;
    Size(columns, rows);
    DialogView view;
    if (dialog) view = DescribeDialog(dialog);
    TerminalFrame frame = ComposeScreen(dialog ? &view : nullptr, box, columns, rows);
    std::string screen = "\x1b[H";
    for (size_t row = 0; row < frame.lines.size() && static_cast<int>(row) < rows; ++row) {
        if (row) screen += "\r\n";
        screen += PaintLine(frame, static_cast<int>(row), Colour()) + "\x1b[K";
    }
    screen += "\x1b[J";
    if (screen == s.shown) return;
    s.shown = screen;
    Send(screen);
}

// The next key; waits for one when `wait` is set. False when there is none
// (or the terminal is gone, with `gone` set).
bool NextKey(bool wait, TerminalKey& key, bool& gone) {
    Session& s = TheSession();
    gone = false;
    for (;;) {
        if (!s.pending.empty()) {
            key = DecodeTerminalKey(s.pending, false);
            if (key.kind != TerminalKey::Kind::Incomplete) {
                s.pending.erase(0, key.used);
                return true;
            }
        }
        // An Esc alone is only known when nothing follows it shortly.
        pollfd p{s.fd, POLLIN, 0};
        int timeout = !s.pending.empty() ? 50 : (wait ? -1 : 0);
        int ready = poll(&p, 1, timeout);
        if (ready <= 0) {
            if (s.pending.empty()) return false;
            key = DecodeTerminalKey(s.pending, true);
            s.pending.erase(0, key.used);
            return true;
        }
        char bytes[64];
        ssize_t n = read(s.fd, bytes, sizeof bytes);
        if (n <= 0) {
            gone = true;
            return false;
        }
        s.pending.append(bytes, static_cast<size_t>(n));
    }
}

}  // namespace

bool TerminalEnabled() { return TheSession().enabled; }

void SetTerminalEnabled(bool enabled) { TheSession().enabled = enabled; }

void ReleaseTerminal() { Restore(); }

bool TerminalWaitForAction(HWND dialog, UiAction& action) {
    if (!Open()) return false;
    for (;;) {
        Draw(dialog, nullptr);
        TerminalKey key;
        bool gone = false;
        if (!NextKey(true, key, gone)) return false;
        if (key.kind == TerminalKey::Kind::Redraw) TheSession().shown.clear();
        if (key.kind == TerminalKey::Kind::Action) {
            action = key.action;
            return true;
        }
    }
}

bool TerminalPollAction(HWND dialog, UiAction& action) {
    if (!Open()) return false;
    Draw(dialog, nullptr);
    TerminalKey key;
    bool gone = false;
    while (NextKey(false, key, gone)) {
        if (key.kind == TerminalKey::Kind::Redraw) TheSession().shown.clear();
        if (key.kind == TerminalKey::Kind::Action) {
            action = key.action;
            return true;
        }
    }
    return false;
}

// Tab and the arrows move between the buttons, Enter or Space chooses, a
// button's mnemonic chooses it, and Esc is Cancel (or OK when that is the
// only button).
bool TerminalMessageBox(const std::string& caption, const std::string& text, UINT type, int& answer) {
    if (!Open()) return false;
    MessageBoxView box;
    box.caption = Utf8FromAnsi(caption);
    box.text = Utf8FromAnsi(text);
    box.buttons = MessageBoxButtons(type);
    int count = static_cast<int>(box.buttons.size());
    box.focused = MessageBoxDefaultButton(type, box.buttons);
    for (;;) {
        Draw(InputDialog(), &box);
        TerminalKey key;
        bool gone = false;
        if (!NextKey(true, key, gone)) return false;
        if (key.kind == TerminalKey::Kind::Redraw) TheSession().shown.clear();
        if (key.kind != TerminalKey::Kind::Action || key.action.kind != UiAction::Kind::Key) continue;
        UINT vk = key.action.key;
        if (vk == VK_TAB || vk == VK_RIGHT || vk == VK_DOWN)
            box.focused = (box.focused + (key.action.shift ? count - 1 : 1)) % count;
        else if (vk == VK_LEFT || vk == VK_UP)
            box.focused = (box.focused + count - 1) % count;
        else
            answer = MessageBoxKeyAnswer(key.action, box.buttons, box.focused);
        if (answer) {
            TheSession().shown.clear();
            return true;
        }
    }
}

}  // namespace winsim
