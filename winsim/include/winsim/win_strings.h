/* Windows' own string calls; wsprintfA writes at most 1024 characters and a NUL. Included by <windows.h>. */
#ifndef WINSIM_WIN_STRINGS_H
#define WINSIM_WIN_STRINGS_H

int WINAPI wvsprintfA(LPSTR lpOutput, LPCSTR lpFmt, va_list arglist);
int wsprintfA(LPSTR lpOutput, LPCSTR lpFmt, ...);

/* kernel32's string calls. */
WINBASEAPI int WINAPI lstrlenA(LPCSTR lpString);
WINBASEAPI LPSTR WINAPI lstrcpynA(LPSTR lpString1, LPCSTR lpString2, int iMaxLength);
WINBASEAPI int WINAPI lstrcmpiA(LPCSTR lpString1, LPCSTR lpString2);

#endif
