// Starting programs: files that are missing or no program, and second copies
// of this program: one takes a named mutex and ends without releasing it,
// one writes to an unmapped address under a vectored exception handler.
#include <cstring>
#include <string>

#include "check.h"

namespace conformance {
namespace {

const char kAbandoned[] = "Conformance Abandoned";

BOOL Start(std::string command, PROCESS_INFORMATION& process) {
    STARTUPINFOA startup;
    std::memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    std::memset(&process, 0, sizeof process);
    return CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process);
}

// Starts this program again with `word` as its command line's argument.
BOOL StartCopy(const char* word, PROCESS_INFORMATION& process) {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    return Start(std::string("\"") + self + "\" " + word, process);
}

void Close(PROCESS_INFORMATION& process) {
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

void Failures() {
    const struct {
        const char* name;
        std::string command;
    } cases[] = {{"CreateProcessA missing file", Work("missing.exe")},
                 {"CreateProcessA missing folder", "C:\\NODIR\\missing.exe"},
                 {"CreateProcessA text file named .exe", Work("text.exe")}};
    HANDLE file = CreateFileA(Work("text.exe").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, "not a program\r\n", 15, &written, nullptr);
    CloseHandle(file);
    for (const auto& c : cases) {
        PROCESS_INFORMATION process;
        Mark();
        BOOL ok = Start(c.command, process);
        ReportCall(c.name, ok);
        if (ok) Close(process);
    }
    DeleteFileA(Work("text.exe").c_str());
}

// The mutex must exist before the copy ends: on Windows an object goes with
// its last handle, and only a holder of a handle sees it abandoned.
void Abandoned() {
    HANDLE mutex = CreateMutexA(nullptr, FALSE, kAbandoned);
    PROCESS_INFORMATION process;
    Mark();
    BOOL ok = StartCopy("hold-mutex", process);
    ReportCall("CreateProcessA this program again", ok);
    if (!ok) return;
    Mark();
    DWORD wait = WaitForSingleObject(process.hProcess, 30000);
    ReportCall("WaitForSingleObject the process", static_cast<long long>(wait));
    DWORD code = 0;
    Mark();
    ok = GetExitCodeProcess(process.hProcess, &code);
    ReportCall("GetExitCodeProcess", ok, Fmt("code=%u", static_cast<unsigned>(code)));
    Close(process);
    const char* waits[] = {"WaitForSingleObject abandoned mutex", "WaitForSingleObject abandoned mutex again"};
    for (const char* name : waits) {
        Mark();
        wait = WaitForSingleObject(mutex, 0);
        ReportCall(name, static_cast<long long>(wait));
    }
    const char* releases[] = {"ReleaseMutex taken over", "ReleaseMutex taken over, second wait",
                              "ReleaseMutex no longer owned"};
    for (const char* name : releases) {
        Mark();
        ok = ReleaseMutex(mutex);
        ReportCall(name, ok);
    }
    Mark();
    wait = WaitForSingleObject(mutex, 0);
    ReportCall("WaitForSingleObject released mutex", static_cast<long long>(wait));
    ReleaseMutex(mutex);
    CloseHandle(mutex);
}

void Fault() {
    PROCESS_INFORMATION process;
    DWORD code = ~0u;
    if (StartCopy("fault", process)) {
        WaitForSingleObject(process.hProcess, 30000);
        GetExitCodeProcess(process.hProcess, &code);
        Close(process);
    }
    std::string seen = "exit=" + Fmt("0x%X", static_cast<unsigned>(code));
    if ((code & ~0x3Fu) == 0x40) {
        seen = std::string("handler saw ") + (code & 0x01 ? "0xC0000005" : "another code") +
               (code & 0x02 ? ", flags 0" : ", other flags") + (code & 0x04 ? ", 2 parameters" : ", other parameters") +
               (code & 0x08 ? ", a write" : ", not a write") + (code & 0x10 ? " at the address" : " elsewhere") +
               (code & 0x20 ? ", raised at an instruction" : ", raised at the data");
    }
    Report("AddVectoredExceptionHandler write to an unmapped address", seen);
}

// Only the copy's handler ends it: 0x40 and a bit for each field of the
// record that is as Windows fills it for this write to address 0x10.
LONG WINAPI EndInHandler(EXCEPTION_POINTERS* info) {
    const EXCEPTION_RECORD* r = info->ExceptionRecord;
    UINT bits = 0x40;
    if (r->ExceptionCode == EXCEPTION_ACCESS_VIOLATION) bits |= 0x01;
    if (r->ExceptionFlags == 0) bits |= 0x02;
    if (r->NumberParameters == 2) bits |= 0x04;
    if (r->NumberParameters == 2 && r->ExceptionInformation[0] == 1) bits |= 0x08;
    if (r->NumberParameters == 2 && r->ExceptionInformation[1] == 0x10) bits |= 0x10;
    if (r->ExceptionAddress && r->ExceptionAddress != reinterpret_cast<PVOID>(static_cast<ULONG_PTR>(0x10))) bits |= 0x20;
    ExitProcess(bits);
    return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

int HoldMutexAndEnd() {
    HANDLE mutex = CreateMutexA(nullptr, FALSE, kAbandoned);
    WaitForSingleObject(mutex, 10000);
    ExitProcess(7);
    return 7;
}

int FaultUnderHandler() {
    AddVectoredExceptionHandler(1, EndInHandler);
    // The first 64 KiB are never mapped, on Windows as on Linux; not null, so
    // that the undefined-behaviour checker lets the write reach the processor.
    volatile int* volatile nowhere = reinterpret_cast<volatile int*>(static_cast<ULONG_PTR>(0x10));
    *nowhere = 1;
    return 0;
}

void CheckProcesses() {
    Failures();
    Abandoned();
    Fault();
}

}  // namespace conformance
