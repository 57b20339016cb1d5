// What the machine's Windows says about itself: version, directories,
// language and processor.
#include <intrin.h>

#include <cstring>
#include <string>

#include "machine/faults.h"
#include "machine/machine_state.h"

namespace {

// The A calls' convention: the length on success, the size needed (with
// its NUL) when the buffer is too small.
UINT CopyOut(const std::string& text, LPSTR buffer, UINT size) {
    if (!buffer || text.size() + 1 > size) return static_cast<UINT>(text.size() + 1);
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return static_cast<UINT>(text.size());
}

}  // namespace

extern "C" BOOL WINAPI GetVersionExA(LPOSVERSIONINFOA info) {
    if (winsim::FailsHere("GetVersionExA", false)) return FALSE;
    // 148 bytes is OSVERSIONINFOA; 156 the EX form that carries more behind it.
    if (!info || (info->dwOSVersionInfoSize != 148 && info->dwOSVersionInfoSize != 156)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    const winsim::Profile& p = winsim::Machine();
    info->dwMajorVersion = static_cast<DWORD>(p.major);
    info->dwMinorVersion = static_cast<DWORD>(p.minor);
    info->dwPlatformId = static_cast<DWORD>(p.platformId);
    // The 95 family keeps the version in the build number's high word.
    DWORD build = static_cast<DWORD>(p.build);
    if (p.platformId == VER_PLATFORM_WIN32_WINDOWS)
        build |= static_cast<DWORD>(p.major) << 24 | static_cast<DWORD>(p.minor) << 16;
    info->dwBuildNumber = build;
    std::memset(info->szCSDVersion, 0, sizeof info->szCSDVersion);
    std::strncpy(info->szCSDVersion, p.csdVersion.c_str(), sizeof info->szCSDVersion - 1);
    return TRUE;
}

extern "C" UINT WINAPI GetWindowsDirectoryA(LPSTR buffer, UINT size) {
    if (winsim::FailsHere("GetWindowsDirectoryA", false)) return 0;
    return CopyOut(winsim::Machine().windowsDir, buffer, size);
}

extern "C" UINT WINAPI GetSystemDirectoryA(LPSTR buffer, UINT size) {
    if (winsim::FailsHere("GetSystemDirectoryA", false)) return 0;
    return CopyOut(winsim::Machine().systemDir, buffer, size);
}

extern "C" LANGID WINAPI GetUserDefaultLangID(void) { return static_cast<LANGID>(winsim::Machine().langId); }

// CPUID leaf 0 describes the machine's processor: its vendor string comes
// from the profile (an Alpha's x86 emulator reports "DigitalFX!32"). An
// injected fault makes the instruction raise that exception code.
extern "C" void __cpuid(int info[4], int leaf) {
    DWORD code = 0;
    if (winsim::InjectedFault("__cpuid", false, code)) RaiseException(code, EXCEPTION_NONCONTINUABLE, 0, nullptr);
    std::memset(info, 0, 4 * sizeof(int));
    if (leaf != 0) return;
    char vendor[12] = {0};
    const std::string& name = winsim::Machine().cpuVendor;
    std::memcpy(vendor, name.data(), name.size() < sizeof vendor ? name.size() : sizeof vendor);
    info[0] = 1;
    std::memcpy(&info[1], vendor, 4);      // EBX
    std::memcpy(&info[3], vendor + 4, 4);  // EDX
    std::memcpy(&info[2], vendor + 8, 4);  // ECX
}
