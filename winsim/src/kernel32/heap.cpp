// The process heap. Blocks come from the C runtime; each is recorded with
// its size, so that freeing a pointer the heap never gave out fails with an
// error instead of corrupting memory, and HeapSize can answer.
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_map>

#include "machine/faults.h"

namespace {

struct ProcessHeap {
    std::mutex lock;
    std::unordered_map<void*, SIZE_T> blocks;
};

ProcessHeap& Heap() {
    static ProcessHeap heap;
    return heap;
}

HANDLE HeapHandle() { return static_cast<HANDLE>(&Heap()); }

bool ValidHeap(HANDLE heap) {
    if (heap == HeapHandle()) return true;
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
}

}  // namespace

extern "C" HANDLE WINAPI GetProcessHeap(void) { return HeapHandle(); }

extern "C" LPVOID WINAPI HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes) {
    if (winsim::FailsHere("HeapAlloc", false) || !ValidHeap(heap)) return nullptr;
    // A block of 0 bytes is a valid, distinct block on Windows.
    void* block = (flags & HEAP_ZERO_MEMORY) ? std::calloc(bytes ? bytes : 1, 1) : std::malloc(bytes ? bytes : 1);
    if (!block) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    ProcessHeap& h = Heap();
    std::lock_guard<std::mutex> guard(h.lock);
    h.blocks[block] = bytes;
    return block;
}

extern "C" LPVOID WINAPI HeapReAlloc(HANDLE heap, DWORD flags, LPVOID memory, SIZE_T bytes) {
    if (winsim::FailsHere("HeapReAlloc", false) || !ValidHeap(heap)) return nullptr;
    ProcessHeap& h = Heap();
    std::lock_guard<std::mutex> guard(h.lock);
    auto it = h.blocks.find(memory);
    if (it == h.blocks.end()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    SIZE_T old = it->second;
    if (flags & HEAP_REALLOC_IN_PLACE_ONLY) {
        if (bytes > old) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
        it->second = bytes;
        return memory;
    }
    void* block = std::realloc(memory, bytes ? bytes : 1);
    if (!block) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if ((flags & HEAP_ZERO_MEMORY) && bytes > old) std::memset(static_cast<char*>(block) + old, 0, bytes - old);
    h.blocks.erase(it);
    h.blocks[block] = bytes;
    return block;
}

extern "C" BOOL WINAPI HeapFree(HANDLE heap, DWORD, LPVOID memory) {
    if (winsim::FailsHere("HeapFree", false) || !ValidHeap(heap)) return FALSE;
    if (!memory) return TRUE;
    ProcessHeap& h = Heap();
    std::lock_guard<std::mutex> guard(h.lock);
    auto it = h.blocks.find(memory);
    if (it == h.blocks.end()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    h.blocks.erase(it);
    std::free(memory);
    return TRUE;
}

extern "C" SIZE_T WINAPI HeapSize(HANDLE heap, DWORD, LPCVOID memory) {
    if (!ValidHeap(heap)) return static_cast<SIZE_T>(-1);
    ProcessHeap& h = Heap();
    std::lock_guard<std::mutex> guard(h.lock);
    auto it = h.blocks.find(const_cast<void*>(memory));
    if (it == h.blocks.end()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return static_cast<SIZE_T>(-1);
    }
    return it->second;
}
