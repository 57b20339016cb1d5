#include "kernel32/handles.h"

#include <map>

#include "machine/faults.h"

namespace winsim {
namespace {

struct HandleTable {
    std::map<uintptr_t, std::unique_ptr<KernelObject>> objects;
    uintptr_t next = 1;
};

HandleTable& Table() {
    static HandleTable table;
    return table;
}

}  // namespace

// Handle values are small multiples of four, as Windows hands them out.
HANDLE AddHandle(std::unique_ptr<KernelObject> object) {
    HandleTable& t = Table();
    uintptr_t value = (t.next++) * 4;
    t.objects[value] = std::move(object);
    return reinterpret_cast<HANDLE>(value);
}

KernelObject* FindHandle(HANDLE handle) {
    auto it = Table().objects.find(reinterpret_cast<uintptr_t>(handle));
    return it == Table().objects.end() ? nullptr : it->second.get();
}

}  // namespace winsim

extern "C" BOOL WINAPI CloseHandle(HANDLE handle) {
    if (winsim::FailsHere("CloseHandle", false)) return FALSE;
    auto& objects = winsim::Table().objects;
    auto it = objects.find(reinterpret_cast<uintptr_t>(handle));
    if (it == objects.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    std::unique_ptr<winsim::KernelObject> object = std::move(it->second);
    objects.erase(it);
    if (!object->Close()) return FALSE;
    return TRUE;
}
