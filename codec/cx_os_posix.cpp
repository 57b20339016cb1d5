/*
 * Host stand-in for cx_os_win32.cpp while the simulated Win32 machine is not
 * in the tree yet: the same services over the POSIX calls.
 */
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include "cx_os.h"

struct PosixFile {
    int fd;
};

int cxOsOpen(const char *name, int mode, CxOsFile *file)
{
    int flags;
    switch (mode) {
    case CX_OS_READ: flags = O_RDONLY; break;
    case CX_OS_READ_WRITE: flags = O_RDWR; break;
    case CX_OS_CREATE: flags = O_WRONLY | O_CREAT | O_TRUNC; break;
    case CX_OS_CREATE_READ: flags = O_RDWR | O_CREAT | O_TRUNC; break;
    case CX_OS_APPEND: flags = O_WRONLY | O_CREAT; break;
    case CX_OS_APPEND_READ: flags = O_RDWR | O_CREAT; break;
    default: return -1;
    }
    int fd = open(name, flags, 0666);
    if (fd < 0)
        return -1;
    struct stat st;
    if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        close(fd);
        return -1;
    }
    PosixFile *f = (PosixFile *)malloc(sizeof *f);
    if (!f) {
        close(fd);
        return -1;
    }
    f->fd = fd;
    *file = f;
    return 0;
}

void cxOsClose(CxOsFile file)
{
    PosixFile *f = (PosixFile *)file;
    close(f->fd);
    free(f);
}

long cxOsRead(CxOsFile file, void *buffer, unsigned long count)
{
    ssize_t got = read(((PosixFile *)file)->fd, buffer, count);
    return got < 0 ? -1 : (long)got;
}

long cxOsWrite(CxOsFile file, const void *buffer, unsigned long count)
{
    ssize_t put = write(((PosixFile *)file)->fd, buffer, count);
    return put < 0 ? -1 : (long)put;
}

long cxOsSeek(CxOsFile file, long offset, int origin)
{
    int whence = origin == CX_OS_SEEK_CUR ? SEEK_CUR : origin == CX_OS_SEEK_END ? SEEK_END : SEEK_SET;
    off_t pos = lseek(((PosixFile *)file)->fd, offset, whence);
    if (pos < 0 || pos > 0x7FFFFFFF)
        return -1;
    return (long)pos;
}

int cxOsDeleteFile(const char *name)
{
    return unlink(name) == 0;
}

int cxOsRenameFile(const char *from, const char *to)
{
    if (access(to, F_OK) == 0)
        return 0;
    return rename(from, to) == 0;
}

int cxOsFileExists(const char *name)
{
    struct stat st;
    return stat(name, &st) == 0 && !S_ISDIR(st.st_mode);
}

int cxOsMakeDirectory(const char *name)
{
    return mkdir(name, 0777) == 0;
}

int cxOsSetReadOnly(const char *name, int readOnly)
{
    struct stat st;
    if (stat(name, &st) != 0)
        return 0;
    mode_t mode = readOnly ? (st.st_mode & ~0222) : (st.st_mode | 0200);
    return chmod(name, mode) == 0;
}

int cxOsSetModificationTime(const char *name, uint32_t unixTime)
{
    struct timeval times[2];
    times[0].tv_sec = (time_t)unixTime;
    times[0].tv_usec = 0;
    times[1] = times[0];
    return utimes(name, times) == 0;
}

long cxOsFreeSpace(int)
{
    return -1;
}

int cxOsCurrentDrive(void)
{
    return -1;
}

int cxOsFileStatus(const char *name, uint32_t *size, uint32_t *unixTime, int *readOnly)
{
    struct stat st;
    if (stat(name, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > 0xFFFFFFFFll)
        return 0;
    *size = (uint32_t)st.st_size;
    *unixTime = st.st_mtime < 0 ? 0 : (uint32_t)st.st_mtime;
    *readOnly = (st.st_mode & 0200) == 0;
    return 1;
}

void *cxOsAlloc(size_t size)
{
    return malloc(size);
}

void cxOsFree(void *block)
{
    free(block);
}
