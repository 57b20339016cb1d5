/*
 * The registry update script.
 */
#ifndef HALVINST_REGISTRY_H
#define HALVINST_REGISTRY_H

#include <windows.h>

#include "upgrade.h"

/* Lines keep at most this many characters; REG_SZ data and byte lists fit it too. */
#define SCRIPT_LINE_LIMIT 512

BOOL ApplyRegistryScripts(struct FileSet *set);
BOOL ApplyRegistryScript(const char *path);
/* Replaces every `token` in `text` (a buffer of SCRIPT_LINE_LIMIT bytes);
 * FALSE, with the text unchanged from that point on, when it would not fit. */
BOOL ReplaceAll(char *text, const char *token, const char *replacement);

#endif
