// The codec's system services over the host's own files, for arq on Linux.
// The codec reaches the system only through cx_os.h; the installer and its
// tests implement it with Win32 (winsim's on the host), which needs a
// simulated machine.  A tool that packs and unpacks the host's files has no
// use for one: here a name is a host path, used as given.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "cx_os.h"

namespace {

struct HostFile {
    int fd;
};

int descriptor(CxOsFile file)
{
    return static_cast<HostFile *>(file)->fd;
}

}  // namespace

int cxOsOpen(const char *name, int mode, CxOsFile *file)
{
    int flags;
    switch (mode) {
    case CX_OS_READ: flags = O_RDONLY; break;
    case CX_OS_READ_WRITE: flags = O_RDWR; break;
    case CX_OS_CREATE: flags = O_WRONLY | O_CREAT | O_TRUNC; break;
    case CX_OS_CREATE_READ: flags = O_RDWR | O_CREAT | O_TRUNC; break;
    case CX_OS_APPEND: flags = O_WRONLY | O_CREAT | O_APPEND; break;
    case CX_OS_APPEND_READ: flags = O_RDWR | O_CREAT | O_APPEND; break;
    default: return -1;
    }
    if (!name)
        return -1;
    int fd = open(name, flags | O_CLOEXEC, 0666);
    if (fd < 0)
        return -1;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {   // a directory opens for reading; not a file
        close(fd);
        return -1;
    }
    HostFile *host = new (std::nothrow) HostFile{fd};
    if (!host) {
        close(fd);
        return -1;
    }
    *file = host;
    return 0;
}

void cxOsClose(CxOsFile file)
{
    close(descriptor(file));
    delete static_cast<HostFile *>(file);
}

long cxOsRead(CxOsFile file, void *buffer, unsigned long count)
{
    ssize_t got;
    do
        got = read(descriptor(file), buffer, count);
    while (got < 0 && errno == EINTR);
    return got < 0 ? -1 : (long)got;
}

long cxOsWrite(CxOsFile file, const void *buffer, unsigned long count)
{
    const char *from = static_cast<const char *>(buffer);
    unsigned long done = 0;
    while (done < count) {
        ssize_t put = write(descriptor(file), from + done, count - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return done ? (long)done : -1;
        done += (unsigned long)put;
    }
    return (long)done;
}

long cxOsSeek(CxOsFile file, long offset, int origin)
{
    int whence = origin == CX_OS_SEEK_CUR ? SEEK_CUR : origin == CX_OS_SEEK_END ? SEEK_END : SEEK_SET;
    off_t pos = lseek(descriptor(file), (off_t)offset, whence);
    if (pos < 0 || pos > 0x7FFFFFFF)
        return -1;
    return (long)pos;
}

int cxOsDeleteFile(const char *name)
{
    return unlink(name) == 0 ? 1 : 0;
}

int cxOsRenameFile(const char *from, const char *to)
{
    // As MoveFileA: an existing target is an error, never silently replaced.
    struct stat st;
    if (lstat(to, &st) == 0)
        return 0;
    return rename(from, to) == 0 ? 1 : 0;
}

int cxOsFileExists(const char *name)
{
    struct stat st;
    return stat(name, &st) == 0 && S_ISREG(st.st_mode);
}

int cxOsMakeDirectory(const char *name)
{
    return mkdir(name, 0777) == 0 ? 1 : 0;
}

int cxOsSetReadOnly(const char *name, int readOnly)
{
    struct stat st;
    if (stat(name, &st) != 0)
        return 0;
    mode_t mode = st.st_mode & 07777;
    mode = readOnly ? mode & ~(mode_t)(S_IWUSR | S_IWGRP | S_IWOTH) : mode | S_IWUSR;
    return chmod(name, mode) == 0 ? 1 : 0;
}

int cxOsSetModificationTime(CxOsFile file, uint32_t unixTime)
{
    struct timespec times[2];
    times[0].tv_sec = times[1].tv_sec = (time_t)unixTime;
    times[0].tv_nsec = times[1].tv_nsec = 0;
    return futimens(descriptor(file), times) == 0 ? 1 : 0;
}

long cxOsFreeSpace(int)
{
    return -1;      // host paths have no drive letter: unknown, which holds nothing back
}

int cxOsCurrentDrive(void)
{
    return -1;
}

int cxOsFileStatus(const char *name, uint32_t *size, uint32_t *unixTime, int *readOnly)
{
    struct stat st;
    if (stat(name, &st) != 0 || !S_ISREG(st.st_mode) || (uint64_t)st.st_size > 0xFFFFFFFFull)
        return 0;
    *size = (uint32_t)st.st_size;
    *unixTime = st.st_mtime < 0 ? 0 : (uint64_t)st.st_mtime > 0xFFFFFFFFull ? 0xFFFFFFFFu : (uint32_t)st.st_mtime;
    *readOnly = (st.st_mode & S_IWUSR) == 0;
    return 1;
}

void *cxOsAlloc(size_t size)
{
    return std::malloc(size ? size : 1);
}

void cxOsFree(void *block)
{
    std::free(block);
}
