/*
 * Deleting a registry key with everything below it. Used by the install
 * sequence (the shell's cached volume keys) and by the undo journal, which
 * the uninstaller shares.
 */
#include "keytree.h"

#include <string.h>

BOOL DeleteKeyTree(HKEY root, const char *path)
{
    char name[MAX_PATH];
    char child[MAX_PATH + MAX_PATH];
    DWORD subkeys = 0;
    DWORD longest = 0;
    DWORD length;
    DWORD index;
    HKEY key;

    if (RegOpenKeyExA(root, path, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return FALSE;
    if (RegQueryInfoKeyA(key, NULL, NULL, NULL, &subkeys, &longest, NULL, NULL, NULL, NULL, NULL, NULL) !=
        ERROR_SUCCESS) {
        RegCloseKey(key);
        return FALSE;
    }
    /* From the last subkey down: the indices not yet visited stay valid. */
    for (index = subkeys; index-- > 0;) {
        name[0] = '\0';
        length = sizeof name;
        if (RegEnumKeyExA(key, index, name, &length, NULL, NULL, NULL, NULL) != ERROR_SUCCESS || !name[0] ||
            strlen(path) + 1 + strlen(name) >= MAX_PATH) {
            RegCloseKey(key);
            return FALSE;
        }
        wsprintfA(child, "%s\\%s", path, name);
        if (!DeleteKeyTree(root, child)) {
            RegCloseKey(key);
            return FALSE;
        }
    }
    RegCloseKey(key);
    RegDeleteKeyA(root, path);
    return TRUE;
}
