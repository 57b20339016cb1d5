// Where a dialog's input comes from: the UI script first, then, when
// WINSIM_UI=terminal, the person at the terminal.
//
// The rule when input runs out: a program that waits for input (a modal
// dialog with an empty queue, GetMessageA) while neither the script nor a
// terminal can give any more gets none: the wait ends with an error on
// stderr and in the transcript, and the dialog ends with -1. Nothing ever
// waits for input that cannot come.
#ifndef WINSIM_UI_INPUT_H
#define WINSIM_UI_INPUT_H

#include <windows.h>

#include <string>

namespace winsim {

enum class IdleInput { Delivered, Finished };

// The program waits in `dialog` with an empty queue: the next action is
// posted to it. Finished when there is none, or the script's next line
// cannot be done here (the reason has been reported).
IdleInput GiveIdleInput(HWND dialog);

// The program polls its queue while busy: a script line marked "busy" (or a
// key waiting at the terminal) is posted. True when an action was used.
bool GiveBusyInput(HWND dialog);

// Writes a problem with the UI input to stderr and the transcript.
void ReportUiProblem(const std::string& problem);

// The dialog that input goes to: the innermost modal dialog, else the
// newest visible dialog; nullptr when there is none.
HWND InputDialog();

}  // namespace winsim

#endif
