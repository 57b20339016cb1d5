// The current directory, as the archive codec asks for it.
#include <unistd.h>

#include <cstring>
#include <string>

#include "machine/faults.h"
#include "machine/machine_state.h"

// A program run in the machine has a Windows current directory there. A host
// tool's is the host's working directory, which has no drive letter.
extern "C" DWORD WINAPI GetCurrentDirectoryA(DWORD size, LPSTR buffer) {
    if (winsim::FailsHere("GetCurrentDirectoryA", false)) return 0;
    std::string here = winsim::CurrentDirectory();
    if (here.empty()) {
        char host[4096];
        if (!getcwd(host, sizeof host)) {
            SetLastError(ERROR_PATH_NOT_FOUND);
            return 0;
        }
        here = host;
    }
    // As Windows: the length without the terminator when it fits, else the size needed.
    DWORD length = static_cast<DWORD>(here.size());
    if (!buffer || size <= length) return length + 1;
    std::memcpy(buffer, here.c_str(), length + 1);
    return length;
}
