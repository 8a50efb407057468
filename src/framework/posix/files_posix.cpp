// Files and directories through POSIX calls. Share modes are not enforced: POSIX has
// no mandatory sharing. The read-only attribute is the owner's write bit, and it
// denies writing, replacing and removing to everyone, root included, as on Windows.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <climits>
#include <cstring>
#include <vector>

#include "file.h"
#include "files_posix.h"

namespace {

inline int ToFd(FileHandle h) {
    return static_cast<int>(h);
}

bool ParentIsDirectory(const std::string& native) {
    const size_t cut = native.find_last_of('/', native.find_last_not_of('/'));
    if (cut == std::string::npos) return true;  // the current directory
    struct stat st;
    return stat(cut == 0 ? "/" : native.substr(0, cut).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The access and write times of a status as POSIX takes them; zero leaves one alone.
void ToTimes(const CFileStatus& status, struct timespec times[2]) {
    const CTime* sources[2] = {&status.m_atime, &status.m_mtime};
    for (int i = 0; i < 2; ++i) {
        times[i].tv_sec = static_cast<time_t>(sources[i]->GetTime());
        times[i].tv_nsec = sources[i]->GetTime() != 0 ? 0 : UTIME_OMIT;
    }
}

bool IsReadOnly(const struct stat& st) {
    return S_ISREG(st.st_mode) && !(st.st_mode & S_IWUSR);
}

bool IsReadOnlyAt(const PathAt& at) {
    struct stat st;
    return fstatat(at.dir, at.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && IsReadOnly(st);
}

bool ExistsAt(const PathAt& at) {
    struct stat st;
    return fstatat(at.dir, at.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

// A valid descriptor opened without the needed access fails as Windows' handle would.
FileError IoError(FileHandle file) {
    if (errno == EBADF && fcntl(ToFd(file), F_GETFL) != -1) return {FileError::accessDenied, EBADF};
    return ErrnoError();
}

FileError Ok(bool ok, LPCTSTR path = nullptr) {
    return ok ? FileError() : ErrnoError(path);
}

DWORD AttributesOf(const struct stat& st) {
    DWORD attributes = 0;
    if (S_ISDIR(st.st_mode)) attributes |= FILE_ATTRIBUTE_DIRECTORY;
    if (!(st.st_mode & S_IWUSR)) attributes |= FILE_ATTRIBUTE_READONLY;
    return attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL;
}

}  // namespace

std::string NativePath(LPCTSTR path) {
    std::string native = path != nullptr ? path : "";
    for (char& c : native) {
        if (c == '\\') c = '/';
    }
    return native;
}

// A missing entry is `pathNotFound` when its folder is missing too, as on Windows.
FileError ErrnoError(LPCTSTR path) {
    const int error = errno;
    // clang-format off
    static const struct { int error; FileError::Kind kind; } kKinds[] = {
        {ENOTDIR, FileError::pathNotFound}, {ELOOP, FileError::linkInTheWay},
        {EACCES, FileError::accessDenied}, {EPERM, FileError::accessDenied},
        {EISDIR, FileError::accessDenied}, {EROFS, FileError::accessDenied},
        {EEXIST, FileError::exists}, {ENOTEMPTY, FileError::notEmpty},
        {ENOSPC, FileError::diskFull}, {EDQUOT, FileError::diskFull}, {EFBIG, FileError::diskFull},
        {ENAMETOOLONG, FileError::badName}, {EBUSY, FileError::inUse}, {ETXTBSY, FileError::inUse},
    };
    // clang-format on
    if (error == ENOENT) {
        const bool parent = path == nullptr || ParentIsDirectory(NativePath(path));
        return {parent ? FileError::notFound : FileError::pathNotFound, error};
    }
    for (const auto& entry : kKinds) {
        if (entry.error == error) return {entry.kind, error};
    }
    return {FileError::other, error};
}

namespace {

// Non-blocking, so that a FIFO or device is refused at once instead of waiting.
constexpr int kOpenFlags = O_CLOEXEC | O_NONBLOCK;

}  // namespace

FileError PosixFiles::OpenForReading(LPCTSTR path, FileHandle* file) {
    *file = kNoFile;
    PathAt at;
    if (!m_paths.Resolve(NativePath(path), &at)) return ErrnoError(path);
    int fd;
    do {
        fd = openat(at.dir, at.name.c_str(), O_RDONLY | kOpenFlags);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return ErrnoError(path);
    // Only regular files are files here: no directories, pipes or devices.
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return FileError::accessDenied;
    }
    *file = fd;
    return {};
}

FileError PosixFiles::CreateNew(LPCTSTR path, FileHandle* file) {
    *file = kNoFile;
    const int fd = m_paths.OpenNoFollow(
        NativePath(path), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | kOpenFlags, 0666);
    if (fd < 0) return ErrnoError(path);
    *file = fd;
    return {};
}

FileError PosixFiles::ReadAt(FileHandle file, void* buffer, UINT count, ULONGLONG offset,
                             UINT* read) {
    *read = 0;
    char* out = static_cast<char*>(buffer);
    while (*read < count) {
        ssize_t n =
            ::pread(ToFd(file), out + *read, count - *read, static_cast<off_t>(offset + *read));
        if (n < 0) {
            if (errno == EINTR) continue;
            return IoError(file);
        }
        if (n == 0) break;
        *read += static_cast<UINT>(n);
    }
    return {};
}

FileError PosixFiles::WriteAt(FileHandle file, const void* buffer, UINT count, ULONGLONG offset) {
    const char* in = static_cast<const char*>(buffer);
    UINT done = 0;
    while (done < count) {
        ssize_t n =
            ::pwrite(ToFd(file), in + done, count - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            return IoError(file);
        }
        if (n == 0) return {FileError::diskFull, ENOSPC};
        done += static_cast<UINT>(n);
    }
    m_writeback.NoteProgress(ToFd(file), static_cast<off_t>(offset + count));
    return {};
}

FileError PosixFiles::GetLength(FileHandle file, ULONGLONG* length) {
    struct stat st;
    if (fstat(ToFd(file), &st) != 0) return ErrnoError();
    *length = static_cast<ULONGLONG>(st.st_size);
    return {};
}

FileError PosixFiles::SetLength(FileHandle file, ULONGLONG length) {
    return Ok(ftruncate(ToFd(file), static_cast<off_t>(length)) == 0);
}

// A file open for writing is writable, so only the read-only attribute changes its mode.
FileError PosixFiles::Stamp(FileHandle file, const CFileStatus& status, DWORD attributes) {
    struct timespec times[2];
    ToTimes(status, times);
    if (futimens(ToFd(file), times) != 0) return ErrnoError();
    if (!(attributes & FILE_ATTRIBUTE_READONLY)) return {};
    struct stat st;
    if (fstat(ToFd(file), &st) != 0) return ErrnoError();
    const mode_t mode = st.st_mode & 07777 & ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
    return Ok(fchmod(ToFd(file), mode) == 0);
}

// The holder removes the lock file before it lets go: a waiter that then gets the lock
// of a removed (or replaced) file has no lock at all and tries again.
FileError PosixFiles::OpenLock(LPCTSTR path, FileHandle* file) {
    *file = kNoFile;
    for (;;) {
        PathAt at;
        if (!m_paths.Resolve(NativePath(path), &at)) break;
        const int fd = openat(at.dir, at.name.c_str(),
                              O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0666);
        if (fd < 0) break;
        int rc;
        do {
            rc = flock(fd, LOCK_EX | LOCK_NB);
        } while (rc != 0 && errno == EINTR);
        if (rc != 0 && errno == EWOULDBLOCK) {
            close(fd);
            return {FileError::lockHeld, EWOULDBLOCK};
        }
        struct stat held, named;
        if (rc != 0 || fstat(fd, &held) != 0) {
            const FileError error = ErrnoError(path);
            close(fd);
            return error;
        }
        const bool same = fstatat(at.dir, at.name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
                          named.st_dev == held.st_dev && named.st_ino == held.st_ino;
        if (!same) {
            close(fd);
            continue;
        }
        if (!S_ISREG(held.st_mode) || held.st_nlink != 1) {
            close(fd);
            return FileError::accessDenied;
        }
        *file = fd;
        return {};
    }
    return ErrnoError(path);
}

FileError PosixFiles::CloseLock(FileHandle file, LPCTSTR path, bool bRemove) {
    FileError removed;
    if (bRemove) {
        PathAt at;
        struct stat held, named;
        // Only the file this lock is on: whatever else stands at the path is not ours.
        removed = Ok(m_paths.Resolve(NativePath(path), &at) && fstat(ToFd(file), &held) == 0 &&
                         fstatat(at.dir, at.name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
                         named.st_ino == held.st_ino && named.st_dev == held.st_dev &&
                         unlinkat(at.dir, at.name.c_str(), 0) == 0,
                     path);
    }
    const FileError closed = Close(file);
    return removed ? removed : closed;
}

// Confined for the span of an installation: so long its writes are flushed as they go.
void PosixFiles::ConfineBelow(LPCTSTR root) {
    m_paths.Confine(root != nullptr ? NativePath(root) : std::string());
    if (root != nullptr && *root != '\0') {
        m_writeback.Begin();
    } else {
        m_writeback.Finish();
    }
}

FileError PosixFiles::Close(FileHandle file) {
    // After EINTR the descriptor is gone on Linux; only EBADF and EIO are failures.
    if (close(ToFd(file)) != 0 && errno != EINTR) return ErrnoError();
    return {};
}

FileError PosixFiles::GetFullPath(LPCTSTR path, CString& fullPath) {
    std::string native = NativePath(path);
    if (native.empty()) return FileError::pathNotFound;
    if (native[0] != '/') {
        std::vector<char> cwd(PATH_MAX);
        while (getcwd(cwd.data(), cwd.size()) == nullptr) {
            if (errno != ERANGE) return ErrnoError();
            cwd.resize(cwd.size() * 2);
        }
        native = std::string(cwd.data()) + "/" + native;
    }
    if (native.find("/.") == std::string::npos && native.find("//") == std::string::npos &&
        native.back() != '/') {
        for (char& c : native) {
            if (c == '/') c = '\\';
        }
        fullPath = native.c_str();
        return {};
    }
    // Lexical clean-up as Windows does it: "." and empty parts go, ".." takes one back.
    std::string out;
    for (size_t i = 0; i <= native.size();) {
        size_t j = native.find('/', i);
        if (j == std::string::npos) j = native.size();
        const std::string part = native.substr(i, j - i);
        if (part == "..") {
            out.erase(out.empty() ? 0 : out.rfind('\\'));
        } else if (!part.empty() && part != ".") {
            out += "\\" + part;
        }
        i = j + 1;
    }
    if (out.empty() || native.back() == '/') out += "\\";
    fullPath = out.c_str();
    return {};
}

FileError PosixFiles::GetPathStatus(LPCTSTR path, CFileStatus& status) {
    struct stat st;
    // Asked mostly whether anything is there: a missing entry needs no look at its
    // parent to tell which kind of missing it is.
    PathAt at;
    if (!m_paths.Resolve(NativePath(path), &at) ||
        fstatat(at.dir, at.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return ErrnoError();
    }
    // No creation time here: the last status change stands in for it.
    status.m_ctime = CTime(static_cast<CTime::time_type>(st.st_ctime));
    status.m_mtime = CTime(static_cast<CTime::time_type>(st.st_mtime));
    status.m_atime = CTime(static_cast<CTime::time_type>(st.st_atime));
    status.m_size = static_cast<ULONGLONG>(st.st_size);
    status.m_attribute = static_cast<BYTE>(AttributesOf(st));
    return {};
}

FileError PosixFiles::MoveBack(LPCTSTR oldPath, LPCTSTR newPath) {
    PathAt from, to;
    if (!m_paths.Resolve(NativePath(oldPath), &from) || !m_paths.Resolve(NativePath(newPath), &to))
        return ErrnoError(oldPath);
    // Most targets are new: one call when nothing stands there.
    bool ok =
        renameat2(from.dir, from.name.c_str(), to.dir, to.name.c_str(), RENAME_NOREPLACE) == 0;
    if (!ok) {
        if (errno != EEXIST && errno != EINVAL && errno != ENOSYS) return ErrnoError(oldPath);
        if (IsReadOnlyAt(to)) return FileError::accessDenied;
        ok = renameat(from.dir, from.name.c_str(), to.dir, to.name.c_str()) == 0;
    }
    m_paths.Forget(from.rel);
    return Ok(ok, oldPath);
}

// Only what this program made moves: a link found at the source is not moved.
FileError PosixFiles::MoveNew(LPCTSTR oldPath, LPCTSTR newPath) {
    PathAt from, to;
    struct stat st;
    if (!m_paths.Resolve(NativePath(oldPath), &from) ||
        !m_paths.Resolve(NativePath(newPath), &to) ||
        fstatat(from.dir, from.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return ErrnoError(oldPath);
    }
    if (S_ISLNK(st.st_mode)) return FileError::linkInTheWay;
    bool ok =
        renameat2(from.dir, from.name.c_str(), to.dir, to.name.c_str(), RENAME_NOREPLACE) == 0;
    if (!ok && (errno == EINVAL || errno == ENOSYS)) {  // a file system without the flag
        if (ExistsAt(to)) return FileError::exists;
        ok = renameat(from.dir, from.name.c_str(), to.dir, to.name.c_str()) == 0;
    }
    if (S_ISDIR(st.st_mode)) m_paths.Forget(from.rel);
    return Ok(ok, oldPath);
}

// The replaced file's permission bits and owner carry over, less write permission
// when the new file is read-only; a link at the target is replaced, never followed,
// and a link at the source is not moved.
FileError PosixFiles::Replace(LPCTSTR newFile, LPCTSTR target) {
    PathAt from, to;
    struct stat st, old;
    if (!m_paths.Resolve(NativePath(newFile), &from) || !m_paths.Resolve(NativePath(target), &to) ||
        fstatat(from.dir, from.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return ErrnoError(newFile);
    }
    if (!S_ISREG(st.st_mode)) return FileError::linkInTheWay;
    if (fstatat(to.dir, to.name.c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0) {
        if (S_ISDIR(old.st_mode) || IsReadOnly(old)) return FileError::accessDenied;
        if (S_ISREG(old.st_mode)) {
            mode_t mode = old.st_mode & 07777;
            if (!(st.st_mode & S_IWUSR)) mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
            // Not the owner's to give away: then the file stays ours, as a copy would.
            if ((st.st_uid != old.st_uid || st.st_gid != old.st_gid) &&
                fchownat(from.dir, from.name.c_str(), old.st_uid, old.st_gid,
                         AT_SYMLINK_NOFOLLOW) != 0) {
                mode &= ~static_cast<mode_t>(S_ISUID | S_ISGID);
            }
            if (mode != (st.st_mode & 07777) &&
                fchmodat(from.dir, from.name.c_str(), mode, 0) != 0) {
                return ErrnoError(newFile);
            }
        }
    }
    return Ok(renameat(from.dir, from.name.c_str(), to.dir, to.name.c_str()) == 0, newFile);
}

FileError PosixFiles::RemoveFile(LPCTSTR path) {
    PathAt at;
    if (!m_paths.Resolve(NativePath(path), &at)) return ErrnoError(path);
    if (IsReadOnlyAt(at)) return FileError::accessDenied;
    return Ok(unlinkat(at.dir, at.name.c_str(), 0) == 0, path);
}

// A second name, so that the target is never missing; where the file system has no
// second names (they say so in different words), the file moves aside instead.
FileError PosixFiles::SetAside(LPCTSTR target, LPCTSTR backup) {
    PathAt from, to;
    if (!m_paths.Resolve(NativePath(target), &from) || !m_paths.Resolve(NativePath(backup), &to))
        return ErrnoError(target);
    if (linkat(from.dir, from.name.c_str(), to.dir, to.name.c_str(), 0) == 0) return {};
    if (errno != EPERM && errno != EOPNOTSUPP && errno != EMLINK) return ErrnoError(target);
    return Ok(
        renameat2(from.dir, from.name.c_str(), to.dir, to.name.c_str(), RENAME_NOREPLACE) == 0,
        target);
}

FileError PosixFiles::MakeDirectory(LPCTSTR path) {
    PathAt at;
    return Ok(m_paths.Resolve(NativePath(path), &at) && mkdirat(at.dir, at.name.c_str(), 0777) == 0,
              path);
}

FileError PosixFiles::RemoveEmptyDirectory(LPCTSTR path) {
    PathAt at;
    if (!m_paths.Resolve(NativePath(path), &at)) return ErrnoError(path);
    m_paths.Forget(at.rel);
    return Ok(unlinkat(at.dir, at.name.c_str(), AT_REMOVEDIR) == 0, path);
}

namespace {

// Empties the directory open as fd (which this takes over) through calls relative to
// it, so that a link swapped in anywhere below is removed, never followed. Deeper than
// kMaxTreeDepth nothing is removed: no tree this program makes goes that deep.
constexpr int kMaxTreeDepth = 200;

bool EmptyDirectory(int fd, int depth) {
    DIR* dir = fdopendir(fd);
    if (dir == nullptr) {
        close(fd);
        return false;
    }
    bool ok = depth < kMaxTreeDepth;
    while (ok) {
        errno = 0;
        const dirent* entry = readdir(dir);
        if (entry == nullptr) {
            ok = errno == 0;
            break;
        }
        const char* name = entry->d_name;
        if (strcmp(name, ".") == 0 || strcmp(name, "..") == 0) continue;
        if (unlinkat(fd, name, 0) == 0) continue;
        if (errno != EISDIR && errno != EPERM) {
            ok = false;
            break;
        }
        const int child = openat(fd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        ok =
            child >= 0 && EmptyDirectory(child, depth + 1) && unlinkat(fd, name, AT_REMOVEDIR) == 0;
    }
    const int error = errno;
    closedir(dir);
    errno = error;
    return ok;
}

}  // namespace

FileError PosixFiles::RemoveTree(LPCTSTR path) {
    PathAt at;
    if (!m_paths.Resolve(NativePath(path), &at)) return ErrnoError(path);
    m_paths.Forget(at.rel);
    const int fd = openat(at.dir, at.name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        // A link or a file stands there: only it goes.
        if (errno == ENOTDIR || errno == ELOOP)
            return Ok(unlinkat(at.dir, at.name.c_str(), 0) == 0, path);
        return ErrnoError(path);
    }
    return Ok(EmptyDirectory(fd, 0) && unlinkat(at.dir, at.name.c_str(), AT_REMOVEDIR) == 0, path);
}

FileError PosixFiles::ListDirectory(LPCTSTR path, std::vector<std::string>& names) {
    names.clear();
    PathAt at;
    if (!m_paths.Resolve(NativePath(path), &at)) return ErrnoError(path);
    const int fd = openat(at.dir, at.name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    DIR* dir = fd >= 0 ? fdopendir(fd) : nullptr;
    if (dir == nullptr) {
        if (fd >= 0) close(fd);
        // A link says ENOTDIR here, as a file would: it is no missing folder.
        struct stat st;
        if (errno == ENOTDIR && fstatat(at.dir, at.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISLNK(st.st_mode)) {
            return {FileError::linkInTheWay, ENOTDIR};
        }
        return ErrnoError(path);
    }
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    closedir(dir);
    return {};
}

FileError PosixFiles::GetAvailableSpace(LPCTSTR path, ULONGLONG* bytes) {
    struct statvfs vfs;
    if (statvfs(NativePath(path).c_str(), &vfs) != 0) return ErrnoError(path);
    *bytes = static_cast<ULONGLONG>(vfs.f_bavail) * vfs.f_frsize;
    return {};
}

FileError PosixFiles::ReadWholeFile(LPCTSTR path, size_t limit, std::string& bytes) {
    bytes.clear();
    const int fd = open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return ErrnoError(path);
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return {FileError::accessDenied, EISDIR};  // a folder, pipe or device is no file
    }
    const bool ok = static_cast<unsigned long long>(st.st_size) <= limit;
    if (ok) {
        bytes.resize(static_cast<size_t>(st.st_size));
        size_t got = 0;
        while (got < bytes.size()) {
            const ssize_t n = ::read(fd, &bytes[got], bytes.size() - got);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            got += static_cast<size_t>(n);
        }
        bytes.resize(got);
    }
    close(fd);
    return ok ? FileError() : FileError::other;
}

FileSystem& RealFileSystem() {
    static PosixFiles files;
    return files;
}
