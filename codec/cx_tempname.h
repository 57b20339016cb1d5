/* Temporary file names: directory, prefix, a five-digit counter and ".$$$". */
#ifndef CX_TEMPNAME_H
#define CX_TEMPNAME_H

enum { CX_TEMP_NAME_SIZE = 270 };

/* A name for a file that does not exist yet in the directory of path (the part
   up to its last '\', ':' or '/'), allocated with cxOsAlloc; 0 when none. */
char *cxMakeTempName(const char *path, const char *prefix);

/* The counter behind the names (never reset; exposed for tests). */
unsigned cxTempCounter(void);

#endif
