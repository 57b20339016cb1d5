// An open file handle and the helpers that file calls share.
#ifndef WINSIM_FILE_OBJECT_H
#define WINSIM_FILE_OBJECT_H

#include <windows.h>

#include <string>

#include "kernel32/handles.h"
#include "machine/machine_state.h"

namespace winsim {

struct FileObject : KernelObject {
    int fd = -1;
    std::string hostPath;
    DWORD access = 0;
    unsigned long shareId = 0;
    bool Close() override;
};

// Resolves a path for a call that names an existing file or directory: sets
// ERROR_PATH_NOT_FOUND or ERROR_FILE_NOT_FOUND and returns false when the
// path leads nowhere.
bool ResolveExisting(const char* path, ResolvedPath& resolved);

// File attributes kept beside the host file's own mode (read-only lives in
// the owner's write bit; hidden, system, archive and temporary in an
// extended attribute).
DWORD AttributesOf(const std::string& hostPath);
bool StoreAttributes(const std::string& hostPath, DWORD attributes);
bool IsReadOnly(const std::string& hostPath);

// FILETIME (100 ns since 1601) and the host's time stamps.
FILETIME FileTimeFromUnix(long long seconds, long nanoseconds);
void UnixFromFileTime(const FILETIME& ft, long long& seconds, long& nanoseconds);

}  // namespace winsim

#endif
