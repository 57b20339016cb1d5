/*
 * The system DLLs the programs use beyond the four they import (KERNEL32,
 * USER32, GDI32, ADVAPI32): VERSION for file versions and COMCTL32 for the
 * wizard's progress bar. Windows looks for a DLL that is not on its list of
 * known DLLs first in the folder the program was started from, where anyone
 * may have put one (a downloads folder, a copied CD). So these two are not
 * imported but loaded at run time by their full path in the system
 * directory, after the process's DLL search has been narrowed where this
 * Windows offers a way to.
 */
#ifndef HALVINST_SYSDLLS_H
#define HALVINST_SYSDLLS_H

#include <windows.h>

/* First thing in a program, before anything loads a DLL: where KERNEL32
 * exports SetDefaultDllDirectories (Windows 8 on, or an update), later loads
 * search the system directory only; else, where it exports SetDllDirectoryA
 * (Windows XP SP1 on), the current directory is taken out of the search.
 * Older Windows have neither; the full paths below protect them. */
void NarrowDllSearch(void);

/* Loads VERSION.dll from the system directory and looks up its three calls.
 * A failure is logged and recorded (status 2067 with the load's error, or
 * 2050 for a missing call) and returns FALSE; it never reads as "no version".
 * Loaded once per process; later calls return TRUE at once. */
BOOL LoadVersionDll(void);

/* Loads COMCTL32.dll the same way and registers the common controls
 * (InitCommonControls), which a dialog with a progress bar needs. */
BOOL LoadCommonControls(void);

/* The VERSION calls through the loaded DLL, loading it first when no call
 * has yet; when it cannot be loaded (recorded as above) they fail with
 * ERROR_MOD_NOT_FOUND (126), which the version reader takes as the failure
 * it is. */
DWORD VersionInfoSize(LPCSTR path, LPDWORD handle);
BOOL VersionInfo(LPCSTR path, DWORD handle, DWORD size, LPVOID block);
BOOL VersionQuery(LPCVOID block, LPCSTR subBlock, LPVOID *value, UINT *length);

#endif
