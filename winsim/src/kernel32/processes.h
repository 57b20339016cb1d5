// The process handles CreateProcessA returns, as WaitForSingleObject sees them.
#ifndef WINSIM_PROCESSES_H
#define WINSIM_PROCESSES_H

#include <windows.h>

namespace winsim {

// Waits for the process behind `handle` to end. False when the handle is
// no process; otherwise `result` is WAIT_OBJECT_0 or WAIT_TIMEOUT.
bool WaitForProcess(HANDLE handle, DWORD milliseconds, DWORD& result);

}  // namespace winsim

#endif
