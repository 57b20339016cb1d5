// The thread's message queue. Without windows nothing is ever posted, so the
// queue is always empty; a message loop drains it at once.
#include <windows.h>

extern "C" BOOL WINAPI PeekMessageA(LPMSG, HWND, UINT, UINT, UINT) { return FALSE; }
extern "C" BOOL WINAPI TranslateMessage(const MSG*) { return FALSE; }
extern "C" LRESULT WINAPI DispatchMessageA(const MSG*) { return 0; }
