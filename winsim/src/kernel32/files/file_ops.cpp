// Calls that work on files and directories by name: delete, directories,
// attributes, move and copy.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "kernel32/files/file_object.h"
#include "kernel32/files/sharing.h"
#include "machine/faults.h"
#include "machine/restart_store.h"

namespace winsim {
namespace {

const char kAttributeName[] = "user.winsim.attributes";
constexpr DWORD kKeptAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_TEMPORARY;

bool IsDir(const std::string& host) {
    struct stat st;
    return stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

bool IsReadOnly(const std::string& hostPath) {
    struct stat st;
    return stat(hostPath.c_str(), &st) == 0 && !S_ISDIR(st.st_mode) && !(st.st_mode & S_IWUSR);
}

DWORD AttributesOf(const std::string& hostPath) {
    struct stat st;
    if (stat(hostPath.c_str(), &st) != 0) return INVALID_FILE_ATTRIBUTES;
    DWORD attributes = 0;
    char text[16] = {0};
    ssize_t n = getxattr(hostPath.c_str(), kAttributeName, text, sizeof text - 1);
    if (n > 0) attributes = static_cast<DWORD>(std::strtoul(text, nullptr, 16)) & kKeptAttributes;
    if (S_ISDIR(st.st_mode)) attributes |= FILE_ATTRIBUTE_DIRECTORY;
    else if (!(st.st_mode & S_IWUSR)) attributes |= FILE_ATTRIBUTE_READONLY;
    return attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
}

bool StoreAttributes(const std::string& hostPath, DWORD attributes) {
    struct stat st;
    if (stat(hostPath.c_str(), &st) != 0) return false;
    if (!S_ISDIR(st.st_mode)) {
        mode_t mode = (attributes & FILE_ATTRIBUTE_READONLY) ? (st.st_mode & ~(S_IWUSR | S_IWGRP | S_IWOTH))
                                                              : (st.st_mode | S_IWUSR);
        chmod(hostPath.c_str(), mode & 07777);
    }
    char text[16];
    std::snprintf(text, sizeof text, "%x", attributes & kKeptAttributes);
    // File systems without user attributes keep only read-only and directory.
    setxattr(hostPath.c_str(), kAttributeName, text, std::char_traits<char>::length(text), 0);
    return true;
}

}  // namespace winsim

namespace {

BOOL DeleteNow(LPCSTR name) {
    winsim::ResolvedPath path;
    if (!winsim::ResolveExisting(name, path)) return FALSE;
    if (winsim::IsDir(path.host) || winsim::IsReadOnly(path.host)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (winsim::OpenWithoutDeleteSharing(path.host)) {
        SetLastError(ERROR_SHARING_VIOLATION);
        return FALSE;
    }
    if (unlink(path.host.c_str()) != 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return TRUE;
}

}  // namespace

extern "C" BOOL WINAPI DeleteFileA(LPCSTR name) {
    if (winsim::FailsHere("DeleteFileA", true)) return FALSE;
    return DeleteNow(name);
}

extern "C" BOOL WINAPI CreateDirectoryA(LPCSTR name, LPSECURITY_ATTRIBUTES) {
    if (winsim::FailsHere("CreateDirectoryA", true)) return FALSE;
    winsim::ResolvedPath path = winsim::ResolvePath(name);
    if (path.parentMissing) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    if (path.exists) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return FALSE;
    }
    if (mkdir(path.host.c_str(), 0755) != 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return TRUE;
}

extern "C" BOOL WINAPI RemoveDirectoryA(LPCSTR name) {
    if (winsim::FailsHere("RemoveDirectoryA", true)) return FALSE;
    winsim::ResolvedPath path;
    if (!winsim::ResolveExisting(name, path)) return FALSE;
    if (!winsim::IsDir(path.host)) {
        SetLastError(ERROR_DIRECTORY);
        return FALSE;
    }
    if (rmdir(path.host.c_str()) != 0) {
        SetLastError(errno == ENOTEMPTY || errno == EEXIST ? ERROR_DIR_NOT_EMPTY : ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return TRUE;
}

extern "C" DWORD WINAPI GetFileAttributesA(LPCSTR name) {
    if (winsim::FailsHere("GetFileAttributesA", false)) return INVALID_FILE_ATTRIBUTES;
    winsim::ResolvedPath path;
    if (!winsim::ResolveExisting(name, path)) return INVALID_FILE_ATTRIBUTES;
    return winsim::AttributesOf(path.host);
}

extern "C" BOOL WINAPI SetFileAttributesA(LPCSTR name, DWORD attributes) {
    if (winsim::FailsHere("SetFileAttributesA", true)) return FALSE;
    winsim::ResolvedPath path;
    if (!winsim::ResolveExisting(name, path)) return FALSE;
    if (attributes == FILE_ATTRIBUTE_NORMAL) attributes = 0;
    return winsim::StoreAttributes(path.host, attributes) ? TRUE : FALSE;
}

namespace {

// Copies the bytes, the time stamps and the attributes of one host file.
bool CopyHostFile(const std::string& from, const std::string& to) {
    int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return false;
    int out = open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (out < 0) {
        close(in);
        return false;
    }
    char buffer[65536];
    bool ok = true;
    ssize_t n;
    while ((n = read(in, buffer, sizeof buffer)) > 0) {
        if (write(out, buffer, static_cast<size_t>(n)) != n) {
            ok = false;
            break;
        }
    }
    if (n < 0) ok = false;
    struct stat st;
    if (fstat(in, &st) == 0) {
        struct timespec times[2] = {st.st_atim, st.st_mtim};
        futimens(out, times);
    }
    close(in);
    close(out);
    return ok;
}

}  // namespace

extern "C" BOOL WINAPI CopyFileA(LPCSTR from, LPCSTR to, BOOL failIfExists) {
    if (winsim::FailsHere("CopyFileA", true)) return FALSE;
    winsim::ResolvedPath source;
    if (!winsim::ResolveExisting(from, source)) return FALSE;
    winsim::ResolvedPath target = winsim::ResolvePath(to);
    if (target.parentMissing) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    if (target.exists && failIfExists) {
        SetLastError(ERROR_FILE_EXISTS);
        return FALSE;
    }
    if (target.exists && (winsim::IsDir(target.host) || winsim::IsReadOnly(target.host))) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    unsigned long reading = 0, writing = 0;
    // The source is read while others may have it open for writing, as Wine's
    // CopyFileA does (a log file being written can be copied).
    if (!winsim::RegisterOpen(source.host, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, reading)) {
        SetLastError(ERROR_SHARING_VIOLATION);
        return FALSE;
    }
    bool targetFree = !target.exists || winsim::RegisterOpen(target.host, GENERIC_WRITE, 0, writing);
    if (!targetFree) {
        winsim::UnregisterOpen(reading);
        SetLastError(ERROR_SHARING_VIOLATION);
        return FALSE;
    }
    bool ok = CopyHostFile(source.host, target.host);
    winsim::UnregisterOpen(reading);
    if (target.exists) winsim::UnregisterOpen(writing);
    if (!ok) {
        SetLastError(ERROR_WRITE_FAULT);
        return FALSE;
    }
    winsim::StoreAttributes(target.host, winsim::AttributesOf(source.host) | FILE_ATTRIBUTE_ARCHIVE);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

namespace {

// A move without a destination deletes the file, as Wine's MoveFileExA does.
BOOL MoveNow(LPCSTR from, LPCSTR to, DWORD flags) {
    if (!to) return DeleteNow(from);
    winsim::ResolvedPath source;
    if (!winsim::ResolveExisting(from, source)) return FALSE;
    winsim::ResolvedPath target = winsim::ResolvePath(to);
    if (target.parentMissing) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    if (target.exists && winsim::ShareKey(source.host) != winsim::ShareKey(target.host)) {
        if (!(flags & MOVEFILE_REPLACE_EXISTING)) {
            SetLastError(ERROR_ALREADY_EXISTS);
            return FALSE;
        }
        if (winsim::IsDir(target.host) || winsim::IsReadOnly(target.host)) {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        if (winsim::OpenWithoutDeleteSharing(target.host)) {
            SetLastError(ERROR_SHARING_VIOLATION);
            return FALSE;
        }
    }
    if (winsim::OpenWithoutDeleteSharing(source.host)) {
        SetLastError(ERROR_SHARING_VIOLATION);
        return FALSE;
    }
    if (std::rename(source.host.c_str(), target.host.c_str()) != 0) {
        SetLastError(errno == EXDEV ? 17 /* ERROR_NOT_SAME_DEVICE */ : ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return TRUE;
}

}  // namespace

// Moves a file at once, or records a delayed move in the restart-time store.
// The Windows 95 family has no MoveFileExA (its programs use wininit.ini).
extern "C" BOOL WINAPI MoveFileExA(LPCSTR from, LPCSTR to, DWORD flags) {
    if (winsim::FailsHere("MoveFileExA", true)) return FALSE;
    if (winsim::Machine().platformId != 2) {
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return FALSE;
    }
    if (flags & MOVEFILE_DELAY_UNTIL_REBOOT) return winsim::QueueRestartMove(from, to, flags) ? TRUE : FALSE;
    return MoveNow(from, to, flags);
}

extern "C" BOOL WINAPI MoveFileA(LPCSTR from, LPCSTR to) {
    if (winsim::FailsHere("MoveFileA", true)) return FALSE;
    return MoveNow(from, to, 0);
}
