#include "kernel_object.h"

#include <map>
#include <mutex>

#include "api_handoff.h"
#include "api_kernel.h"

namespace {

struct HandleTable {
    std::mutex lock;
    std::map<HANDLE, std::unique_ptr<KernelObject>> objects;
};

HandleTable& Table() {
    static HandleTable* table = new HandleTable;  // lives past static destruction
    return *table;
}

}  // namespace

HANDLE AddKernelObject(std::unique_ptr<KernelObject> object) {
    HandleTable& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    HANDLE handle = object.get();
    table.objects.emplace(handle, std::move(object));
    return handle;
}

KernelObject* FindKernelObject(HANDLE handle) {
    HandleTable& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    auto it = table.objects.find(handle);
    return it == table.objects.end() ? nullptr : it->second.get();
}

bool RemoveKernelObject(HANDLE handle) {
    std::unique_ptr<KernelObject> object;
    {
        HandleTable& table = Table();
        std::lock_guard<std::mutex> guard(table.lock);
        auto it = table.objects.find(handle);
        if (it == table.objects.end()) return false;
        object = std::move(it->second);
        table.objects.erase(it);
    }
    return true;  // the object is destroyed outside the lock
}

BOOL CloseHandle(HANDLE handle) {
    if (RemoveKernelObject(handle)) return TRUE;
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
}
