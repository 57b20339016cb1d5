// Visibility and enabled state, for winsim's own callers (without the
// fault checks of ShowWindow and EnableWindow).
#ifndef WINSIM_WINDOW_STATE_H
#define WINSIM_WINDOW_STATE_H

#include <windows.h>

namespace winsim {

// Shows or hides the window; returns whether it was visible.
bool ChangeVisibility(HWND window, bool show);
// Enables or disables the window; returns whether it was disabled.
bool ChangeEnabled(HWND window, bool enable);
// Whether the window and every parent it sits in are visible.
bool IsShown(HWND window);
bool IsEnabled(HWND window);

}  // namespace winsim

#endif
