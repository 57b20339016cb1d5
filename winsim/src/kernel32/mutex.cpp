// Named mutexes shared by every process of one machine.
//
// Each name has three files under the machine's state directory: ".ref",
// which every process holding a handle locks shared (so a creator can tell
// whether the mutex exists elsewhere); ".own", locked exclusively by the
// owning process; and ".owner", which holds the owner's process id while it
// owns the mutex. A process that dies while owning loses its lock but leaves
// its id behind, and the next owner gets WAIT_ABANDONED, as on Windows.
// WaitForSingleObject also waits for the processes CreateProcessA started.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "kernel32/handles.h"
#include "kernel32/processes.h"
#include "machine/faults.h"
#include "machine/machine_state.h"

namespace {

struct NamedMutex {
    std::string base;
    int ownFd = -1;
    int ownership = 0;  // recursion count of this process
};

// One record per mutex and process: ownership belongs to the mutex, not the handle.
std::map<std::string, std::shared_ptr<NamedMutex>>& Mutexes() {
    static std::map<std::string, std::shared_ptr<NamedMutex>> mutexes;
    return mutexes;
}

struct MutexHandle : winsim::KernelObject {
    std::shared_ptr<NamedMutex> mutex;
    int refFd = -1;
    bool Close() override {
        if (refFd >= 0) close(refFd);  // releases this handle's shared lock
        refFd = -1;
        return true;
    }
};

// Object names are case-sensitive on Windows (unlike file names), so the
// file keeps the name's case; anything but letters and digits is escaped.
std::string FileName(const std::string& name) {
    std::string out;
    for (unsigned char c : name) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02X", c);
        out += std::isalnum(c) ? std::string(1, static_cast<char>(c)) : std::string("%") + hex;
    }
    return out;
}

void WriteOwner(const NamedMutex& m, long pid) {
    FILE* f = std::fopen((m.base + ".owner").c_str(), "w");
    if (!f) return;
    if (pid) std::fprintf(f, "%ld\n", pid);
    std::fclose(f);
}

long ReadOwner(const NamedMutex& m) {
    long pid = 0;
    if (FILE* f = std::fopen((m.base + ".owner").c_str(), "r")) {
        if (std::fscanf(f, "%ld", &pid) != 1) pid = 0;
        std::fclose(f);
    }
    return pid;
}

}  // namespace

extern "C" HANDLE WINAPI CreateMutexA(LPSECURITY_ATTRIBUTES, BOOL initialOwner, LPCSTR name) {
    if (winsim::FailsHere("CreateMutexA", false)) return nullptr;
    if (!name || !*name) {
        SetLastError(ERROR_INVALID_PARAMETER);  // unnamed mutexes are not simulated
        return nullptr;
    }
    // Keyed by the machine as well: a test process may use several machines.
    std::string base = winsim::StateDir("mutex") + "/" + FileName(name);
    std::shared_ptr<NamedMutex>& mutex = Mutexes()[base];
    if (!mutex) {
        mutex = std::make_shared<NamedMutex>();
        mutex->base = base;
    }
    auto handle = std::make_unique<MutexHandle>();
    handle->mutex = mutex;
    handle->refFd = open((mutex->base + ".ref").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (handle->refFd < 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    bool existed = flock(handle->refFd, LOCK_EX | LOCK_NB) != 0;
    flock(handle->refFd, LOCK_SH);
    HANDLE h = winsim::AddHandle(std::move(handle));
    if (initialOwner && !existed) WaitForSingleObject(h, 0);
    SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return h;
}

extern "C" DWORD WINAPI WaitForSingleObject(HANDLE h, DWORD milliseconds) {
    if (winsim::FailsHere("WaitForSingleObject", false)) return WAIT_FAILED;
    DWORD ended;
    if (winsim::WaitForProcess(h, milliseconds, ended)) return ended;
    MutexHandle* handle = winsim::FindHandleOf<MutexHandle>(h);
    if (!handle) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    NamedMutex& m = *handle->mutex;
    if (m.ownership > 0) {
        ++m.ownership;
        return WAIT_OBJECT_0;
    }
    if (m.ownFd < 0) m.ownFd = open((m.base + ".own").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (m.ownFd < 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return WAIT_FAILED;
    }
    DWORD waited = 0;
    while (flock(m.ownFd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK || waited >= milliseconds) return WAIT_TIMEOUT;
        usleep(10000);
        waited += 10;
    }
    bool abandoned = ReadOwner(m) != 0;
    WriteOwner(m, getpid());
    m.ownership = 1;
    return abandoned ? WAIT_ABANDONED : WAIT_OBJECT_0;
}

extern "C" BOOL WINAPI ReleaseMutex(HANDLE h) {
    if (winsim::FailsHere("ReleaseMutex", false)) return FALSE;
    MutexHandle* handle = winsim::FindHandleOf<MutexHandle>(h);
    if (!handle) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    NamedMutex& m = *handle->mutex;
    if (m.ownership == 0) {
        SetLastError(ERROR_NOT_OWNER);
        return FALSE;
    }
    if (--m.ownership == 0) {
        WriteOwner(m, 0);
        flock(m.ownFd, LOCK_UN);
    }
    return TRUE;
}
