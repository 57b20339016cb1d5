// Sending messages to windows, and what DefWindowProc does with them.
#ifndef WINSIM_WINDOW_MESSAGES_H
#define WINSIM_WINDOW_MESSAGES_H

#include "user32/window_object.h"

namespace winsim {

// Calls the window's procedure at once, as SendMessageA does (without its
// fault check). A window that does not exist answers 0.
LRESULT Send(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

// A control's WM_COMMAND notification to its parent.
void NotifyParent(HWND control, WORD code);

// The default handling of a message (DefWindowProcA).
LRESULT DefaultWindowProc(Window& window, UINT message, WPARAM wParam, LPARAM lParam);

// Copies text into a caller's buffer as WM_GETTEXT does: at most size - 1
// characters and a terminator; returns the number of characters copied.
LRESULT CopyTextOut(const std::string& text, WPARAM size, LPARAM buffer);

}  // namespace winsim

#endif
