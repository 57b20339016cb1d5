// File handles: CreateFileA and the calls that work on an open file.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "kernel32/files/file_object.h"
#include "kernel32/files/sharing.h"
#include "machine/faults.h"

namespace winsim {

bool FileObject::Close() {
    if (fd >= 0) close(fd);
    fd = -1;
    UnregisterOpen(shareId);
    return true;
}

bool ResolveExisting(const char* path, ResolvedPath& resolved) {
    resolved = ResolvePath(path);
    if (resolved.parentMissing) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    if (!resolved.exists) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return false;
    }
    return true;
}

FILETIME FileTimeFromUnix(long long seconds, long nanoseconds) {
    unsigned long long ticks = static_cast<unsigned long long>(seconds + 11644473600LL) * 10000000ULL +
                               static_cast<unsigned long long>(nanoseconds / 100);
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(ticks);
    ft.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return ft;
}

void UnixFromFileTime(const FILETIME& ft, long long& seconds, long& nanoseconds) {
    unsigned long long ticks = (static_cast<unsigned long long>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    seconds = static_cast<long long>(ticks / 10000000ULL) - 11644473600LL;
    nanoseconds = static_cast<long>(ticks % 10000000ULL) * 100;
}

}  // namespace winsim

using winsim::FileObject;

namespace {

bool IsDirectory(const std::string& host) {
    struct stat st;
    return stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

FileObject* FileFor(HANDLE h) {
    FileObject* f = winsim::FindHandleOf<FileObject>(h);
    if (!f) SetLastError(ERROR_INVALID_HANDLE);
    return f;
}

DWORD ErrorFromErrno(int e) {
    switch (e) {
        case ENOENT: return ERROR_FILE_NOT_FOUND;
        case ENOTDIR: return ERROR_PATH_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EISDIR: return ERROR_ACCESS_DENIED;
        case EEXIST: return ERROR_FILE_EXISTS;
        case ENOSPC: return ERROR_DISK_FULL;
        case EMFILE:
        case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
        case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
        default: return ERROR_GEN_FAILURE;
    }
}

}  // namespace

extern "C" HANDLE WINAPI CreateFileA(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES,
                                     DWORD disposition, DWORD flags, HANDLE) {
    bool writes = (access & (GENERIC_WRITE | GENERIC_ALL)) || disposition != OPEN_EXISTING;
    if (winsim::FailsHere("CreateFileA", writes)) return INVALID_HANDLE_VALUE;
    if (!name || !*name) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    if (disposition < CREATE_NEW || disposition > TRUNCATE_EXISTING) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    // Wildcards and the other characters no file name may hold.
    if (std::strpbrk(name, "*?<>|\"")) {
        SetLastError(ERROR_INVALID_NAME);
        return INVALID_HANDLE_VALUE;
    }
    winsim::ResolvedPath path = winsim::ResolvePath(name);
    if (path.parentMissing) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    if (path.exists && IsDirectory(path.host)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    bool exists = path.exists;
    if (!exists && (disposition == OPEN_EXISTING || disposition == TRUNCATE_EXISTING)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    if (exists && disposition == CREATE_NEW) {
        SetLastError(ERROR_FILE_EXISTS);
        return INVALID_HANDLE_VALUE;
    }
    bool truncates = exists && (disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING);
    if (exists && (truncates || (access & (GENERIC_WRITE | GENERIC_ALL))) && winsim::IsReadOnly(path.host)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    unsigned long shareId = 0;
    if (exists && !winsim::RegisterOpen(path.host, access, share, shareId)) {
        SetLastError(ERROR_SHARING_VIOLATION);
        return INVALID_HANDLE_VALUE;
    }
    int mode = (access & (GENERIC_WRITE | GENERIC_ALL)) ? O_RDWR : O_RDONLY;
    int fd = open(path.host.c_str(), mode | O_CREAT | O_CLOEXEC | (truncates ? O_TRUNC : 0), 0666);
    if (fd < 0) {
        DWORD error = ErrorFromErrno(errno);
        if (exists) winsim::UnregisterOpen(shareId);
        SetLastError(error);
        return INVALID_HANDLE_VALUE;
    }
    if (!exists) {
        if (!winsim::RegisterOpen(path.host, access, share, shareId)) {
            close(fd);
            SetLastError(ERROR_SHARING_VIOLATION);
            return INVALID_HANDLE_VALUE;
        }
        DWORD attributes = flags & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                    FILE_ATTRIBUTE_TEMPORARY);
        winsim::StoreAttributes(path.host, attributes | FILE_ATTRIBUTE_ARCHIVE);
    }
    auto file = std::make_unique<FileObject>();
    file->fd = fd;
    file->hostPath = path.host;
    file->access = access;
    file->shareId = shareId;
    HANDLE h = winsim::AddHandle(std::move(file));
    // Windows reports whether an existing file was opened or overwritten.
    bool reportExisting = exists && (disposition == OPEN_ALWAYS || disposition == CREATE_ALWAYS);
    SetLastError(reportExisting ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return h;
}

extern "C" BOOL WINAPI ReadFile(HANDLE h, LPVOID buffer, DWORD count, LPDWORD done, LPOVERLAPPED) {
    if (done) *done = 0;
    if (winsim::FailsHere("ReadFile", false)) return FALSE;
    FileObject* f = FileFor(h);
    if (!f) return FALSE;
    if (!(f->access & (GENERIC_READ | GENERIC_ALL))) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    DWORD total = 0;
    while (total < count) {
        ssize_t n = read(f->fd, static_cast<char*>(buffer) + total, count - total);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            SetLastError(ERROR_READ_FAULT);
            return FALSE;
        }
        if (n == 0) break;
        total += static_cast<DWORD>(n);
    }
    if (done) *done = total;
    return TRUE;
}

extern "C" BOOL WINAPI WriteFile(HANDLE h, LPCVOID buffer, DWORD count, LPDWORD done, LPOVERLAPPED) {
    if (done) *done = 0;
    if (winsim::FailsHere("WriteFile", true)) return FALSE;
    FileObject* f = FileFor(h);
    if (!f) return FALSE;
    if (!(f->access & (GENERIC_WRITE | GENERIC_ALL))) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    DWORD total = 0;
    while (total < count) {
        ssize_t n = write(f->fd, static_cast<const char*>(buffer) + total, count - total);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            SetLastError(errno == ENOSPC ? ERROR_DISK_FULL : ERROR_WRITE_FAULT);
            if (done) *done = total;
            return FALSE;
        }
        total += static_cast<DWORD>(n);
    }
    if (done) *done = total;
    return TRUE;
}

extern "C" DWORD WINAPI SetFilePointer(HANDLE h, LONG distance, PLONG distanceHigh, DWORD method) {
    if (winsim::FailsHere("SetFilePointer", false)) return INVALID_SET_FILE_POINTER;
    FileObject* f = FileFor(h);
    if (!f) return INVALID_SET_FILE_POINTER;
    long long move = distanceHigh ? (static_cast<long long>(*distanceHigh) << 32) | static_cast<DWORD>(distance)
                                  : static_cast<long long>(distance);
    long long base = 0;
    if (method == FILE_CURRENT) {
        base = lseek(f->fd, 0, SEEK_CUR);
    } else if (method == FILE_END) {
        struct stat st;
        fstat(f->fd, &st);
        base = st.st_size;
    } else if (method != FILE_BEGIN) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    long long target = base + move;
    if (target < 0) {
        SetLastError(ERROR_NEGATIVE_SEEK);
        return INVALID_SET_FILE_POINTER;
    }
    lseek(f->fd, target, SEEK_SET);
    if (distanceHigh) *distanceHigh = static_cast<LONG>(target >> 32);
    // A success leaves the last error alone, except where the position looks
    // like the failure value: then the error says NO_ERROR.
    if (static_cast<DWORD>(target) == INVALID_SET_FILE_POINTER) SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(target);
}

extern "C" BOOL WINAPI SetEndOfFile(HANDLE h) {
    if (winsim::FailsHere("SetEndOfFile", true)) return FALSE;
    FileObject* f = FileFor(h);
    if (!f) return FALSE;
    if (!(f->access & (GENERIC_WRITE | GENERIC_ALL)) || ftruncate(f->fd, lseek(f->fd, 0, SEEK_CUR)) != 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return TRUE;
}

extern "C" DWORD WINAPI GetFileSize(HANDLE h, LPDWORD high) {
    if (winsim::FailsHere("GetFileSize", false)) return INVALID_FILE_SIZE;
    FileObject* f = FileFor(h);
    if (!f) return INVALID_FILE_SIZE;
    struct stat st;
    fstat(f->fd, &st);
    unsigned long long size = static_cast<unsigned long long>(st.st_size);
    if (high) *high = static_cast<DWORD>(size >> 32);
    if (static_cast<DWORD>(size) == INVALID_FILE_SIZE) SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(size);
}

extern "C" BOOL WINAPI FlushFileBuffers(HANDLE h) {
    FileObject* f = FileFor(h);
    if (!f) return FALSE;
    fsync(f->fd);
    return TRUE;
}

extern "C" BOOL WINAPI GetFileTime(HANDLE h, LPFILETIME created, LPFILETIME accessed, LPFILETIME written) {
    if (winsim::FailsHere("GetFileTime", false)) return FALSE;
    FileObject* f = FileFor(h);
    if (!f) return FALSE;
    struct stat st;
    fstat(f->fd, &st);
    // The host keeps no creation time; the last write time stands in for it.
    if (created) *created = winsim::FileTimeFromUnix(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
    if (accessed) *accessed = winsim::FileTimeFromUnix(st.st_atim.tv_sec, st.st_atim.tv_nsec);
    if (written) *written = winsim::FileTimeFromUnix(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
    return TRUE;
}

extern "C" BOOL WINAPI SetFileTime(HANDLE h, const FILETIME*, const FILETIME* accessed, const FILETIME* written) {
    if (winsim::FailsHere("SetFileTime", true)) return FALSE;
    FileObject* f = FileFor(h);
    if (!f) return FALSE;
    if (!(f->access & (GENERIC_WRITE | GENERIC_ALL))) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    struct timespec times[2];
    times[0].tv_nsec = times[1].tv_nsec = UTIME_OMIT;
    times[0].tv_sec = times[1].tv_sec = 0;
    long long seconds;
    long nanoseconds;
    if (accessed) {
        winsim::UnixFromFileTime(*accessed, seconds, nanoseconds);
        times[0].tv_sec = seconds;
        times[0].tv_nsec = nanoseconds;
    }
    if (written) {
        winsim::UnixFromFileTime(*written, seconds, nanoseconds);
        times[1].tv_sec = seconds;
        times[1].tv_nsec = nanoseconds;
    }
    futimens(f->fd, times);
    return TRUE;
}
