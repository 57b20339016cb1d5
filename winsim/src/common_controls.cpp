// The common controls need no registration on winsim: their classes are built in.
#include <commctrl.h>

extern "C" void WINAPI InitCommonControls(void) {}
