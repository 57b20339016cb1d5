// The UI script: what a user does to the program's windows, one action a
// line, read from WINSIM_UI_SCRIPT (a file) or WINSIM_UI_INPUT (the text
// itself, lines also separated by ';').
//
//   click ID           click a control (a button) of the dialog
//   select ID INDEX    pick item INDEX (from 0) of a combo box's list
//   close              the close command of the dialog's system menu
//   key NAME           press a key: TAB, SHIFT+TAB, ENTER, ESC, SPACE, UP,
//                      DOWN, LEFT, RIGHT, HOME, END, PGUP, PGDN, F4,
//                      BACKSPACE, a letter or digit; ALT+ or SHIFT+ before it
//   wait               let the program run once more without input
//   answer ANSWER      answer a message box: a number or IDOK, IDCANCEL,
//                      IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO, IDTRYAGAIN,
//                      IDCONTINUE
//   busy ACTION        click, select, close, key or wait, given while the
//                      program is busy and only polls its queue (for
//                      example while it installs); one such line per poll
//
// IDs are numbers (decimal or 0x hex), IDOK or IDCANCEL. '#' starts a
// comment. A ';' ends a line as a line break does, and counts as one when
// lines are numbered.
#ifndef WINSIM_UI_SCRIPT_H
#define WINSIM_UI_SCRIPT_H

#include <windows.h>

#include <string>
#include <vector>

namespace winsim {

struct UiAction {
    enum class Kind { Click, Select, Close, Key, Wait, Answer };
    Kind kind = Kind::Wait;
    bool busy = false;
    int control = 0;  // Click, Select
    int index = 0;    // Select
    int answer = 0;   // Answer
    UINT key = 0;     // Key: the virtual key
    bool shift = false;
    bool alt = false;
    int line = 0;      // the script line, 0 for input from the terminal
    std::string text;  // the action as written
};

// False with `error` naming the line and what is wrong with it.
bool ParseUiScript(const std::string& text, std::vector<UiAction>& actions, std::string& error);

// The name of a key for the transcript: "SHIFT+TAB", "ALT+N".
std::string KeyName(const UiAction& action);
// "IDYES" for 6 ...; the number for an answer without a name.
std::string AnswerName(int answer);

// The script being played: loaded from the environment on first use,
// unless a host program set one.
const UiAction* NextScriptAction();
void TakeScriptAction();
// Lines not yet played.
size_t ScriptActionsLeft();
// Whether there was a script at all.
bool HasScript();
// Whether the script came from WINSIM_UI_SCRIPT or WINSIM_UI_INPUT (rather
// than from a host program that drives dialogs itself).
bool ScriptFromEnvironment();
void SetScript(std::vector<UiAction> actions);
// Forgets the script; the next use reads the environment again.
void ForgetScript();

}  // namespace winsim

#endif
