// The process heap and the current directory, as the archive codec uses them.
// HeapAlloc honours fault injection, so that tests reach the codec's
// out-of-memory paths.
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "faults.h"

namespace {
// Any non-null value serves: there is one heap per process.
int processHeap;
}  // namespace

extern "C" HANDLE WINAPI GetProcessHeap(void) {
    return &processHeap;
}

extern "C" LPVOID WINAPI HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes) {
    if (winsim::FailsHere("HeapAlloc", false)) return nullptr;
    if (heap != &processHeap) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    void* block = (flags & HEAP_ZERO_MEMORY) ? std::calloc(1, bytes ? bytes : 1) : std::malloc(bytes ? bytes : 1);
    if (!block) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return block;
}

extern "C" BOOL WINAPI HeapFree(HANDLE heap, DWORD, LPVOID block) {
    if (heap != &processHeap) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    std::free(block);
    return TRUE;
}

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
