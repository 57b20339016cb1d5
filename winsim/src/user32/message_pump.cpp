// PeekMessageA and GetMessageA: a program's own look into its queue. A poll
// that finds the queue empty while a dialog is up is where a busy program
// gets its "busy" input; GetMessageA waits, and so takes ordinary input.
#include "machine/faults.h"
#include "ui/ui_input.h"
#include "user32/message_queue.h"

extern "C" BOOL WINAPI PeekMessageA(LPMSG message, HWND hwnd, UINT first, UINT last, UINT remove) {
    if (winsim::FailsHere("PeekMessageA", false)) return FALSE;
    if (!message) return FALSE;
    bool take = (remove & PM_REMOVE) != 0;
    if (winsim::TakeMessage(*message, hwnd, first, last, take)) return TRUE;
    // After a poll was given input, the next empty poll ends that emptying of
    // the queue: one "busy" action each time the program empties its queue.
    bool& fed = winsim::PolledInputThisDrain();
    if (fed) {
        fed = false;
        return FALSE;
    }
    HWND dialog = winsim::InputDialog();
    if (dialog && winsim::GiveBusyInput(dialog) && winsim::TakeMessage(*message, hwnd, first, last, take)) {
        fed = true;
        return TRUE;
    }
    return FALSE;
}

// When no input can come any more the program is stopped (ui/ui_input.h), or
// the wait ends as if WM_QUIT had come, so that a GetMessageA loop finishes
// instead of waiting for ever.
extern "C" BOOL WINAPI GetMessageA(LPMSG message, HWND hwnd, UINT first, UINT last) {
    if (winsim::FailsHere("GetMessageA", false)) return -1;
    if (!message) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    for (;;) {
        if (winsim::TakeMessage(*message, hwnd, first, last, true)) return message->message == WM_QUIT ? FALSE : TRUE;
        HWND dialog = winsim::InputDialog();
        if (!dialog) winsim::ReportUiProblem("GetMessageA waits, but no dialog is shown that could get input");
        if (!dialog || winsim::GiveIdleInput(dialog) == winsim::IdleInput::Finished) {
            winsim::StopWhenInputIsOver();
            *message = MSG{};
            message->message = WM_QUIT;
            return FALSE;
        }
    }
}
