/*
 * The completion record's key path: the one part of the registry module
 * that the status word needs. It lives on the log's floor, below the
 * registry script, and keeps the registry module's name, which its log line
 * and the position it leaves carry.
 */
#include "registry.h"

#include "../log.h"

static const char THIS_FILE[] = ".\\install\\completion\\registry.cpp";

HKEY OpenStatusKey(const char *name, HKEY parent, BOOL closeParent, LONG *error)
{
    HKEY key = NULL;
    DWORD disposition = 0;

    POSITION();
    if (*error != 0) return NULL;
    *error = RegCreateKeyExA(parent, name, 0, NULL, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, NULL, &key,
                             &disposition);
    if (*error == ERROR_SUCCESS && disposition == REG_CREATED_NEW_KEY) {
        POSITION();
        LogWrite("Created new registry key %s", name);
    }
    if (closeParent) RegCloseKey(parent);
    return key;
}
