// Structured exceptions on the host: processor faults arrive as signals and
// are handed to the vectored exception handlers with the Windows exception
// code, then to the top-level filter, as the processor's faults reach them on
// Windows (this program has no frame-based handlers in between). A handler
// that does not return (it jumps back to a guarded region) ends the signal's
// handling.
#include <signal.h>
#include <ucontext.h>
#include <string.h>

#include <cstdio>
#include <vector>

#include "kernel32/exports.h"
#include "machine/faults.h"
#include "machine/machine_state.h"

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

// The instruction that faulted, and whether it wrote, from the processor's
// state the kernel saved; null and false where that is not known.
void* FaultingInstruction(const void* context) {
#if defined(__x86_64__)
    if (context) return reinterpret_cast<void*>(static_cast<const ucontext_t*>(context)->uc_mcontext.gregs[REG_RIP]);
#endif
    (void)context;
    return nullptr;
}

bool FaultWasWrite(const void* context) {
#if defined(__x86_64__)
    // Bit 1 of the page fault's error code: the access was a write.
    if (context) return (static_cast<const ucontext_t*>(context)->uc_mcontext.gregs[REG_ERR] & 2) != 0;
#endif
    (void)context;
    return false;
}

void OnSignal(int signal, siginfo_t* info, void* context) {
    // A handler may leave through a jump: the sanitizer must forget the frames it skips.
    if (__asan_handle_no_return) __asan_handle_no_return();
    EXCEPTION_RECORD record;
    memset(&record, 0, sizeof record);
    record.ExceptionCode = CodeOf(signal, info);
    // As on Windows: a processor fault may be continued, its address is the
    // instruction's, and an access violation tells whether it read (0) or
    // wrote (1) and the address it touched. A fault raised by the fault
    // injection touched nothing (its signal was sent, not taken).
    bool taken = info && info->si_code > 0;
    record.ExceptionAddress = taken ? FaultingInstruction(context) : nullptr;
    if (record.ExceptionCode == EXCEPTION_ACCESS_VIOLATION) {
        record.NumberParameters = 2;
        record.ExceptionInformation[0] = taken && FaultWasWrite(context) ? 1 : 0;
        record.ExceptionInformation[1] = taken ? reinterpret_cast<ULONG_PTR>(info->si_addr) : 0;
    }
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


extern "C" PVOID WINAPI AddVectoredExceptionHandler(ULONG first, PVECTORED_EXCEPTION_HANDLER handler) {
    winsim::RequireExport(winsim::ExportsVectoredHandlers(), "AddVectoredExceptionHandler");
    return winsim::AddVectoredHandler(first, handler);
}

extern "C" ULONG WINAPI RemoveVectoredExceptionHandler(PVOID handle) {
    winsim::RequireExport(winsim::ExportsVectoredHandlers(), "RemoveVectoredExceptionHandler");
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
