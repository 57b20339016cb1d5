// The current directory, as the archive codec asks for it.
#include <unistd.h>

#include <cstring>

#include "faults.h"

// The host's working directory: a process on the host starts in a host
// directory, which has no drive letter.
extern "C" DWORD WINAPI GetCurrentDirectoryA(DWORD size, LPSTR buffer) {
    if (winsim::FailsHere("GetCurrentDirectoryA", false)) return 0;
    char here[4096];
    if (!getcwd(here, sizeof here)) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return 0;
    }
    // As Windows: the length without the terminator when it fits, else the size needed.
    DWORD length = static_cast<DWORD>(std::strlen(here));
    if (!buffer || size <= length) return length + 1;
    std::memcpy(buffer, here, length + 1);
    return length;
}
