// Until the terminal view exists, no terminal is used.
#include "terminal.h"

namespace winsim {

bool TerminalEnabled() { return false; }
void SetTerminalEnabled(bool) {}
bool TerminalWaitForAction(HWND, UiAction&) { return false; }
bool TerminalPollAction(HWND, UiAction&) { return false; }
bool TerminalMessageBox(const std::string&, const std::string&, UINT, int&) { return false; }

}  // namespace winsim
