#include "ui/ui_transcript.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>

#include "shared/ansi_text.h"
#include "ui/dialog_view.h"

namespace winsim {
namespace {

struct TranscriptState {
    bool configured = false;
    std::string path;
    std::map<HWND, std::string> lastScreens;
};

// Kept for the whole process: the report of unused script lines writes here
// while the process ends.
TranscriptState& State() {
    static TranscriptState* state = new TranscriptState;
    if (!state->configured) {
        state->configured = true;
        if (const char* path = std::getenv("WINSIM_UI_TRANSCRIPT")) state->path = path;
    }
    return *state;
}

}  // namespace

void TranscriptLine(const std::string& line) {
    const std::string& path = State().path;
    if (path.empty()) return;
    std::ofstream out(path, std::ios::app | std::ios::binary);
    out << line << '\n';
}

void TranscriptScreen(HWND dialog) {
    TranscriptState& s = State();
    if (s.path.empty()) return;
    DialogView view = DescribeDialog(dialog);
    std::string signature = FormatScreen(view, false);
    std::string& last = s.lastScreens[dialog];
    if (signature == last) return;
    last = signature;
    std::string text = FormatScreen(view, true);
    if (!text.empty() && text.back() == '\n') text.pop_back();
    TranscriptLine(text);
}

void SetTranscriptPath(const std::string& path) {
    TranscriptState& s = State();
    s.path = path;
    s.lastScreens.clear();
}

void ForgetTranscriptScreens() { State().lastScreens.clear(); }

std::string QuoteText(const std::string& ansi) {
    std::string utf8 = Utf8FromAnsi(ansi), out = "\"";
    for (char c : utf8) {
        switch (c) {
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char hex[8];
                    std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(c));
                    out += hex;
                } else {
                    out += c;
                }
        }
    }
    return out + "\"";
}

}  // namespace winsim
