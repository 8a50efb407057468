// Kernel objects behind HANDLE values on POSIX: a table of live objects, so that a
// stale or foreign handle is refused instead of being followed.
#pragma once

#include <memory>

#include "api_types.h"

class KernelObject {
  public:
    KernelObject() = default;
    KernelObject(const KernelObject&) = delete;
    KernelObject& operator=(const KernelObject&) = delete;
    virtual ~KernelObject() = default;
};

// Takes ownership; the handle stays valid until CloseHandle.
HANDLE AddKernelObject(std::unique_ptr<KernelObject> object);
// The live object behind a handle, or null.
KernelObject* FindKernelObject(HANDLE handle);
// Destroys the object; false when the handle is not live.
bool RemoveKernelObject(HANDLE handle);

template <class T>
T* FindKernelObjectOf(HANDLE handle) {
    return dynamic_cast<T*>(FindKernelObject(handle));
}
