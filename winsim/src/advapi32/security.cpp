// The user's token, its group SIDs and privileges, and the restart request
// that depends on them.
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "kernel32/handles.h"
#include "machine/faults.h"
#include "machine/machine_state.h"

namespace {

struct Token : winsim::KernelObject {
    DWORD access = 0;
};

// The machine on which this process enabled the shutdown privilege (NT asks
// for it); a test process may move between machines.
std::string shutdownEnabledOn;
constexpr DWORD kShutdownLuid = 19;

std::vector<BYTE> MakeSid(BYTE authority, std::vector<DWORD> subs) {
    std::vector<BYTE> sid(8 + 4 * subs.size(), 0);
    sid[0] = 1;
    sid[1] = static_cast<BYTE>(subs.size());
    sid[7] = authority;
    std::memcpy(sid.data() + 8, subs.data(), 4 * subs.size());
    return sid;
}

DWORD SidLength(PSID sid) { return 8 + 4u * static_cast<const BYTE*>(sid)[1]; }

// The groups of the machine's user, as a token lists them.
std::vector<std::vector<BYTE>> UserGroups() {
    const winsim::Profile& p = winsim::Machine();
    std::vector<std::vector<BYTE>> groups = {MakeSid(5, {21, 1004336348, 1177238915, 682003330, 513}),
                                             MakeSid(1, {0}), MakeSid(5, {32, 545})};
    for (int i = 0; i < p.extraGroups; ++i) groups.push_back(MakeSid(5, {21, 1004336348, 1177238915, 682003330,
                                                                         static_cast<DWORD>(2000 + i)}));
    if (p.admin) groups.push_back(MakeSid(5, {32, 544}));
    groups.push_back(MakeSid(5, {4}));   // INTERACTIVE
    groups.push_back(MakeSid(5, {11}));  // Authenticated Users
    return groups;
}

}  // namespace

extern "C" HANDLE WINAPI GetCurrentProcess(void) { return reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1)); }

extern "C" BOOL WINAPI OpenProcessToken(HANDLE process, DWORD access, PHANDLE token) {
    if (winsim::FailsHere("OpenProcessToken", false)) return FALSE;
    if (winsim::Machine().platformId != VER_PLATFORM_WIN32_NT) {
        SetLastError(120 /* ERROR_CALL_NOT_IMPLEMENTED: the 95 family has no tokens */);
        return FALSE;
    }
    if (process != GetCurrentProcess() || !token) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    auto object = std::make_unique<Token>();
    object->access = access;
    *token = winsim::AddHandle(std::move(object));
    return TRUE;
}

extern "C" BOOL WINAPI GetTokenInformation(HANDLE handle, TOKEN_INFORMATION_CLASS kind, LPVOID out, DWORD size,
                                           PDWORD returned) {
    if (winsim::FailsHere("GetTokenInformation", false)) return FALSE;
    Token* token = winsim::FindHandleOf<Token>(handle);
    if (!token) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (kind != TokenGroups || !(token->access & TOKEN_QUERY)) {
        SetLastError(kind != TokenGroups ? ERROR_INVALID_PARAMETER : ERROR_ACCESS_DENIED);
        return FALSE;
    }
    std::vector<std::vector<BYTE>> groups = UserGroups();
    // The array of SID_AND_ATTRIBUTES first, the SIDs behind it, as Windows lays it out.
    DWORD head = static_cast<DWORD>(offsetof(TOKEN_GROUPS, Groups) + groups.size() * sizeof(SID_AND_ATTRIBUTES));
    DWORD needed = head;
    for (const auto& g : groups) needed += static_cast<DWORD>(g.size());
    if (returned) *returned = needed;
    if (!out || size < needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    TOKEN_GROUPS* result = static_cast<TOKEN_GROUPS*>(out);
    result->GroupCount = static_cast<DWORD>(groups.size());
    BYTE* place = static_cast<BYTE*>(out) + head;
    for (size_t i = 0; i < groups.size(); ++i) {
        std::memcpy(place, groups[i].data(), groups[i].size());
        result->Groups[i].Sid = place;
        result->Groups[i].Attributes = 7;  // mandatory, enabled by default, enabled
        place += groups[i].size();
    }
    return TRUE;
}

extern "C" BOOL WINAPI AllocateAndInitializeSid(PSID_IDENTIFIER_AUTHORITY authority, BYTE count, DWORD s0, DWORD s1,
                                                DWORD s2, DWORD s3, DWORD s4, DWORD s5, DWORD s6, DWORD s7,
                                                PSID* sid) {
    if (winsim::FailsHere("AllocateAndInitializeSid", false)) return FALSE;
    if (!authority || !sid || count == 0 || count > 8) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    DWORD subs[8] = {s0, s1, s2, s3, s4, s5, s6, s7};
    BYTE* block = static_cast<BYTE*>(std::calloc(1, 8 + 4 * count));
    block[0] = 1;
    block[1] = count;
    std::memcpy(block + 2, authority->Value, 6);
    std::memcpy(block + 8, subs, 4 * count);
    *sid = block;
    return TRUE;
}

extern "C" BOOL WINAPI EqualSid(PSID a, PSID b) {
    if (!a || !b) return FALSE;
    DWORD length = SidLength(a);
    return length == SidLength(b) && std::memcmp(a, b, length) == 0;
}

extern "C" PVOID WINAPI FreeSid(PSID sid) {
    std::free(sid);
    return nullptr;
}

extern "C" BOOL WINAPI LookupPrivilegeValueA(LPCSTR system, LPCSTR name, PLUID luid) {
    if (winsim::FailsHere("LookupPrivilegeValueA", false)) return FALSE;
    if (system || !name || !luid || std::strcmp(name, SE_SHUTDOWN_NAME) != 0) {
        SetLastError(1313 /* ERROR_NO_SUCH_PRIVILEGE */);
        return FALSE;
    }
    luid->LowPart = kShutdownLuid;
    luid->HighPart = 0;
    return TRUE;
}

// Enabling a privilege the user lacks succeeds with ERROR_NOT_ALL_ASSIGNED,
// as on Windows.
extern "C" BOOL WINAPI AdjustTokenPrivileges(HANDLE handle, BOOL disableAll, PTOKEN_PRIVILEGES state, DWORD,
                                             PTOKEN_PRIVILEGES, PDWORD) {
    if (winsim::FailsHere("AdjustTokenPrivileges", false)) return FALSE;
    Token* token = winsim::FindHandleOf<Token>(handle);
    if (!token) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!(token->access & TOKEN_ADJUST_PRIVILEGES)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (disableAll) {
        shutdownEnabledOn.clear();
        SetLastError(ERROR_SUCCESS);
        return TRUE;
    }
    bool all = true;
    for (DWORD i = 0; state && i < state->PrivilegeCount; ++i) {
        if (state->Privileges[i].Luid.LowPart != kShutdownLuid || !winsim::Machine().shutdownPrivilege) {
            all = false;
            continue;
        }
        bool enable = (state->Privileges[i].Attributes & SE_PRIVILEGE_ENABLED) != 0;
        shutdownEnabledOn = enable ? winsim::MachineDirectory() : std::string();
    }
    SetLastError(all ? ERROR_SUCCESS : ERROR_NOT_ALL_ASSIGNED);
    return TRUE;
}

// A restart that Windows accepts is recorded in the machine (.winsim/restart)
// for `winsim reboot` and the tests to see; nothing restarts.
extern "C" BOOL WINAPI ExitWindowsEx(UINT flags, DWORD reason) {
    if (winsim::FailsHere("ExitWindowsEx", false)) return FALSE;
    const winsim::Profile& p = winsim::Machine();
    if (p.platformId == VER_PLATFORM_WIN32_NT && shutdownEnabledOn != winsim::MachineDirectory()) {
        SetLastError(ERROR_PRIVILEGE_NOT_HELD);
        return FALSE;
    }
    if (p.refuseRestart && !(flags & EWX_FORCE)) {
        // The profile's stand-in for an application that vetoes the restart.
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    std::ofstream out(winsim::StateDir("restart") + "/requested");
    out << "flags=0x" << std::hex << flags << " reason=0x" << reason << "\n";
    return TRUE;
}
