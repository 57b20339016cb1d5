#include <string.h>

#include "cx_os.h"
#include "cx_tempname.h"

static unsigned tempCounter;

unsigned cxTempCounter(void)
{
    return tempCounter;
}

static size_t directoryLength(const char *path)
{
    size_t length = 0;
    for (size_t i = 0; path[i]; i++)
        if (path[i] == '\\' || path[i] == ':' || path[i] == '/')
            length = i + 1;
    return length;
}

static int canBeRead(const char *name)
{
    CxOsFile file;
    if (cxOsOpen(name, CX_OS_READ, &file) != 0)
        return 0;
    cxOsClose(file);
    return 1;
}

char *cxMakeTempName(const char *path, const char *prefix)
{
    size_t dirLength = directoryLength(path);
    size_t prefixLength = prefix && *prefix ? strlen(prefix) : 0;
    if (prefixLength > 3)
        prefixLength = 3;
    /* directory, prefix, 5 digits, ".$$$" and the terminator must fit */
    if (dirLength + 1 + 3 + 5 + 4 + 1 > CX_TEMP_NAME_SIZE)
        return 0;
    char *name = (char *)cxOsAlloc(CX_TEMP_NAME_SIZE);
    if (!name)
        return 0;
    memcpy(name, path, dirLength);
    if (dirLength && name[dirLength - 1] != '\\' && name[dirLength - 1] != '/')
        name[dirLength++] = '\\';
    if (prefixLength)
        memcpy(name + dirLength, prefix, prefixLength);
    else
        memcpy(name + dirLength, "CX", prefixLength = 2);
    char *number = name + dirLength + prefixLength;
    while (tempCounter < 65535) {
        tempCounter++;
        /* Five digits hold any counter up to 65535. */
        unsigned value = tempCounter;
        for (int digit = 4; digit >= 0; digit--, value /= 10)
            number[digit] = (char)('0' + value % 10);
        memcpy(number + 5, ".$$$", 5);
        if (!canBeRead(name))
            return name;
    }
    cxOsFree(name);
    return 0;
}
