// The process's table of kernel object handles (files, mutexes).
#ifndef WINSIM_HANDLES_H
#define WINSIM_HANDLES_H

#include <windows.h>

#include <memory>

namespace winsim {

struct KernelObject {
    virtual ~KernelObject() = default;
    // Releases what the handle holds; false with the last error set on failure.
    virtual bool Close() { return true; }
};

HANDLE AddHandle(std::unique_ptr<KernelObject> object);
// The object behind a handle when it is of type T, else nullptr.
KernelObject* FindHandle(HANDLE handle);
template <typename T>
T* FindHandleOf(HANDLE handle) {
    return dynamic_cast<T*>(FindHandle(handle));
}

}  // namespace winsim

#endif
