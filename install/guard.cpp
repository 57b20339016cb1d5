/*
 * The guarded region.
 *
 * Exceptions reach a vectored exception handler with their Windows exception
 * code. The handler must not unwind through the system's exception
 * dispatcher itself, so on Windows it points the faulting thread at
 * LeaveGuard and lets the dispatcher resume there; LeaveGuard then jumps back
 * into RunGuarded. winsim hands faults over from a signal handler without a
 * processor context, and there the handler jumps back directly. This file is
 * the one place that knows the processor's context layout.
 *
 * Vectored handlers exist from Windows XP on. The program must load on
 * Windows 95 to 2000 too, so it looks them up at run time and, where they are
 * missing, installs the same handler as the top-level filter: no frame of
 * this program handles a processor fault, so every fault reaches it.
 */
#include "guard.h"

struct GuardFrame {
    void *jump[5];
    DWORD code;
    struct GuardFrame *outer;
};

static struct GuardFrame *volatile ActiveGuard;

static void LeaveGuard(void)
{
    __builtin_longjmp(ActiveGuard->jump, 1);
}

/* Errors and warnings (guard pages, misalignment) are caught; notices and
 * C++ exceptions in flight pass on to their own handlers. */
static BOOL Catchable(DWORD code)
{
    return (code & 0x80000000) != 0 && code != CPP_EXCEPTION_CODE;
}

static LONG WINAPI GuardHandler(EXCEPTION_POINTERS *info)
{
    DWORD code = info->ExceptionRecord->ExceptionCode;

    if (!ActiveGuard || !Catchable(code)) return EXCEPTION_CONTINUE_SEARCH;
    ActiveGuard->code = code;
#ifdef _WIN32
    if (info->ContextRecord) {
#ifdef _WIN64
        info->ContextRecord->Rsp = (info->ContextRecord->Rsp & ~(DWORD64)15) - 8;
        info->ContextRecord->Rip = (DWORD64)(ULONG_PTR)LeaveGuard;
#else
        info->ContextRecord->Esp = (info->ContextRecord->Esp & ~(DWORD)15) - 4;
        info->ContextRecord->Eip = (DWORD)(ULONG_PTR)LeaveGuard;
#endif
        return EXCEPTION_CONTINUE_EXECUTION;
    }
#endif
    LeaveGuard();
    return EXCEPTION_CONTINUE_SEARCH;
}

typedef PVOID(WINAPI *AddHandlerCall)(ULONG, PVECTORED_EXCEPTION_HANDLER);
typedef ULONG(WINAPI *RemoveHandlerCall)(PVOID);

static AddHandlerCall AddHandler;
static RemoveHandlerCall RemoveHandler;
static BOOL HandlerCallsLooked;

static void LookUpHandlerCalls(void)
{
    HMODULE kernel;

    if (HandlerCallsLooked) return;
    HandlerCallsLooked = TRUE;
    kernel = GetModuleHandleA("KERNEL32.DLL");
    if (!kernel) return;
    /* Through void (*)(void), the one function pointer type any other converts to without a warning. */
    AddHandler = (AddHandlerCall)(void (*)(void))GetProcAddress(kernel, "AddVectoredExceptionHandler");
    RemoveHandler = (RemoveHandlerCall)(void (*)(void))GetProcAddress(kernel, "RemoveVectoredExceptionHandler");
    if (!AddHandler || !RemoveHandler) AddHandler = NULL;
}

DWORD RunGuarded(void (*body)(void *), void *context)
{
    struct GuardFrame frame;
    PVOID volatile handler = NULL;
    LPTOP_LEVEL_EXCEPTION_FILTER volatile outerFilter = NULL;
    volatile DWORD result = 0;

    frame.code = 0;
    frame.outer = ActiveGuard;
    LookUpHandlerCalls();
    if (AddHandler) handler = AddHandler(1, GuardHandler);
    else outerFilter = SetUnhandledExceptionFilter(GuardHandler);
    if (__builtin_setjmp(frame.jump) == 0) {
        ActiveGuard = &frame;
#ifdef __cpp_exceptions
        try {
            body(context);
        } catch (...) {
            result = CPP_EXCEPTION_CODE;
        }
#else
        /* Built without C++ exceptions (the Windows programs, which link no
         * C++ runtime): nothing in the program throws one, so there is
         * nothing to catch. */
        body(context);
#endif
    } else {
        result = frame.code;
    }
    ActiveGuard = frame.outer;
    if (AddHandler) {
        if (handler) RemoveHandler(handler);
    } else {
        SetUnhandledExceptionFilter(outerFilter);
    }
    return result;
}
