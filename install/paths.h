/*
 * Paths: the directory set the run works in, and building and normalising
 * paths in MAX_PATH buffers. Nothing here logs: the log itself uses it.
 */
#ifndef HALVINST_PATHS_H
#define HALVINST_PATHS_H

#include <windows.h>

/* Directory numbers of the directory set. */
#define DIR_TEMP 1
#define DIR_TARGET 2
#define DIR_WINDOWS 3
#define DIR_SYSTEM16 4
#define DIR_SYSTEM32 5
#define DIR_DRIVERS 6

/* Directory `number` with one trailing backslash, lower case; "" for a
 * number outside the set or one not yet set. */
const char *GetDirectory(DWORD number);
/* Stores directory `number` as SetupDirectories made it (install.cpp). */
void StoreDirectory(DWORD number, const char *path);
/* Appends as much of `text` as fits a MAX_PATH buffer. */
void AppendPath(char *path, const char *text);
/* Forward slashes become backslashes; one trailing backslash goes. */
void NormalizePath(char *path);
BOOL FileExists(const char *path);
/* `result` holds MAX_PATH characters; `extension` may be NULL. */
void MakeDirPath(char *result, const char *path, DWORD number, const char *extension);

#endif
