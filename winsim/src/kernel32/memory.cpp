// Committed virtual memory: zero-filled blocks, released whole.
#include <cstdlib>
#include <cstring>
#include <set>

#include "machine/faults.h"

namespace {
// Never destroyed: blocks that a program did not release stay reachable
// until the process ends, as committed memory does.
std::set<void*>& Blocks() {
    static std::set<void*>* blocks = new std::set<void*>;
    return *blocks;
}
// A 32-bit process never gets more than 2 GiB in one block.
constexpr SIZE_T kLargest = 0x7FFF0000;
// Windows reserves address space in steps of its allocation granularity.
constexpr SIZE_T kGranularity = 0x10000;
}  // namespace

extern "C" LPVOID WINAPI VirtualAlloc(LPVOID address, SIZE_T size, DWORD type, DWORD protect) {
    if (winsim::FailsHere("VirtualAlloc", false)) return nullptr;
    if (address || size == 0 || !(type & MEM_COMMIT) || protect != PAGE_READWRITE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    SIZE_T whole = (size + kGranularity - 1) / kGranularity * kGranularity;
    void* block = size > kLargest ? nullptr : std::aligned_alloc(kGranularity, whole);
    if (!block) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    std::memset(block, 0, whole);
    Blocks().insert(block);
    return block;
}

extern "C" BOOL WINAPI VirtualFree(LPVOID address, SIZE_T size, DWORD type) {
    if (winsim::FailsHere("VirtualFree", false)) return FALSE;
    if (type != MEM_RELEASE || size != 0 || !Blocks().erase(address)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::free(address);
    return TRUE;
}
