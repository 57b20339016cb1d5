// Modules and their exports. The program itself and KERNEL32 have handles;
// GetProcAddress finds in KERNEL32 the functions that not every Windows
// version exports, and only on the versions that do, so that a program
// looking them up sees what it would see there.
#include <strings.h>

#include <cstring>

#include "exports.h"
#include "machine_state.h"

namespace winsim {

bool ExportsVectoredHandlers() {
    const Profile& p = Machine();
    // Windows XP (NT 5.1) brought them.
    return p.platformId == 2 && (p.major > 5 || (p.major == 5 && p.minor >= 1));
}

}  // namespace winsim

namespace {
char programBase;
char kernel32Base;

bool IsKernel32(LPCSTR name) {
    return strcasecmp(name, "KERNEL32") == 0 || strcasecmp(name, "KERNEL32.DLL") == 0;
}
}  // namespace

extern "C" HMODULE WINAPI GetModuleHandleA(LPCSTR name) {
    if (!name) return reinterpret_cast<HMODULE>(&programBase);
    if (IsKernel32(name)) return reinterpret_cast<HMODULE>(&kernel32Base);
    SetLastError(126 /* ERROR_MOD_NOT_FOUND */);
    return nullptr;
}

extern "C" FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR name) {
    // Looking up an ordinal (a value below 64K in place of a name) is not offered.
    if (module == reinterpret_cast<HMODULE>(&kernel32Base) && reinterpret_cast<uintptr_t>(name) > 0xFFFF &&
        winsim::ExportsVectoredHandlers()) {
        if (std::strcmp(name, "AddVectoredExceptionHandler") == 0)
            return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&winsim::AddVectoredHandler));
        if (std::strcmp(name, "RemoveVectoredExceptionHandler") == 0)
            return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&winsim::RemoveVectoredHandler));
    }
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
}
