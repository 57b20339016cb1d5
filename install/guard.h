/*
 * Runs a procedure so that C++ exceptions and processor faults inside it
 * come back as an exception code instead of ending the process. Guards nest:
 * a fault is caught by the innermost one.
 */
#ifndef HALVINST_GUARD_H
#define HALVINST_GUARD_H

#include <windows.h>

/* The code a C++ exception carries on Windows. */
#define CPP_EXCEPTION_CODE ((DWORD)0xE06D7363)

/* 0 when `body` returned normally, else the exception code that ended it. */
DWORD RunGuarded(void (*body)(void *), void *context);

#endif
