// Fault injection: WINSIM_FAIL="Api:N:code;..." makes the Nth call of the
// named API fail with that error code, or raise an access violation when the
// code is AV, or ends the process abruptly (before the call does anything)
// when the code is KILL. "*:N:code" counts the calls of every API that changes the
// machine (files, registry) together. WINSIM_CALLS=FILE writes the number
// of calls of each API to FILE when the process ends (see WriteCallCounts).
#ifndef WINSIM_FAULTS_H
#define WINSIM_FAULTS_H

#include <windows.h>

namespace winsim {

// Called at the start of every simulated API. Returns true when this call is
// to fail, with the error code in `code`; raises the access violation itself.
bool InjectedFault(const char* api, bool mutating, DWORD& code);

// The fault and last-error idiom in one: sets the last error and returns true.
bool FailsHere(const char* api, bool mutating);

}  // namespace winsim

#endif
