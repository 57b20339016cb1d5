/*
 * VERSION and COMCTL32, loaded by full path in the system directory (see
 * sysdlls.h for why they are not imported).
 */
#include "sysdlls.h"

#include "log.h"
#include "status.h"

static const char THIS_FILE[] = ".\\install\\sysdlls.cpp";

/* LOAD_LIBRARY_SEARCH_SYSTEM32: later loads search the system directory only. */
static const DWORD SEARCH_SYSTEM32 = 0x00000800;

typedef BOOL(WINAPI *SetDefaultDllDirectoriesCall)(DWORD);
typedef BOOL(WINAPI *SetDllDirectoryCall)(LPCSTR);
typedef DWORD(WINAPI *VersionInfoSizeCall)(LPCSTR, LPDWORD);
typedef BOOL(WINAPI *VersionInfoCall)(LPCSTR, DWORD, DWORD, LPVOID);
typedef BOOL(WINAPI *VersionQueryCall)(LPCVOID, LPCSTR, LPVOID *, UINT *);
typedef void(WINAPI *InitCommonControlsCall)(void);

static HMODULE VersionModule;
static VersionInfoSizeCall VersionInfoSizeProc;
static VersionInfoCall VersionInfoProc;
static VersionQueryCall VersionQueryProc;
static HMODULE ControlsModule;

/* Through void (*)(void), the one function pointer type any other converts to without a warning. */
typedef void (*AnyProc)(void);

void NarrowDllSearch(void)
{
    HMODULE kernel = GetModuleHandleA("KERNEL32.DLL");
    SetDefaultDllDirectoriesCall setDefault;
    SetDllDirectoryCall setDirectory;

    if (!kernel) return;
    setDefault = (SetDefaultDllDirectoriesCall)(AnyProc)GetProcAddress(kernel, "SetDefaultDllDirectories");
    if (setDefault && setDefault(SEARCH_SYSTEM32)) return;
    setDirectory = (SetDllDirectoryCall)(AnyProc)GetProcAddress(kernel, "SetDllDirectoryA");
    if (setDirectory) setDirectory("");
}

/* The full path of `name` in the system directory, then the DLL loaded from
 * there; NULL after logging and recording the failure. */
static HMODULE LoadSystemDll(const char *name)
{
    char path[MAX_PATH];
    UINT length;
    HMODULE module;
    DWORD error;

    POSITION();
    length = GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length + 1 + lstrlenA(name) >= MAX_PATH) {
        error = length == 0 ? GetLastError() : ERROR_BUFFER_OVERFLOW;
        LogWrite("GetSystemDirectory failed for %s 0x%08lX", name, error);
        RecordStatus(2067, error);
        return NULL;
    }
    if (path[length - 1] != '\\') path[length++] = '\\';
    lstrcpynA(path + length, name, MAX_PATH - (int)length);
    module = LoadLibraryA(path);
    if (!module) {
        error = GetLastError();
        POSITION();
        LogWrite("LoadLibrary failed on %s 0x%08lX", path, error);
        RecordStatus(2067, error);
    }
    return module;
}

/* A call of a loaded system DLL; NULL after logging and recording. */
static AnyProc FindCall(HMODULE module, const char *dll, const char *name)
{
    AnyProc call = (AnyProc)GetProcAddress(module, name);
    DWORD error;

    if (!call) {
        error = GetLastError();
        POSITION();
        LogWrite("GetProcAddress failed on %s in %s 0x%08lX", name, dll, error);
        RecordStatus(2050, error);
    }
    return call;
}

BOOL LoadVersionDll(void)
{
    HMODULE module;

    POSITION();
    if (VersionModule) return TRUE;
    module = LoadSystemDll("version.dll");
    if (!module) return FALSE;
    VersionInfoSizeProc = (VersionInfoSizeCall)FindCall(module, "version.dll", "GetFileVersionInfoSizeA");
    VersionInfoProc = VersionInfoSizeProc ? (VersionInfoCall)FindCall(module, "version.dll", "GetFileVersionInfoA")
                                          : NULL;
    VersionQueryProc = VersionInfoProc ? (VersionQueryCall)FindCall(module, "version.dll", "VerQueryValueA") : NULL;
    if (!VersionQueryProc) {
        VersionInfoSizeProc = NULL;
        VersionInfoProc = NULL;
        FreeLibrary(module);
        return FALSE;
    }
    VersionModule = module;
    return TRUE;
}

BOOL LoadCommonControls(void)
{
    HMODULE module;
    InitCommonControlsCall init;

    POSITION();
    if (ControlsModule) return TRUE;
    module = LoadSystemDll("comctl32.dll");
    if (!module) return FALSE;
    init = (InitCommonControlsCall)FindCall(module, "comctl32.dll", "InitCommonControls");
    if (!init) {
        FreeLibrary(module);
        return FALSE;
    }
    init();
    ControlsModule = module;
    return TRUE;
}

DWORD VersionInfoSize(LPCSTR path, LPDWORD handle)
{
    if (!VersionInfoSizeProc && !LoadVersionDll()) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    return VersionInfoSizeProc(path, handle);
}

BOOL VersionInfo(LPCSTR path, DWORD handle, DWORD size, LPVOID block)
{
    if (!VersionInfoProc && !LoadVersionDll()) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return FALSE;
    }
    return VersionInfoProc(path, handle, size, block);
}

BOOL VersionQuery(LPCVOID block, LPCSTR subBlock, LPVOID *value, UINT *length)
{
    if (!VersionQueryProc && !LoadVersionDll()) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return FALSE;
    }
    return VersionQueryProc(block, subBlock, value, length);
}
