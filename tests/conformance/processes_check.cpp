// Starting programs: files that are missing or no program, and a second copy
// of this program that takes a named mutex and ends without releasing it.
#include <cstring>
#include <string>

#include "check.h"

namespace conformance {
namespace {

const char kAbandoned[] = "Conformance Abandoned";

void Start(const std::string& name, std::string command) {
    STARTUPINFOA startup;
    std::memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    std::memset(&process, 0, sizeof process);
    Mark();
    BOOL ok = CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process);
    ReportCall(name, ok);
    if (!ok) return;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

void Failures() {
    Start("CreateProcessA missing file", Work("missing.exe"));
    Start("CreateProcessA missing folder", "C:\\NODIR\\missing.exe");
    HANDLE file = CreateFileA(Work("text.exe").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, "not a program\r\n", 15, &written, nullptr);
    CloseHandle(file);
    Start("CreateProcessA text file named .exe", Work("text.exe"));
    DeleteFileA(Work("text.exe").c_str());
}

// The mutex must exist before the copy ends: on Windows an object goes with
// its last handle, and only a holder of a handle sees it abandoned.
void Abandoned() {
    HANDLE mutex = CreateMutexA(nullptr, FALSE, kAbandoned);
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string command = std::string("\"") + self + "\" hold-mutex";
    STARTUPINFOA startup;
    std::memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    std::memset(&process, 0, sizeof process);
    Mark();
    BOOL ok = CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process);
    ReportCall("CreateProcessA this program again", ok);
    if (!ok) return;
    Mark();
    DWORD wait = WaitForSingleObject(process.hProcess, 30000);
    ReportCall("WaitForSingleObject the process", static_cast<long long>(wait));
    DWORD code = 0;
    Mark();
    ok = GetExitCodeProcess(process.hProcess, &code);
    ReportCall("GetExitCodeProcess", ok, Fmt("code=%u", static_cast<unsigned>(code)));
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    Mark();
    wait = WaitForSingleObject(mutex, 0);
    ReportCall("WaitForSingleObject abandoned mutex", static_cast<long long>(wait));
    Mark();
    wait = WaitForSingleObject(mutex, 0);
    ReportCall("WaitForSingleObject abandoned mutex again", static_cast<long long>(wait));
    Mark();
    ok = ReleaseMutex(mutex);
    ReportCall("ReleaseMutex taken over", ok);
    Mark();
    ok = ReleaseMutex(mutex);
    ReportCall("ReleaseMutex taken over, second wait", ok);
    Mark();
    ok = ReleaseMutex(mutex);
    ReportCall("ReleaseMutex no longer owned", ok);
    Mark();
    wait = WaitForSingleObject(mutex, 0);
    ReportCall("WaitForSingleObject released mutex", static_cast<long long>(wait));
    ReleaseMutex(mutex);
    CloseHandle(mutex);
}

}  // namespace

int HoldMutexAndEnd() {
    HANDLE mutex = CreateMutexA(nullptr, FALSE, kAbandoned);
    WaitForSingleObject(mutex, 10000);
    ExitProcess(7);
    return 7;
}

void CheckProcesses() {
    Failures();
    Abandoned();
}

}  // namespace conformance
