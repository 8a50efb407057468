// Written-out data and one flush of the device. The flush is syncfs: it writes back
// whatever is still dirty on the file system, waits for all of it, commits the journal
// (every name changed) and empties the device's cache, on any file system. So the
// writeout only has to start each file's I/O early; it never waits for it.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "files_posix.h"

namespace {

inline int ToFd(FileHandle h) {
    return static_cast<int>(h);
}

// From this size on a file's writeout starts as soon as it is written.
constexpr off_t kLargeFile = 1 << 20;

}  // namespace

// Small files go out in batches, by the writeback thread's syncfs: starting each one's
// writeout here (sync_file_range) cost more than it saved on ext4, 0.4 s more for
// 20,000 small files. A large file's writeout started as it was written (see WriteAt);
// its rest starts now, and goes on while the next entries are staged.
FileError PosixFiles::WriteOut(FileHandle file) {
    if (Writeback::Off()) return {};
    const off_t size = lseek(ToFd(file), 0, SEEK_END);
    if (size < 0) return ErrnoError();
    if (size < kLargeFile) {
        m_writeback.NoteWritten(ToFd(file), static_cast<size_t>(size));
        return {};
    }
    m_writeback.StartRest(ToFd(file), size);
    return {};
}

FileError PosixFiles::FlushVolume(LPCTSTR path) {
    if (Writeback::Off()) return {};
    // What the second thread flushed, and whether it could.
    if (const int error = m_writeback.Finish()) {
        errno = error;
        return ErrnoError();
    }
    int fd;
    do {
        fd = open(NativePath(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    // The folder is missing: a path, as Windows names it.
    if (fd < 0)
        return errno == ENOENT ? FileError(FileError::pathNotFound, ENOENT) : ErrnoError(path);
#ifdef __linux__
    int rc = syncfs(fd);
    if (rc != 0 && errno == ENOSYS) {
        sync();  // waits on Linux, for every file system
        rc = 0;
    }
#else
    // Elsewhere the directory's own flush is the best there is for its names.
    int rc = fsync(fd);
#endif
    const FileError error = rc == 0 ? FileError() : ErrnoError();
    close(fd);
    return error;
}
