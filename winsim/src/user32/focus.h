// The thread's keyboard focus.
#ifndef WINSIM_FOCUS_H
#define WINSIM_FOCUS_H

#include <windows.h>

namespace winsim {

HWND FocusWindow();
// Moves the focus as SetFocus does: WM_KILLFOCUS to the old window, then
// WM_SETFOCUS to the new one. Returns the window that had it.
HWND MoveFocus(HWND to);
// Forgets the focus without messages (its window is being destroyed).
void DropFocus();

}  // namespace winsim

#endif
