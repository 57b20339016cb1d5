// Message boxes. Each box shown is appended to the machine's transcript
// (.winsim/ui/messageboxes: caption, flags, text); the answers come, in
// order, from WINSIM_MESSAGEBOX_ANSWERS ("6,7": IDYES then IDNO), else from
// the UI script's "answer" lines or the person at the terminal. A box with
// only an OK button answers IDOK by itself; a question nobody can answer
// stops a program run from a script or by `winsim run` (ui/ui_input.h), and is
// otherwise answered No, so that an unscripted run never goes ahead by
// accident.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "machine/faults.h"
#include "machine/machine_state.h"
#include "ui/message_box_input.h"
#include "ui/ui_input.h"

namespace {
size_t answered = 0;
std::string answers;

bool NextAnswer(int& answer) {
    const char* list = std::getenv("WINSIM_MESSAGEBOX_ANSWERS");
    if (!list) return false;
    std::string text = list;
    // A new list of answers starts from its first answer.
    if (text != answers) {
        answers = text;
        answered = 0;
    }
    size_t index = 0, start = 0;
    while (start <= text.size()) {
        size_t end = text.find(',', start);
        if (end == std::string::npos) end = text.size();
        if (index++ == answered) {
            ++answered;
            answer = std::atoi(text.substr(start, end - start).c_str());
            return end > start;
        }
        start = end + 1;
    }
    return false;
}
}  // namespace

extern "C" int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    if (winsim::FailsHere("MessageBoxA", false)) return 0;
    std::ofstream transcript(winsim::StateDir("ui") + "/messageboxes", std::ios::app);
    char flags[16];
    std::snprintf(flags, sizeof flags, "0x%08X", type);
    transcript << "[" << (caption ? caption : "Error") << "] " << flags << "\n" << (text ? text : "") << "\n\n";
    int answer = 0;
    if (NextAnswer(answer)) return answer;
    if (winsim::NextMessageBoxAnswer(owner, text, caption, type, answer)) return answer;
    winsim::StopWhenInputIsOver();
    switch (type & 0xF) {
        case MB_OK: return IDOK;
        case MB_OKCANCEL: return IDCANCEL;
        default: return IDNO;
    }
}
