// The calling thread's last-error value.
#include <windows.h>

namespace {
thread_local DWORD lastError = 0;
}

extern "C" DWORD WINAPI GetLastError(void) { return lastError; }
extern "C" void WINAPI SetLastError(DWORD code) { lastError = code; }
