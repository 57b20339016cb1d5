// Where the process's later DLL loads would search: SetDllDirectoryA and
// SetDefaultDllDirectories. winsim loads its system DLLs by full path only
// (modules.cpp), so the settings change no load; they are kept so that a
// test can see what a program asked for.
#include <string>

#include "kernel32/exports.h"
#include "machine/machine_state.h"
#include "winsim/machine.h"

namespace {

std::string dllDirectory;
bool dllDirectorySet = false;
DWORD defaultDirectories = 0;

// The flags SetDefaultDllDirectories accepts: at least one, and nothing else.
constexpr DWORD kSearchFlags = LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_USER_DIRS |
                               LOAD_LIBRARY_SEARCH_SYSTEM32 | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS;

}  // namespace

namespace winsim {

BOOL WINAPI SetDllDirectoryCall(LPCSTR path) {
    dllDirectorySet = path != nullptr;
    dllDirectory = path ? path : "";
    return TRUE;
}

BOOL WINAPI SetDefaultDllDirectoriesCall(DWORD flags) {
    if (flags == 0 || (flags & ~kSearchFlags) != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    defaultDirectories = flags;
    return TRUE;
}

DllSearchSettings CurrentDllSearch() {
    return DllSearchSettings{dllDirectorySet, dllDirectory, defaultDirectories};
}

}  // namespace winsim

extern "C" BOOL WINAPI SetDllDirectoryA(LPCSTR path) {
    winsim::RequireExport(winsim::ExportsSetDllDirectory(), "SetDllDirectoryA");
    return winsim::SetDllDirectoryCall(path);
}

extern "C" BOOL WINAPI SetDefaultDllDirectories(DWORD flags) {
    winsim::RequireExport(winsim::ExportsSetDefaultDllDirectories(), "SetDefaultDllDirectories");
    return winsim::SetDefaultDllDirectoriesCall(flags);
}
