// Version, drives, named mutexes, memory and the process token.
#include <cstring>

#include "check.h"

namespace conformance {
namespace {

void Version() {
    OSVERSIONINFOA info;
    std::memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;
    Mark();
    BOOL ok = GetVersionExA(&info);
    ReportCall("GetVersionExA", ok,
               Fmt("platform=%u version=%u.%u.%u csd=%s", static_cast<unsigned>(info.dwPlatformId),
                   static_cast<unsigned>(info.dwMajorVersion), static_cast<unsigned>(info.dwMinorVersion),
                   static_cast<unsigned>(info.dwBuildNumber), info.szCSDVersion));
    info.dwOSVersionInfoSize = 0;
    Mark();
    ok = GetVersionExA(&info);
    ReportCall("GetVersionExA size 0", ok);
    info.dwOSVersionInfoSize = sizeof info + 8;
    Mark();
    ok = GetVersionExA(&info);
    ReportCall("GetVersionExA size too large", ok);
}

void Drives() {
    const char* roots[] = {"C:\\", "c:\\", "Q:\\", "C:", "C:\\CONFORM\\", "C:\\nodir\\"};
    for (const char* root : roots) {
        // Only the type: Wine leaves errors of its own lookups behind.
        Report(Fmt("GetDriveTypeA %s", root), Fmt("%u", GetDriveTypeA(root)));
    }
    DWORD sectors = 0, bytes = 0, freeClusters = 0, clusters = 0;
    Mark();
    BOOL ok = GetDiskFreeSpaceA("C:\\", &sectors, &bytes, &freeClusters, &clusters);
    ReportCall("GetDiskFreeSpaceA C:", ok, Fmt("nonzero=%d", sectors && bytes && clusters));
    Mark();
    ok = GetDiskFreeSpaceA("Q:\\", &sectors, &bytes, &freeClusters, &clusters);
    ReportCall("GetDiskFreeSpaceA missing drive", ok);
}

void Mutexes() {
    Mark();
    HANDLE first = CreateMutexA(nullptr, TRUE, "Conformance Mutex");
    ReportHandle("CreateMutexA new, owned", first);
    Mark();
    HANDLE same = CreateMutexA(nullptr, FALSE, "Conformance Mutex");
    ReportHandle("CreateMutexA same name", same);
    Mark();
    HANDLE other = CreateMutexA(nullptr, FALSE, "CONFORMANCE MUTEX");
    ReportHandle("CreateMutexA name in other case", other);
    Mark();
    HANDLE lower = CreateMutexA(nullptr, TRUE, "conformance mutex");
    ReportHandle("CreateMutexA owned, name in lower case", lower);
    Mark();
    DWORD wait = WaitForSingleObject(same, 0);
    ReportCall("WaitForSingleObject owner waits again", static_cast<long long>(wait));
    Mark();
    BOOL ok = ReleaseMutex(first);
    ReportCall("ReleaseMutex once", ok);
    Mark();
    ok = ReleaseMutex(first);
    ReportCall("ReleaseMutex twice", ok);
    Mark();
    ok = ReleaseMutex(same);
    ReportCall("ReleaseMutex third time", ok);
    Mark();
    ok = ReleaseMutex(other);
    ReportCall("ReleaseMutex never owned", ok);
    Mark();
    wait = WaitForSingleObject(other, 0);
    ReportCall("WaitForSingleObject free mutex", static_cast<long long>(wait));
    ReleaseMutex(other);
    ReleaseMutex(lower);
    CloseHandle(first);
    CloseHandle(same);
    CloseHandle(other);
    CloseHandle(lower);
    Mark();
    HANDLE again = CreateMutexA(nullptr, FALSE, "Conformance Mutex");
    ReportHandle("CreateMutexA after every handle closed", again);
    CloseHandle(again);
    Mark();
    wait = WaitForSingleObject(nullptr, 0);
    ReportCall("WaitForSingleObject null handle", static_cast<long long>(wait));
}

void Memory() {
    HANDLE heap = GetProcessHeap();
    Mark();
    void* block = HeapAlloc(heap, HEAP_ZERO_MEMORY, 100);
    std::string error = Err();
    bool zero = block != nullptr;
    for (int i = 0; block && i < 100; ++i) zero = zero && static_cast<unsigned char*>(block)[i] == 0;
    Report("HeapAlloc zeroed", Fmt("set=%d err=%s zero=%d", block != nullptr, error.c_str(), zero));
    Mark();
    SIZE_T size = HeapSize(heap, 0, block);
    ReportCall("HeapSize", static_cast<long long>(size));
    static_cast<char*>(block)[0] = 'k';
    Mark();
    void* grown = HeapReAlloc(heap, 0, block, 5000);
    error = Err();
    Report("HeapReAlloc keeps the contents",
           Fmt("set=%d err=%s first=%c", grown != nullptr, error.c_str(), grown ? *static_cast<char*>(grown) : '-'));
    Mark();
    BOOL ok = HeapFree(heap, 0, grown);
    ReportCall("HeapFree", ok);
    Mark();
    ok = HeapFree(heap, 0, nullptr);
    ReportCall("HeapFree null", ok);
    Mark();
    void* pages = VirtualAlloc(nullptr, 70000, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    error = Err();
    Report("VirtualAlloc", Fmt("set=%d err=%s aligned=%d", pages != nullptr, error.c_str(),
                               (reinterpret_cast<ULONG_PTR>(pages) & 0xFFFF) == 0));
    Mark();
    ok = VirtualFree(pages, 0, MEM_RELEASE);
    ReportCall("VirtualFree", ok);
    Mark();
    ok = VirtualFree(pages, 5, MEM_RELEASE);
    ReportCall("VirtualFree with a size", ok);
}

void Token() {
    HANDLE token = nullptr;
    Mark();
    BOOL ok = OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY | TOKEN_ADJUST_PRIVILEGES, &token);
    ReportCall("OpenProcessToken", ok);
    DWORD need = 0;
    Mark();
    ok = GetTokenInformation(token, TokenGroups, nullptr, 0, &need);
    ReportCall("GetTokenInformation size query", ok, Fmt("need=%s", need ? "set" : "0"));
    LUID luid = {};
    Mark();
    ok = LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &luid);
    ReportCall("LookupPrivilegeValueA shutdown", ok,
               Fmt("luid=%u.%d", static_cast<unsigned>(luid.LowPart), static_cast<int>(luid.HighPart)));
    Mark();
    ok = LookupPrivilegeValueA(nullptr, "SeNoSuchPrivilege", &luid);
    ReportCall("LookupPrivilegeValueA unknown", ok);
    // Enabling the shutdown privilege, which every user holds, and one that
    // only the system holds (SeTcbPrivilege, LUID 7). Nothing here shuts down.
    TOKEN_PRIVILEGES privileges;
    std::memset(&privileges, 0, sizeof privileges);
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid);
    Mark();
    ok = AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    ReportCall("AdjustTokenPrivileges enable shutdown", ok);
    privileges.Privileges[0].Luid.LowPart = 7;
    privileges.Privileges[0].Luid.HighPart = 0;
    Mark();
    ok = AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    ReportCall("AdjustTokenPrivileges enable a privilege not held", ok);
    Mark();
    ok = AdjustTokenPrivileges(token, TRUE, nullptr, 0, nullptr, nullptr);
    ReportCall("AdjustTokenPrivileges disable all", ok);
    Mark();
    ok = AdjustTokenPrivileges(nullptr, FALSE, &privileges, 0, nullptr, nullptr);
    ReportCall("AdjustTokenPrivileges null token", ok);
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID admins = nullptr, users = nullptr;
    Mark();
    ok = AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                  &admins);
    ReportCall("AllocateAndInitializeSid", ok);
    AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS, 0, 0, 0, 0, 0, 0, &users);
    Report("EqualSid", Fmt("%d %d", EqualSid(admins, admins) != 0, EqualSid(admins, users) != 0));
    FreeSid(admins);
    FreeSid(users);
    CloseHandle(token);
}

}  // namespace

void CheckSystem() {
    Version();
    Drives();
    Mutexes();
    Memory();
    Token();
    Report("GetACP", Fmt("%u", GetACP()));
    Report("GetUserDefaultLangID", Fmt("0x%04X", GetUserDefaultLangID()));
}

}  // namespace conformance
