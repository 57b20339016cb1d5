/* Temporary names, short paths, time conversions and the process heap.
 * Included by <windows.h> after the file and process calls. */
#ifndef WINSIM_WIN_FILES_MORE_H
#define WINSIM_WIN_FILES_MORE_H

#define ERROR_BUFFER_OVERFLOW 111L
#define ERROR_CALL_NOT_IMPLEMENTED 120L

/* The file "<path>\<up to 3 prefix characters><hex number>.TMP". With
 * uUnique 0 the number is chosen and the empty file created; otherwise only
 * the name is made from the low 16 bits of uUnique. */
WINBASEAPI UINT WINAPI GetTempFileNameA(LPCSTR lpPathName, LPCSTR lpPrefixString, UINT uUnique,
                                        LPSTR lpTempFileName);

/* The 8.3 spelling of an existing path: components that are 8.3 names stay as
 * given, long names become their aliases. Returns the length copied, or the
 * size needed (with its NUL) when cchBuffer is too small. */
WINBASEAPI DWORD WINAPI GetShortPathNameA(LPCSTR lpszLongPath, LPSTR lpszShortPath, DWORD cchBuffer);

WINBASEAPI BOOL WINAPI FileTimeToSystemTime(const FILETIME *lpFileTime, LPSYSTEMTIME lpSystemTime);
WINBASEAPI BOOL WINAPI SystemTimeToFileTime(const SYSTEMTIME *lpSystemTime, LPFILETIME lpFileTime);
WINBASEAPI LONG WINAPI CompareFileTime(const FILETIME *lpFileTime1, const FILETIME *lpFileTime2);
WINBASEAPI BOOL WINAPI FileTimeToLocalFileTime(const FILETIME *lpFileTime, LPFILETIME lpLocalFileTime);
WINBASEAPI BOOL WINAPI LocalFileTimeToFileTime(const FILETIME *lpLocalFileTime, LPFILETIME lpFileTime);

#define HEAP_NO_SERIALIZE 0x00000001
#define HEAP_GENERATE_EXCEPTIONS 0x00000004
#define HEAP_ZERO_MEMORY 0x00000008
#define HEAP_REALLOC_IN_PLACE_ONLY 0x00000010

WINBASEAPI HANDLE WINAPI GetProcessHeap(void);
WINBASEAPI LPVOID WINAPI HeapAlloc(HANDLE hHeap, DWORD dwFlags, SIZE_T dwBytes);
WINBASEAPI LPVOID WINAPI HeapReAlloc(HANDLE hHeap, DWORD dwFlags, LPVOID lpMem, SIZE_T dwBytes);
WINBASEAPI BOOL WINAPI HeapFree(HANDLE hHeap, DWORD dwFlags, LPVOID lpMem);
WINBASEAPI SIZE_T WINAPI HeapSize(HANDLE hHeap, DWORD dwFlags, LPCVOID lpMem);

#endif
