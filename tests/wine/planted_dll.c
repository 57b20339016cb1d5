/* A DLL planted beside a program, as one downloaded next to an installer
 * would be: when a process loads it, it leaves a marker file named after
 * itself in C:\planted\ and goes on. Built by planted_dll.sh as version.dll,
 * comctl32.dll and msvcrt.dll (PLANTED_NAME). */
#include <windows.h>

#define TEXT_OF(x) #x
#define NAME_OF(x) TEXT_OF(x)

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    char path[MAX_PATH];
    HANDLE file;
    DWORD written;

    (void)instance;
    (void)reserved;
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    CreateDirectoryA("C:\\planted", NULL);
    lstrcpyA(path, "C:\\planted\\" NAME_OF(PLANTED_NAME) ".loaded");
    file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file != INVALID_HANDLE_VALUE) {
        GetModuleFileNameA(NULL, path, sizeof path);
        WriteFile(file, path, lstrlenA(path), &written, NULL);
        CloseHandle(file);
    }
    return TRUE;
}
