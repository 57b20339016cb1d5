// Modal dialog boxes: the loop that runs one until EndDialog, and the stack
// of those running (a dialog may open another).
#ifndef WINSIM_MODAL_DIALOGS_H
#define WINSIM_MODAL_DIALOGS_H

#include <windows.h>

namespace winsim {

// Shows the dialog, runs its messages and input until EndDialog, destroys it
// and returns EndDialog's result; -1 when input ran out.
INT_PTR RunModalDialog(HWND dialog);
HWND InnermostModalDialog();

}  // namespace winsim

#endif
