/*
 * The guarded region.
 *
 * Processor faults reach a vectored exception handler with their Windows
 * exception code. The handler must not unwind through the system's exception
 * dispatcher itself, so on Windows it points the faulting thread at
 * LeaveGuard and lets the dispatcher resume there; LeaveGuard then jumps back
 * into RunGuarded. winsim hands faults over from a signal handler without a
 * processor context, and there the handler jumps back directly. This file is
 * the one place that knows the processor's context layout.
 */
#include "guard.h"

static void *JumpBuffer[5];
static volatile DWORD CaughtCode;
static volatile BOOL GuardActive;

static void LeaveGuard(void)
{
    __builtin_longjmp(JumpBuffer, 1);
}

static LONG WINAPI GuardHandler(EXCEPTION_POINTERS *info)
{
    DWORD code = info->ExceptionRecord->ExceptionCode;

    /* Only faults (severity "error"); C++ exceptions and notices pass on. */
    if (!GuardActive || (code & 0xF0000000) != 0xC0000000) return EXCEPTION_CONTINUE_SEARCH;
    GuardActive = FALSE;
    CaughtCode = code;
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

DWORD RunGuarded(void (*body)(void))
{
    volatile DWORD result = 0;
    PVOID handler = AddVectoredExceptionHandler(1, GuardHandler);

    if (__builtin_setjmp(JumpBuffer) == 0) {
        GuardActive = TRUE;
        try {
            body();
        } catch (...) {
            result = CPP_EXCEPTION_CODE;
        }
        GuardActive = FALSE;
    } else {
        result = CaughtCode;
    }
    if (handler) RemoveVectoredExceptionHandler(handler);
    return result;
}
