/*
 * Registry: the completion record's keys and the registry update script.
 */
#ifndef HALVINST_REGISTRY_H
#define HALVINST_REGISTRY_H

#include <windows.h>

/* Opens or creates one level of a key path. Does nothing once *error is
 * non-zero; stores RegCreateKeyExA's result in *error; closes the parent
 * when asked, whatever the result. */
HKEY OpenStatusKey(const char *name, HKEY parent, BOOL closeParent, LONG *error);

#endif
