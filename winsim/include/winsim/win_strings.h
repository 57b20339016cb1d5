/* Windows' own string formatting (user32): wsprintfA writes at most 1024 bytes. Included by <windows.h>. */
#ifndef WINSIM_WIN_STRINGS_H
#define WINSIM_WIN_STRINGS_H

int WINAPI wvsprintfA(LPSTR lpOutput, LPCSTR lpFmt, va_list arglist);
int wsprintfA(LPSTR lpOutput, LPCSTR lpFmt, ...);

#endif
