// The thread's message queue: messages posted to its windows, WM_QUIT, and
// the keyboard state as the messages taken from it leave it.
#ifndef WINSIM_MESSAGE_QUEUE_H
#define WINSIM_MESSAGE_QUEUE_H

#include <windows.h>

namespace winsim {

void Post(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
// The first queued message for `window` or one of its children (any window
// when nullptr) within [first, last] (everything when both are 0). Removing
// a keyboard message updates the key state.
bool TakeMessage(MSG& out, HWND window, UINT first, UINT last, bool remove);
bool QueueEmpty();
void ClearQueue();
// Whether the key was down when the last keyboard message was taken.
bool KeyIsDown(int key);
// Whether the program's current emptying of its queue has been given input
// already (see PeekMessageA).
bool& PolledInputThisDrain();

}  // namespace winsim

#endif
