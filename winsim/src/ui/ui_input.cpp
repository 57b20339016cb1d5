#include "ui/ui_input.h"

#include <cstdio>
#include <cstdlib>

#include "ui/terminal.h"
#include "ui/ui_actions.h"
#include "ui/ui_script.h"
#include "ui/ui_transcript.h"
#include "user32/dialogs/dialog_procedure.h"
#include "user32/dialogs/modal_dialogs.h"
#include "user32/window_state.h"

namespace winsim {
namespace {

std::string Source(const UiAction& a) { return a.line ? "line " + std::to_string(a.line) : "terminal"; }

std::string DialogName(HWND dialog) {
    const DialogProcedure* d = DialogOf(dialog);
    return "dialog " + (d && !d->name.empty() ? d->name : std::string("(no name)"));
}

// Posts the action; false when it cannot be done here (reported).
bool Deliver(const UiAction& a, HWND dialog) {
    std::string ignored, error;
    if (!ApplyAction(a, dialog, ignored, error)) {
        ReportUiProblem(Source(a) + " '" + a.text + "': " + error);
        return false;
    }
    TranscriptLine("input " + Source(a) + ": " + a.text + (ignored.empty() ? "" : " (ignored: " + ignored + ")"));
    return true;
}

}  // namespace

void ReportUiProblem(const std::string& problem) {
    std::fprintf(stderr, "winsim: %s\n", problem.c_str());
    TranscriptLine("error " + problem);
}

void StopWhenInputIsOver() {
    const char* exitFile = std::getenv("WINSIM_EXIT_FILE");
    bool underRun = exitFile && *exitFile;
    if (!ScriptFromEnvironment() && !(underRun && !HasScript())) return;
    std::fprintf(stderr, "winsim: the program is stopped: it waits for input that cannot come (exit status %d)\n",
                 kStoppedForInput);
    TranscriptLine("stopped: no more input");
    if (underRun) {
        if (FILE* f = std::fopen(exitFile, "w")) {
            std::fputs("stopped\n", f);
            std::fclose(f);
        }
    }
    std::exit(kStoppedForInput);
}

HWND InputDialog() {
    if (HWND modal = InnermostModalDialog()) return modal;
    std::vector<HWND> windows = TopLevelWindows();
    for (auto it = windows.rbegin(); it != windows.rend(); ++it)
        if (DialogOf(*it) && IsShown(*it)) return *it;
    return nullptr;
}

IdleInput GiveIdleInput(HWND dialog) {
    TranscriptScreen(dialog);
    if (const UiAction* next = NextScriptAction()) {
        UiAction a = *next;
        if (a.busy) {
            ReportUiProblem(Source(a) + " '" + a.text + "' is for a busy program, but " + DialogName(dialog) +
                            " waits for input");
            return IdleInput::Finished;
        }
        if (a.kind == UiAction::Kind::Answer) {
            ReportUiProblem(Source(a) + " '" + a.text + "' answers a message box, but none is shown; " +
                            DialogName(dialog) + " waits for input");
            return IdleInput::Finished;
        }
        TakeScriptAction();
        return Deliver(a, dialog) ? IdleInput::Delivered : IdleInput::Finished;
    }
    if (TerminalEnabled()) {
        UiAction a;
        if (TerminalWaitForAction(dialog, a)) return Deliver(a, dialog) ? IdleInput::Delivered : IdleInput::Finished;
        ReportUiProblem("the terminal closed while " + DialogName(dialog) + " waited for input");
        return IdleInput::Finished;
    }
    if (HasScript())
        ReportUiProblem("the UI script ran out while " + DialogName(dialog) + " waited for input");
    else
        ReportUiProblem(DialogName(dialog) +
                        " waits for input, but there is no UI script (WINSIM_UI_SCRIPT or WINSIM_UI_INPUT) and no "
                        "terminal (WINSIM_UI=terminal)");
    return IdleInput::Finished;
}

bool GiveBusyInput(HWND dialog) {
    TranscriptScreen(dialog);
    if (const UiAction* next = NextScriptAction()) {
        if (!next->busy) return false;
        UiAction a = *next;
        TakeScriptAction();
        Deliver(a, dialog);
        return true;
    }
    UiAction a;
    if (TerminalEnabled() && TerminalPollAction(dialog, a)) {
        Deliver(a, dialog);
        return true;
    }
    return false;
}

}  // namespace winsim
