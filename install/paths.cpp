/*
 * The directory set and the path helpers. Nothing here logs: the log uses it.
 */
#include "paths.h"

#include <string.h>

/* Index 0 stays empty: directory numbers start at 1. */
static char Directories[7][MAX_PATH];

const char *GetDirectory(DWORD number)
{
    return (number >= DIR_TEMP && number <= DIR_DRIVERS) ? Directories[number] : "";
}

void StoreDirectory(DWORD number, const char *path)
{
    if (number >= DIR_TEMP && number <= DIR_DRIVERS) lstrcpynA(Directories[number], path, MAX_PATH);
}

void AppendPath(char *path, const char *text)
{
    size_t length = strlen(path);

    if (length < MAX_PATH - 1) lstrcpynA(path + length, text, (int)(MAX_PATH - length));
}

void NormalizePath(char *path)
{
    char *p;

    for (p = path; *p; ++p) {
        if (*p == '/') *p = '\\';
    }
    if (p != path && p[-1] == '\\') p[-1] = '\0';
}

BOOL FileExists(const char *path)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path, &found);

    if (search == INVALID_HANDLE_VALUE) return FALSE;
    FindClose(search);
    return TRUE;
}

/* The parts of a path: "c:", "\dir\", "name", ".ext". */
struct PathParts {
    char drive[3];
    char directory[MAX_PATH];
    char name[MAX_PATH];
    char extension[MAX_PATH];
};

static void SplitPath(const char *path, struct PathParts *parts)
{
    const char *start = path;
    const char *slash = NULL;
    const char *dot = NULL;
    const char *p;
    size_t length;

    memset(parts, 0, sizeof *parts);
    if (path[0] && path[1] == ':') {
        parts->drive[0] = path[0];
        parts->drive[1] = ':';
        start = path + 2;
    }
    for (p = start; *p; ++p) {
        if (*p == '\\' || *p == '/') slash = p;
    }
    if (slash) {
        length = (size_t)(slash + 1 - start);
        if (length > MAX_PATH - 1) length = MAX_PATH - 1;
        memcpy(parts->directory, start, length);
        start = slash + 1;
    }
    for (p = start; *p; ++p) {
        if (*p == '.') dot = p;
    }
    length = (size_t)((dot ? dot : p) - start);
    if (length > MAX_PATH - 1) length = MAX_PATH - 1;
    memcpy(parts->name, start, length);
    if (dot) lstrcpynA(parts->extension, dot, MAX_PATH);
}

void MakeDirPath(char *result, const char *path, DWORD number, const char *extension)
{
    struct PathParts parts;
    struct PathParts base;
    char directory[MAX_PATH];
    size_t length;

    SplitPath(path, &parts);
    if (number != 0) {
        SplitPath(GetDirectory(number), &base);
        lstrcpynA(directory, base.directory, MAX_PATH);
        AppendPath(directory, parts.directory);
        memcpy(parts.drive, base.drive, sizeof parts.drive);
        lstrcpynA(parts.directory, directory, MAX_PATH);
    }
    if (extension) lstrcpynA(parts.extension, extension, MAX_PATH);

    lstrcpynA(result, parts.drive, MAX_PATH);
    AppendPath(result, parts.directory);
    length = strlen(parts.directory);
    if (length && parts.directory[length - 1] != '\\' && parts.directory[length - 1] != '/') AppendPath(result, "\\");
    AppendPath(result, parts.name);
    if (parts.extension[0] && parts.extension[0] != '.') AppendPath(result, ".");
    AppendPath(result, parts.extension);
}
