// The KERNEL32 functions that only some Windows versions export.
#ifndef WINSIM_EXPORTS_H
#define WINSIM_EXPORTS_H

#include <windows.h>

namespace winsim {

// Whether this machine's KERNEL32 exports the vectored exception handler calls.
bool ExportsVectoredHandlers();
// SetDllDirectoryA: Windows XP from Service Pack 1 on, and every later Windows.
bool ExportsSetDllDirectory();
// SetDefaultDllDirectories: Windows 8 on (older versions only with an update).
bool ExportsSetDefaultDllDirectories();

// A program that imports a function its Windows does not export never starts
// there: when `exported` is false the loader refuses it, the process ends
// with STATUS_ENTRYPOINT_NOT_FOUND.
void RequireExport(bool exported, const char* name);

// The vectored handler calls themselves, as GetProcAddress hands them out.
PVOID WINAPI AddVectoredHandler(ULONG first, PVECTORED_EXCEPTION_HANDLER handler);
ULONG WINAPI RemoveVectoredHandler(PVOID handle);

// The DLL search calls, as GetProcAddress hands them out.
BOOL WINAPI SetDllDirectoryCall(LPCSTR path);
BOOL WINAPI SetDefaultDllDirectoriesCall(DWORD flags);

}  // namespace winsim

#endif
