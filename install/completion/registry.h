/*
 * The completion record's key path (see registry.cpp beside this file).
 */
#ifndef HALVINST_COMPLETION_REGISTRY_H
#define HALVINST_COMPLETION_REGISTRY_H

#include <windows.h>

/* Opens or creates one level of a key path. Does nothing once *error is
 * non-zero; stores RegCreateKeyExA's result in *error; closes the parent
 * when asked, whatever the result. */
HKEY OpenStatusKey(const char *name, HKEY parent, BOOL closeParent, LONG *error);

#endif
