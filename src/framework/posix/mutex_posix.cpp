// Named mutexes as lock files: every process with a handle open holds a shared
// flock on <runtime dir>/<name>.mutex, and the kernel drops it when the process
// ends. Whether the name already existed is decided under an exclusive flock on
// <name>.mutex.guard, so two creators racing cannot both see it new.
#include <sys/file.h>
#include <fcntl.h>

#include <cerrno>
#include <memory>
#include <string>

#include "api_handoff.h"
#include "api_kernel.h"
#include "kernel_object.h"
#include "runtime_dir.h"
#include "scoped_fd.h"

namespace {

class MutexObject : public KernelObject {
  public:
    MutexObject(ScopedFd presence, bool owned) : m_presence(std::move(presence)), m_owned(owned) {}
    bool ReleaseOwnership() {
        const bool wasOwned = m_owned;
        m_owned = false;
        return wasOwned;
    }

  private:
    ScopedFd m_presence;  // holds the shared lock; closing it drops the lock
    bool m_owned;
};

int Flock(int fd, int operation) {
    int result;
    do {
        result = ::flock(fd, operation);
    } while (result != 0 && errno == EINTR);
    return result;
}

ScopedFd OpenLockFile(const std::string& path) {
    return ScopedFd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
}

}  // namespace

HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES, BOOL initialOwner, LPCSTR name) {
    if (!name) {
        SetLastError(ERROR_SUCCESS);
        return AddKernelObject(std::make_unique<MutexObject>(ScopedFd(), initialOwner != FALSE));
    }
    std::string path;
    if (!GetRuntimeNamePath(name, ".mutex", path)) {
        SetLastError(ERROR_INVALID_NAME);
        return nullptr;
    }
    ScopedFd guard = OpenLockFile(path + ".guard");
    ScopedFd presence = OpenLockFile(path);
    if (!guard.IsValid() || !presence.IsValid() || Flock(guard.Get(), LOCK_EX) != 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    // Free for an exclusive lock means nobody else holds the name. flock converts
    // in place, and the guard keeps other creators out meanwhile.
    const bool existed = Flock(presence.Get(), LOCK_EX | LOCK_NB) != 0;
    if (Flock(presence.Get(), LOCK_SH | LOCK_NB) != 0 && !existed) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    HANDLE handle = AddKernelObject(
        std::make_unique<MutexObject>(std::move(presence), initialOwner && !existed));
    SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

BOOL ReleaseMutex(HANDLE mutex) {
    MutexObject* object = FindKernelObjectOf<MutexObject>(mutex);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!object->ReleaseOwnership()) {
        SetLastError(ERROR_NOT_OWNER);
        return FALSE;
    }
    return TRUE;
}
