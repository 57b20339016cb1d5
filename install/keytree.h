/*
 * Deleting a registry key with everything below it.
 */
#ifndef HALVINST_KEYTREE_H
#define HALVINST_KEYTREE_H

#include <windows.h>

/* FALSE when the key cannot be opened or a subkey cannot be read or deleted. */
BOOL DeleteKeyTree(HKEY root, const char *path);

#endif
