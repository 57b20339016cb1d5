// The KERNEL32 functions that only some Windows versions export.
#ifndef WINSIM_EXPORTS_H
#define WINSIM_EXPORTS_H

#include <windows.h>

namespace winsim {

// Whether this machine's KERNEL32 exports the vectored exception handler calls.
bool ExportsVectoredHandlers();

// The vectored handler calls themselves, as GetProcAddress hands them out.
PVOID WINAPI AddVectoredHandler(ULONG first, PVECTORED_EXCEPTION_HANDLER handler);
ULONG WINAPI RemoveVectoredHandler(PVOID handle);

}  // namespace winsim

#endif
