// Structured exceptions on the host: processor faults arrive as signals and
// are handed to the vectored exception handlers with the Windows exception
// code, then to the top-level filter, as the processor's faults reach them on
// Windows (this program has no frame-based handlers in between). A handler
// that does not return (it jumps back to a guarded region) ends the signal's
// handling.
#include <signal.h>
#include <string.h>

#include <cstdio>
#include <vector>

#include "exports.h"
#include "faults.h"
#include "machine_state.h"

extern "C" void __asan_handle_no_return(void) __attribute__((weak));

namespace {

struct Registered {
    PVECTORED_EXCEPTION_HANDLER handler;
    int id;
};

std::vector<Registered>& Handlers() {
    static std::vector<Registered> handlers;
    return handlers;
}

int nextId = 1;
bool installed = false;
LPTOP_LEVEL_EXCEPTION_FILTER topLevelFilter = nullptr;
struct sigaction previous[4];
const int kSignals[4] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL};

DWORD CodeOf(int signal, const siginfo_t* info) {
    switch (signal) {
        case SIGFPE:
            return (info && (info->si_code == FPE_FLTDIV)) ? EXCEPTION_FLT_DIVIDE_BY_ZERO
                                                           : EXCEPTION_INT_DIVIDE_BY_ZERO;
        case SIGILL: return EXCEPTION_ILLEGAL_INSTRUCTION;
        case SIGBUS: return EXCEPTION_IN_PAGE_ERROR;
        default: return EXCEPTION_ACCESS_VIOLATION;
    }
}

// Offers the exception to every handler, then to the top-level filter; true
// when one asked to continue.
bool Dispatch(EXCEPTION_RECORD& record) {
    EXCEPTION_POINTERS pointers{&record, nullptr};
    // By index and without a copy: a handler may jump away and leave nothing to free.
    const std::vector<Registered>& handlers = Handlers();
    for (size_t i = 0; i < handlers.size(); ++i)
        if (handlers[i].handler(&pointers) == EXCEPTION_CONTINUE_EXECUTION) return true;
    return topLevelFilter && topLevelFilter(&pointers) == EXCEPTION_CONTINUE_EXECUTION;
}

void OnSignal(int signal, siginfo_t* info, void*) {
    // A handler may leave through a jump: the sanitizer must forget the frames it skips.
    if (__asan_handle_no_return) __asan_handle_no_return();
    EXCEPTION_RECORD record;
    memset(&record, 0, sizeof record);
    record.ExceptionCode = CodeOf(signal, info);
    record.ExceptionFlags = EXCEPTION_NONCONTINUABLE;
    record.ExceptionAddress = info ? info->si_addr : nullptr;
    Dispatch(record);
    // Nobody took it: die of the signal as the process would have.
    for (int i = 0; i < 4; ++i) sigaction(kSignals[i], &previous[i], nullptr);
    raise(signal);
}

void Install() {
    if (installed) return;
    installed = true;
    struct sigaction action;
    memset(&action, 0, sizeof action);
    action.sa_sigaction = OnSignal;
    // NODEFER: a handler that jumps out leaves no signal blocked behind it.
    action.sa_flags = SA_SIGINFO | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < 4; ++i) sigaction(kSignals[i], &action, &previous[i]);
}

}  // namespace

namespace winsim {

PVOID WINAPI AddVectoredHandler(ULONG first, PVECTORED_EXCEPTION_HANDLER handler) {
    Install();
    Registered r{handler, nextId++};
    auto& handlers = Handlers();
    if (first) handlers.insert(handlers.begin(), r);
    else handlers.push_back(r);
    return reinterpret_cast<PVOID>(static_cast<intptr_t>(r.id));
}

ULONG WINAPI RemoveVectoredHandler(PVOID handle) {
    auto& handlers = Handlers();
    for (size_t i = 0; i < handlers.size(); ++i) {
        if (reinterpret_cast<PVOID>(static_cast<intptr_t>(handlers[i].id)) == handle) {
            handlers.erase(handlers.begin() + static_cast<long>(i));
            return 1;
        }
    }
    return 0;
}

}  // namespace winsim

namespace {
// A program that imports a function its Windows does not export never starts
// there: the loader refuses it with STATUS_ENTRYPOINT_NOT_FOUND.
void RequireExport(const char* name) {
    if (winsim::ExportsVectoredHandlers()) return;
    std::fprintf(stderr, "winsim: the program imports %s, which KERNEL32 of %s does not export;"
                 " Windows would not start it\n", name, winsim::Machine().name.c_str());
    ExitProcess(0xC0000139);
}
}  // namespace

extern "C" PVOID WINAPI AddVectoredExceptionHandler(ULONG first, PVECTORED_EXCEPTION_HANDLER handler) {
    RequireExport("AddVectoredExceptionHandler");
    return winsim::AddVectoredHandler(first, handler);
}

extern "C" ULONG WINAPI RemoveVectoredExceptionHandler(PVOID handle) {
    RequireExport("RemoveVectoredExceptionHandler");
    return winsim::RemoveVectoredHandler(handle);
}

extern "C" LPTOP_LEVEL_EXCEPTION_FILTER WINAPI SetUnhandledExceptionFilter(LPTOP_LEVEL_EXCEPTION_FILTER filter) {
    Install();
    LPTOP_LEVEL_EXCEPTION_FILTER previousFilter = topLevelFilter;
    topLevelFilter = filter;
    return previousFilter;
}

extern "C" void WINAPI RaiseException(DWORD code, DWORD flags, DWORD count, const ULONG_PTR* arguments) {
    EXCEPTION_RECORD record;
    memset(&record, 0, sizeof record);
    record.ExceptionCode = code;
    record.ExceptionFlags = flags;
    record.NumberParameters = count > EXCEPTION_MAXIMUM_PARAMETERS ? EXCEPTION_MAXIMUM_PARAMETERS : count;
    for (DWORD i = 0; i < record.NumberParameters && arguments; ++i)
        record.ExceptionInformation[i] = arguments[i];
    if (Dispatch(record)) return;
    // An unhandled software exception ends the process with its code.
    ExitProcess(code);
}
