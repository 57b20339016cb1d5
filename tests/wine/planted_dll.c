/* A DLL planted beside a program, as one downloaded next to an installer
 * would be. Built by planted_dll.sh as version.dll, comctl32.dll and
 * msvcrt.dll (PLANTED_NAME), with every export forwarded to the system's own
 * DLL by its full path, so that a process that loads it still works.
 *
 * When a process loads it, it leaves C:\planted\NAME.loaded: the program's
 * path and how it came to be loaded:
 *   "imported by the program"  the program's own import table names it;
 *   "loaded at run time"       LoadLibrary found it (a dynamic load);
 *   "loaded at start for a system DLL"  a static load the program's imports
 *                                       do not name: a system DLL's import. */
#include <windows.h>

#define TEXT_OF(x) #x
#define NAME_OF(x) TEXT_OF(x)

static const char ThisName[] = NAME_OF(PLANTED_NAME) ".dll";

/* Whether the main program's import table names this DLL. */
static BOOL ImportedByProgram(void)
{
    BYTE *base = (BYTE *)GetModuleHandleA(NULL);
    IMAGE_DOS_HEADER *dos = (IMAGE_DOS_HEADER *)base;
    IMAGE_NT_HEADERS *nt = (IMAGE_NT_HEADERS *)(base + dos->e_lfanew);
    IMAGE_DATA_DIRECTORY *directory = &nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    IMAGE_IMPORT_DESCRIPTOR *import;

    if (!directory->VirtualAddress) return FALSE;
    for (import = (IMAGE_IMPORT_DESCRIPTOR *)(base + directory->VirtualAddress); import->Name; ++import) {
        if (lstrcmpiA((const char *)(base + import->Name), ThisName) == 0) return TRUE;
    }
    return FALSE;
}

/* Leaves C:\planted\NAME.<suffix> holding the program's path and `how`. */
static void Mark(const char *suffix, const char *how)
{
    char path[MAX_PATH];
    char text[MAX_PATH + 64];
    HANDLE file;
    DWORD written;

    CreateDirectoryA("C:\\planted", NULL);
    lstrcpyA(path, "C:\\planted\\" NAME_OF(PLANTED_NAME) ".");
    lstrcatA(path, suffix);
    file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return;
    GetModuleFileNameA(NULL, text, MAX_PATH);
    lstrcatA(text, ": ");
    lstrcatA(text, how);
    WriteFile(file, text, lstrlenA(text), &written, NULL);
    CloseHandle(file);
}

#ifdef PLANTED_VERSION
/* The three calls the installer makes, as calls of ours: one that reaches
 * this copy leaves C:\planted\version.called, then goes on to the system's
 * (Wine's own DLLs load this copy at a program's start; a program that looks
 * the calls up in it is caught here). */
typedef DWORD(WINAPI *SizeCall)(LPCSTR, LPDWORD);
typedef BOOL(WINAPI *InfoCall)(LPCSTR, DWORD, DWORD, LPVOID);
typedef BOOL(WINAPI *QueryCall)(LPCVOID, LPCSTR, LPVOID *, PUINT);

static FARPROC SystemCall(const char *name)
{
    char path[MAX_PATH];

    Mark("called", name);
    GetSystemDirectoryA(path, MAX_PATH);
    lstrcatA(path, "\\version.dll");
    return GetProcAddress(LoadLibraryA(path), name);
}

DWORD WINAPI PlantedSize(LPCSTR path, LPDWORD handle)
{
    return ((SizeCall)(void (*)(void))SystemCall("GetFileVersionInfoSizeA"))(path, handle);
}

BOOL WINAPI PlantedInfo(LPCSTR path, DWORD handle, DWORD size, LPVOID block)
{
    return ((InfoCall)(void (*)(void))SystemCall("GetFileVersionInfoA"))(path, handle, size, block);
}

BOOL WINAPI PlantedQuery(LPCVOID block, LPCSTR sub, LPVOID *value, PUINT length)
{
    return ((QueryCall)(void (*)(void))SystemCall("VerQueryValueA"))(block, sub, value, length);
}
#endif

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    const char *how;

    (void)instance;
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    /* Windows passes NULL for a load through LoadLibrary, non-NULL for the
     * loads of a process's start. */
    how = ImportedByProgram() ? "imported by the program"
          : reserved == NULL  ? "loaded at run time"
                              : "loaded at start for a system DLL";
    Mark("loaded", how);
    return TRUE;
}
