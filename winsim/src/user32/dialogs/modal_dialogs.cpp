#include "user32/dialogs/modal_dialogs.h"

#include <vector>

#include "ui/terminal.h"
#include "ui/ui_input.h"
#include "ui/ui_transcript.h"
#include "user32/dialogs/dialog_keys.h"
#include "user32/dialogs/dialog_procedure.h"
#include "user32/message_queue.h"
#include "user32/window_destroy.h"
#include "user32/window_state.h"

namespace winsim {
namespace {

// Messages a dialog may handle in a row without ever waiting for input; a
// program that keeps posting to itself is stopped here instead of hanging.
constexpr unsigned long kMaxMessagesWithoutInput = 100000;

std::vector<HWND>& Running() {
    static std::vector<HWND> running;
    return running;
}

}  // namespace

HWND InnermostModalDialog() { return Running().empty() ? nullptr : Running().back(); }

INT_PTR RunModalDialog(HWND dialog) {
    DialogProcedure* d = DialogOf(dialog);
    if (!d) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return -1;
    }
    const std::string name = d->name;
    if (!d->ended) {
        ChangeVisibility(dialog, true);
        TranscriptLine("dialog " + name + " shown");
    }
    Running().push_back(dialog);
    INT_PTR result = -1;
    bool ended = false;
    unsigned long messages = 0;
    for (;;) {
        d = DialogOf(dialog);
        if (!d) {
            ReportUiProblem("dialog " + name + " was destroyed without EndDialog");
            break;
        }
        if (d->ended) {
            result = d->result;
            ended = true;
            break;
        }
        MSG m;
        if (TakeMessage(m, nullptr, 0, 0, true)) {
            if (m.message == WM_QUIT) {
                // The loop ends and leaves the quit for the loop outside.
                PostQuitMessage(static_cast<int>(m.wParam));
                result = 0;
                break;
            }
            if (++messages > kMaxMessagesWithoutInput) {
                ReportUiProblem("dialog " + name + " handled " + std::to_string(kMaxMessagesWithoutInput) +
                                " messages without waiting for input once; it is stopped");
                break;
            }
            if (!DialogMessage(dialog, m)) {
                TranslateMessage(&m);
                DispatchMessageA(&m);
            }
            continue;
        }
        messages = 0;
        if (GiveIdleInput(dialog) == IdleInput::Finished) {
            StopWhenInputIsOver();
            break;
        }
    }
    Running().pop_back();
    if (Running().empty()) ReleaseTerminal();
    if (ended) {
        TranscriptLine("dialog " + name + " ended " + std::to_string(static_cast<long long>(result)));
    } else {
        SetLastError(ERROR_CANCELLED);
        result = -1;
    }
    if (FindWindowRecord(dialog)) DestroyWindowTree(dialog);
    return result;
}

}  // namespace winsim
