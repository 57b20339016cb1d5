#include "ui/message_box_input.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "ui/terminal.h"
#include "ui/ui_input.h"
#include "ui/ui_script.h"
#include "ui/ui_transcript.h"
#include "user32/dialogs/dialog_procedure.h"
#include "user32/dialogs/message_box_labels.h"
#include "user32/dialogs/modal_dialogs.h"

namespace winsim {

int MessageBoxDefaultButton(UINT type, const std::vector<int>& buttons) {
    return std::min(static_cast<int>(buttons.size()) - 1, static_cast<int>((type >> 8) & 0xF));
}

std::vector<int> MessageBoxButtons(UINT type) {
    switch (type & 0xF) {
        case 0: return {IDOK};
        case 1: return {IDOK, IDCANCEL};
        case 2: return {3, 4, 5};       // Abort, Retry, Ignore
        case 3: return {6, 7, IDCANCEL};  // Yes, No, Cancel
        case 4: return {6, 7};          // Yes, No
        case 5: return {4, IDCANCEL};   // Retry, Cancel
        case 6: return {IDCANCEL, 10, 11};  // Cancel, Try Again, Continue
        default: return {IDOK};
    }
}

int MessageBoxKeyAnswer(const UiAction& key, const std::vector<int>& buttons, int focused) {
    if (key.kind != UiAction::Kind::Key || buttons.empty()) return 0;
    auto has = [&](int answer) { return std::find(buttons.begin(), buttons.end(), answer) != buttons.end(); };
    if (key.key == VK_RETURN || key.key == VK_SPACE)
        return buttons[static_cast<size_t>(std::clamp(focused, 0, static_cast<int>(buttons.size()) - 1))];
    if (key.key == VK_ESCAPE) return has(IDCANCEL) ? IDCANCEL : buttons.size() == 1 && buttons[0] == IDOK ? IDOK : 0;
    if (key.key < 0x80 && std::isalnum(static_cast<int>(key.key)))
        for (int answer : buttons)
            if (LabelMnemonic(MessageBoxButtonLabel(answer)) == static_cast<char>(key.key)) return answer;
    return 0;
}

bool NextMessageBoxAnswer(HWND owner, LPCSTR text, LPCSTR caption, UINT type, int& answer) {
    answer = 0;
    if (owner && DialogOf(owner)) TranscriptScreen(owner);
    std::string shownCaption = caption ? caption : "Error";
    std::string shownText = text ? text : "";
    char flags[16];
    std::snprintf(flags, sizeof flags, "0x%08X", type);
    TranscriptLine("messagebox " + QuoteText(shownCaption) + " " + flags + " " + QuoteText(shownText));
    std::vector<int> buttons = MessageBoxButtons(type);
    std::string labels;
    for (int b : buttons) labels += " \"" + MessageBoxButtonLabel(b) + "\"";
    TranscriptLine("  buttons" + labels);
    // A box with nothing to decide (OK only) is answered OK unless an answer line comes next.
    const UiAction* next = NextScriptAction();
    bool onlyOk = buttons.size() == 1 && buttons[0] == IDOK;
    if (onlyOk && (!next || next->kind != UiAction::Kind::Answer) && (next || !TerminalEnabled())) {
        answer = IDOK;
        TranscriptLine("answer by itself: IDOK");
        return true;
    }
    if (next) {
        std::string where = "line " + std::to_string(next->line) + " '" + next->text + "'";
        if (next->kind == UiAction::Kind::Key && !next->busy) {
            answer = MessageBoxKeyAnswer(*next, buttons, MessageBoxDefaultButton(type, buttons));
            if (!answer) {
                ReportUiProblem(where + ": message box " + QuoteText(shownText) + " (flags " + flags +
                                ") takes no such key");
                return false;
            }
            int line = next->line;
            TakeScriptAction();
            TranscriptLine("answer line " + std::to_string(line) + ": " + AnswerName(answer));
            return true;
        }
        if (next->kind != UiAction::Kind::Answer) {
            ReportUiProblem(where + ": the program shows message box " + QuoteText(shownText) +
                            ", but this line does not answer it");
            return false;
        }
        if (std::find(buttons.begin(), buttons.end(), next->answer) == buttons.end()) {
            ReportUiProblem(where + ": message box " + QuoteText(shownText) + " (flags " + flags + ") has no " +
                            AnswerName(next->answer) + " button");
            return false;
        }
        answer = next->answer;
        int line = next->line;
        TakeScriptAction();
        TranscriptLine("answer line " + std::to_string(line) + ": " + AnswerName(answer));
        return true;
    }
    if (TerminalEnabled()) {
        bool answered = TerminalMessageBox(shownCaption, shownText, type, answer);
        if (!InnermostModalDialog()) ReleaseTerminal();
        if (answered) {
            TranscriptLine("answer terminal: " + AnswerName(answer));
            return true;
        }
        ReportUiProblem("the terminal closed while message box " + QuoteText(shownText) + " waited for an answer");
        return false;
    }
    ReportUiProblem(std::string(HasScript() ? "the UI script ran out before" : "there is no UI script to answer") +
                    " message box " + QuoteText(shownText));
    return false;
}

}  // namespace winsim
