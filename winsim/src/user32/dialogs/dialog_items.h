// Finding a dialog's controls: by id, and in tab order.
#ifndef WINSIM_DIALOG_ITEMS_H
#define WINSIM_DIALOG_ITEMS_H

#include <windows.h>

namespace winsim {

// The child with that id, or nullptr with ERROR_CONTROL_ID_NOT_FOUND (or
// ERROR_INVALID_WINDOW_HANDLE for a bad dialog) set.
HWND FindDlgItem(HWND dialog, int id);

// Whether the control can take the focus by the keyboard: visible, enabled
// and a tab stop.
bool IsTabStop(HWND control);

// The next (or previous) tab stop after `from`, wrapping around; with no
// `from`, the first (or last). `from` itself when it is the only one, and
// nullptr when the dialog has none.
HWND NextTabItem(HWND dialog, HWND from, bool previous);

// The control's identifier as WM_COMMAND reports it.
int ControlId(HWND control);

}  // namespace winsim

#endif
