// The dialog on a text terminal (WINSIM_UI=terminal): drawn with its visible
// controls at their places, and worked with keys, so that a person can click
// through a program's dialogs on Linux.
#ifndef WINSIM_TERMINAL_H
#define WINSIM_TERMINAL_H

#include <windows.h>

#include <string>

#include "ui/ui_script.h"

namespace winsim {

bool TerminalEnabled();
void SetTerminalEnabled(bool enabled);

// Draws the dialog and waits for a key that does something. False when the
// terminal gives no more input (closed, or no terminal to open).
bool TerminalWaitForAction(HWND dialog, UiAction& action);
// While the program is busy: draws the dialog when it changed and takes a
// key that is already waiting, if there is one.
bool TerminalPollAction(HWND dialog, UiAction& action);
// Gives the terminal back as it was (when no dialog is left to show); the
// next dialog or message box takes it over again.
void ReleaseTerminal();
// Shows a message box and waits for the person's choice.
bool TerminalMessageBox(const std::string& caption, const std::string& text, UINT type, int& answer);

}  // namespace winsim

#endif
