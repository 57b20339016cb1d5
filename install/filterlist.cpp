/*
 * The filter list reader (see filterlist.h).
 */
#include "filterlist.h"

#include <string.h>

DWORD CompactFilterList(char *list, DWORD length, const char *name, BOOL drop, struct FilterListScan *scan)
{
    DWORD offset = 0;
    DWORD out = 0;
    DWORD size;
    DWORD pendingEmpties = 0;
    BOOL match;
    char *end;

    memset(scan, 0, sizeof *scan);
    while (offset < length) {
        end = (char *)memchr(list + offset, '\0', length - offset);
        size = end ? (DWORD)(end - (list + offset)) : length - offset;
        if (size == 0) {
            ++pendingEmpties;
            ++offset;
            continue;
        }
        scan->empties += pendingEmpties;
        pendingEmpties = 0;
        ++scan->names;
        /* The name ends inside the list or at the byte behind it. */
        list[offset + size] = '\0';
        match = lstrcmpiA(list + offset, name) == 0;
        if (match) ++scan->matches;
        if (!(match && drop)) {
            memmove(list + out, list + offset, size + 1);
            out += size + 1;
        }
        offset += size + 1;
    }
    return out;
}
