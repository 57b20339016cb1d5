// Where a dialog's input comes from: the UI script first, then, when
// WINSIM_UI=terminal, the person at the terminal.
//
// The rule when input runs out: a program that waits for input (a modal
// dialog with an empty queue, GetMessageA, a message box with a question)
// while neither the script nor a terminal can give any more gets none, and
// nothing ever waits for input that cannot come. The reason goes to stderr
// and the transcript. A program run from the environment's script, or by
// `winsim run`, is then stopped with exit status 4 (kStoppedForInput), so
// that the run cannot go on as if the user had done something; dialogs of a
// host program that plays its own script end with -1 instead.
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

// The exit status of a program stopped because its input ran out; `winsim
// run` tells it apart from the program's own exit code by the exit file's
// "stopped" line.
constexpr int kStoppedForInput = 4;

// After ReportUiProblem: stops the program when its input came from outside
// (see above); returns otherwise.
void StopWhenInputIsOver();

// The dialog that input goes to: the innermost modal dialog, else the
// newest visible dialog; nullptr when there is none.
HWND InputDialog();

}  // namespace winsim

#endif
