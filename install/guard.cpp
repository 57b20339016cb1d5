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

DWORD RunGuarded(void (*body)(void *), void *context)
{
    struct GuardFrame frame;
    PVOID volatile handler;
    volatile DWORD result = 0;

    frame.code = 0;
    frame.outer = ActiveGuard;
    handler = AddVectoredExceptionHandler(1, GuardHandler);
    if (__builtin_setjmp(frame.jump) == 0) {
        ActiveGuard = &frame;
#ifdef __cpp_exceptions
        try {
            body(context);
        } catch (...) {
            result = CPP_EXCEPTION_CODE;
        }
#else
        /* Built without C++ exceptions (the 32-bit stub): nothing in the
         * program throws one, and without unwind tables none could reach
         * this frame, so there is nothing to catch. */
        body(context);
#endif
    } else {
        result = frame.code;
    }
    ActiveGuard = frame.outer;
    if (handler) RemoveVectoredExceptionHandler(handler);
    return result;
}
