// Modules and their exports. The program itself and KERNEL32 have handles;
// GetProcAddress finds in KERNEL32 the functions that not every Windows
// version exports, and only on the versions that do, so that a program
// looking them up sees what it would see there.
//
// The system DLLs a program loads at run time (VERSION and COMCTL32) load
// by their full path in the system directory only. The simulated machine
// has no DLL files of its own, and a program that names such a DLL without
// its path would, on Windows, search for it beside itself first: winsim
// fails that load with ERROR_MOD_NOT_FOUND, so that a test sees it.
#include <strings.h>

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "kernel32/exports.h"
#include "machine/faults.h"
#include "machine/machine_state.h"
#include "shared/text.h"

namespace winsim {

bool ExportsVectoredHandlers() {
    const Profile& p = Machine();
    // Windows XP (NT 5.1) brought them.
    return p.platformId == 2 && (p.major > 5 || (p.major == 5 && p.minor >= 1));
}

bool ExportsSetDllDirectory() {
    const Profile& p = Machine();
    if (p.platformId != 2 || p.major < 5 || (p.major == 5 && p.minor == 0)) return false;
    if (p.major > 5 || p.minor > 1) return true;
    // Windows XP from its first service pack on ("Service Pack 1", "Service Pack 2" ...).
    const std::string prefix = "Service Pack ";
    return p.csdVersion.compare(0, prefix.size(), prefix) == 0 && std::atoi(p.csdVersion.c_str() + prefix.size()) >= 1;
}

bool ExportsSetDefaultDllDirectories() {
    // Windows 8 (NT 6.2) brought it; earlier versions have it only with an update.
    const Profile& p = Machine();
    return p.platformId == 2 && (p.major > 6 || (p.major == 6 && p.minor >= 2));
}

void RequireExport(bool exported, const char* name) {
    if (exported) return;
    std::fprintf(stderr, "winsim: the program imports %s, which KERNEL32 of %s does not export;"
                 " Windows would not start it\n", name, Machine().name.c_str());
    ExitProcess(0xC0000139);
}

}  // namespace winsim

namespace {
char programBase;
char kernel32Base;

// The DLLs that load at run time: their file name, handle and exports.
struct Export {
    const char* name;
    FARPROC address;
};

template <typename F>
FARPROC Address(F* function) {
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

struct LoadableDll {
    const char* fileName;
    char base;
    int references;
    Export exports[4];
};

LoadableDll loadable[] = {
    {"version.dll", 0, 0,
     {{"GetFileVersionInfoSizeA", Address(&GetFileVersionInfoSizeA)},
      {"GetFileVersionInfoA", Address(&GetFileVersionInfoA)},
      {"VerQueryValueA", Address(&VerQueryValueA)},
      {nullptr, nullptr}}},
    {"comctl32.dll", 0, 0,
     {{"InitCommonControls", Address(&InitCommonControls)},
      {"InitCommonControlsEx", Address(&InitCommonControlsEx)},
      {nullptr, nullptr},
      {nullptr, nullptr}}},
};

bool IsKernel32(LPCSTR name) {
    return strcasecmp(name, "KERNEL32") == 0 || strcasecmp(name, "KERNEL32.DLL") == 0;
}

LoadableDll* FindLoadable(HMODULE module) {
    for (LoadableDll& dll : loadable) {
        if (module == reinterpret_cast<HMODULE>(&dll.base) && dll.references > 0) return &dll;
    }
    return nullptr;
}

// The DLL a full path in the system directory names, or none.
LoadableDll* InSystemDirectory(LPCSTR path) {
    for (LoadableDll& dll : loadable) {
        if (winsim::EqualNoCase(path, winsim::Machine().systemDir + "\\" + dll.fileName)) return &dll;
    }
    return nullptr;
}
}  // namespace

extern "C" HMODULE WINAPI GetModuleHandleA(LPCSTR name) {
    if (!name) return reinterpret_cast<HMODULE>(&programBase);
    if (IsKernel32(name)) return reinterpret_cast<HMODULE>(&kernel32Base);
    for (LoadableDll& dll : loadable) {
        if (dll.references > 0 && (strcasecmp(name, dll.fileName) == 0 || InSystemDirectory(name) == &dll))
            return reinterpret_cast<HMODULE>(&dll.base);
    }
    SetLastError(126 /* ERROR_MOD_NOT_FOUND */);
    return nullptr;
}

extern "C" HMODULE WINAPI LoadLibraryA(LPCSTR name) {
    if (winsim::FailsHere("LoadLibraryA", false)) return nullptr;
    LoadableDll* dll = name ? InSystemDirectory(name) : nullptr;
    if (!dll) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    ++dll->references;
    return reinterpret_cast<HMODULE>(&dll->base);
}

extern "C" BOOL WINAPI FreeLibrary(HMODULE module) {
    LoadableDll* dll = FindLoadable(module);
    if (!dll) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    --dll->references;
    return TRUE;
}

extern "C" FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR name) {
    // Looking up an ordinal (a value below 64K in place of a name) is not offered.
    bool named = reinterpret_cast<uintptr_t>(name) > 0xFFFF;
    if (module == reinterpret_cast<HMODULE>(&kernel32Base) && named) {
        if (winsim::ExportsVectoredHandlers()) {
            if (std::strcmp(name, "AddVectoredExceptionHandler") == 0) return Address(&winsim::AddVectoredHandler);
            if (std::strcmp(name, "RemoveVectoredExceptionHandler") == 0)
                return Address(&winsim::RemoveVectoredHandler);
        }
        if (winsim::ExportsSetDllDirectory() && std::strcmp(name, "SetDllDirectoryA") == 0)
            return Address(&winsim::SetDllDirectoryCall);
        if (winsim::ExportsSetDefaultDllDirectories() && std::strcmp(name, "SetDefaultDllDirectories") == 0)
            return Address(&winsim::SetDefaultDllDirectoriesCall);
    } else if (module != reinterpret_cast<HMODULE>(&kernel32Base) &&
               module != reinterpret_cast<HMODULE>(&programBase)) {
        LoadableDll* dll = FindLoadable(module);
        if (!dll) {
            SetLastError(ERROR_MOD_NOT_FOUND);
            return nullptr;
        }
        for (const Export* e = dll->exports; named && e->name; ++e) {
            if (std::strcmp(name, e->name) == 0) return e->address;
        }
    }
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
}
