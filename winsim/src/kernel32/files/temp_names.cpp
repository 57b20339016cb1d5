// GetTempFileNameA. Windows starts the search for a free number from the
// clock; a simulated machine starts it from a counter kept in its state
// directory, so that names are unique across the machine's processes and a
// fresh machine hands out KVT1.TMP, KVT2.TMP ... the same way every run.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "kernel32/files/file_object.h"
#include "machine/faults.h"

namespace {

constexpr unsigned kNumbers = 0xFFFF;  // only the low 16 bits make the name

std::string NameFor(const std::string& directory, const std::string& prefix, unsigned number) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "%X", number);
    // Windows spells the number in upper-case hex and the extension in lower case.
    return directory + prefix + hex + ".tmp";
}

bool IsDirectory(const std::string& host) {
    struct stat st;
    return stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The machine-wide counter under its lock, for the lifetime of the object.
class Counter {
public:
    Counter() {
        std::string dir = winsim::StateDir("tempnames");
        path_ = dir + "/next";
        fd_ = open((dir + "/lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd_ >= 0) flock(fd_, LOCK_EX);
        std::ifstream in(path_);
        unsigned long value = 0;
        if (in >> value && value >= 1 && value <= kNumbers) next_ = static_cast<unsigned>(value);
    }
    ~Counter() {
        std::ofstream(path_, std::ios::trunc) << next_ << "\n";
        if (fd_ >= 0) {
            flock(fd_, LOCK_UN);
            close(fd_);
        }
    }
    Counter(const Counter&) = delete;
    Counter& operator=(const Counter&) = delete;

    unsigned Take() {
        unsigned n = next_;
        next_ = next_ == kNumbers ? 1 : next_ + 1;
        return n;
    }

private:
    std::string path_;
    int fd_ = -1;
    unsigned next_ = 1;
};

}  // namespace

extern "C" UINT WINAPI GetTempFileNameA(LPCSTR path, LPCSTR prefix, UINT unique, LPSTR out) {
    if (winsim::FailsHere("GetTempFileNameA", unique == 0)) return 0;
    if (!path || !out) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string directory = path;
    if (directory.size() > MAX_PATH - 14) {
        SetLastError(ERROR_BUFFER_OVERFLOW);
        return 0;
    }
    // A missing directory, or a file in its place, is ERROR_DIRECTORY even
    // when only a name is asked for.
    winsim::ResolvedPath where = winsim::ResolvePath(path);
    if (!where.exists || !IsDirectory(where.host)) {
        SetLastError(ERROR_DIRECTORY);
        return 0;
    }
    if (!directory.empty() && directory.back() != '\\' && directory.back() != '/') directory += '\\';
    std::string pre = prefix ? std::string(prefix).substr(0, 3) : std::string();

    if (unique != 0) {
        unsigned number = unique & kNumbers;
        std::string name = NameFor(directory, pre, number);
        std::memcpy(out, name.c_str(), name.size() + 1);
        return number;
    }
    Counter counter;
    for (unsigned tries = 0; tries < kNumbers; ++tries) {
        unsigned number = counter.Take();
        std::string name = NameFor(directory, pre, number);
        winsim::ResolvedPath candidate = winsim::ResolvePath(name.c_str());
        if (candidate.exists) continue;  // in any case
        int fd = open(candidate.host.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            SetLastError(errno == ENOSPC ? ERROR_DISK_FULL : ERROR_ACCESS_DENIED);
            return 0;
        }
        close(fd);
        winsim::StoreAttributes(candidate.host, FILE_ATTRIBUTE_ARCHIVE);
        std::memcpy(out, name.c_str(), name.size() + 1);
        SetLastError(ERROR_SUCCESS);
        return number;
    }
    SetLastError(ERROR_FILE_EXISTS);
    return 0;
}
