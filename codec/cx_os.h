/*
 * The few operating-system services the codec needs: files by name and by
 * handle, directories, attributes, times, free space and memory.  The codec
 * reaches the system only through these, and cx_os_win32.cpp implements them
 * with the Win32 calls (on the host, through the simulated machine).
 */
#ifndef CX_OS_H
#define CX_OS_H

#include <stddef.h>
#include <stdint.h>

typedef void *CxOsFile;

/* How a file is opened; mirrors the stream modes r, r+, w, w+, a, a+. */
enum CxOsOpenMode {
    CX_OS_READ,              /* existing file, reading */
    CX_OS_READ_WRITE,        /* existing file, reading and writing */
    CX_OS_CREATE,            /* new or truncated file, writing */
    CX_OS_CREATE_READ,       /* new or truncated file, reading and writing */
    CX_OS_APPEND,            /* created when missing, writing at the end */
    CX_OS_APPEND_READ        /* created when missing, reading, writing at the end */
};

enum { CX_OS_SEEK_SET = 0, CX_OS_SEEK_CUR = 1, CX_OS_SEEK_END = 2 };

/* Returns 0 and the file, or -1. */
int cxOsOpen(const char *name, int mode, CxOsFile *file);
void cxOsClose(CxOsFile file);
/* Bytes transferred (possibly fewer than asked), or -1. */
long cxOsRead(CxOsFile file, void *buffer, unsigned long count);
long cxOsWrite(CxOsFile file, const void *buffer, unsigned long count);
/* New position from the start, or -1. */
long cxOsSeek(CxOsFile file, long offset, int origin);

int cxOsDeleteFile(const char *name);           /* 1 done, 0 failed */
int cxOsRenameFile(const char *from, const char *to);
int cxOsFileExists(const char *name);
int cxOsMakeDirectory(const char *name);
int cxOsSetReadOnly(const char *name, int readOnly);
int cxOsSetModificationTime(CxOsFile file, uint32_t unixTime); /* 1 done, 0 failed */
/* Free bytes on the drive (0 = A), limited to 2147483647; -1 when unknown (or no drive). */
long cxOsFreeSpace(int drive);
/* Drive number of the current directory (0 = A), or -1 when it has no drive letter. */
int cxOsCurrentDrive(void);

/* Size, modification time (seconds since 1970 UTC) and read-only attribute of a
   file; 1 done, 0 failed.  Used by the writer when it adds files. */
int cxOsFileStatus(const char *name, uint32_t *size, uint32_t *unixTime, int *readOnly);

void *cxOsAlloc(size_t size);
void cxOsFree(void *block);

#endif
