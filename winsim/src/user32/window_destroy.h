// Destroying a window with everything inside it.
#ifndef WINSIM_WINDOW_DESTROY_H
#define WINSIM_WINDOW_DESTROY_H

#include <windows.h>

namespace winsim {

// Sends WM_DESTROY from the window down to its children and WM_NCDESTROY
// from the children up, then takes them all out of the window table.
void DestroyWindowTree(HWND window);

}  // namespace winsim

#endif
