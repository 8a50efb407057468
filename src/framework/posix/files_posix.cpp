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

thread_local DWORD t_lastError = ERROR_SUCCESS;

inline int ToFd(HANDLE h) {
    return static_cast<int>(reinterpret_cast<intptr_t>(h));
}
inline HANDLE ToHandle(int fd) {
    return reinterpret_cast<HANDLE>(static_cast<intptr_t>(fd));
}

bool ParentIsDirectory(const std::string& native) {
    const size_t cut = native.find_last_of('/', native.find_last_not_of('/'));
    if (cut == std::string::npos) return true;  // the current directory
    struct stat st;
    return stat(cut == 0 ? "/" : native.substr(0, cut).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A missing entry is ERROR_PATH_NOT_FOUND when its directory is missing too, as on
// Windows.
DWORD ErrnoToWin32(int error, const std::string& native) {
    // clang-format off
    static const struct { int error; DWORD code; } kCodes[] = {
        {0, ERROR_SUCCESS}, {ENOTDIR, ERROR_PATH_NOT_FOUND}, {ELOOP, ERROR_CANT_RESOLVE_FILENAME},
        {EACCES, ERROR_ACCESS_DENIED}, {EPERM, ERROR_ACCESS_DENIED}, {EISDIR, ERROR_ACCESS_DENIED},
        {EROFS, ERROR_WRITE_PROTECT}, {EMFILE, ERROR_TOO_MANY_OPEN_FILES},
        {ENFILE, ERROR_TOO_MANY_OPEN_FILES}, {EBADF, ERROR_INVALID_HANDLE},
        {ENOMEM, ERROR_NOT_ENOUGH_MEMORY}, {EEXIST, ERROR_ALREADY_EXISTS},
        {ENOTEMPTY, ERROR_DIR_NOT_EMPTY}, {EXDEV, ERROR_NOT_SAME_DEVICE}, {ENOSPC, ERROR_DISK_FULL},
        {EDQUOT, ERROR_DISK_FULL}, {EFBIG, ERROR_DISK_FULL}, {ENAMETOOLONG, ERROR_FILENAME_EXCED_RANGE},
        {EBUSY, ERROR_SHARING_VIOLATION}, {ETXTBSY, ERROR_SHARING_VIOLATION},
        {EINVAL, ERROR_INVALID_PARAMETER}, {EIO, ERROR_GEN_FAILURE},
    };
    // clang-format on
    if (error == ENOENT) {
        return ParentIsDirectory(native) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
    }
    for (const auto& entry : kCodes) {
        if (entry.error == error) return entry.code;
    }
    return ERROR_INVALID_FUNCTION;
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
bool FailIo(HANDLE file) {
    if (errno == EBADF && fcntl(ToFd(file), F_GETFL) != -1) return FailWith(ERROR_ACCESS_DENIED);
    return FailWithErrno();
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

bool FailWith(DWORD error) {
    t_lastError = error;
    return false;
}

bool FailWithErrno(LPCTSTR path) {
    return FailWith(ErrnoToWin32(errno, NativePath(path)));
}

LONG PosixFiles::LastError() {
    return static_cast<LONG>(t_lastError);
}

HANDLE PosixFiles::OpenFile(LPCTSTR path, UINT openFlags) {
    // Non-blocking, so that a FIFO or device is refused at once instead of waiting.
    const UINT access = openFlags & 3;
    int flags = (access == CFile::modeWrite       ? O_WRONLY
                 : access == CFile::modeReadWrite ? O_RDWR
                                                  : O_RDONLY) |
                O_CLOEXEC | O_NONBLOCK;
    if (openFlags & CFile::modeCreate) flags |= O_CREAT;
    if (openFlags & CFile::modeCreateNew) flags |= O_CREAT | O_EXCL | O_NOFOLLOW;
    // Truncation waits until the file is known to be writable: opened by root, a
    // read-only file would otherwise lose its contents before it is refused.
    const bool truncate = (openFlags & CFile::modeCreate) && !(openFlags & CFile::modeNoTruncate);
    PathAt at;
    if (!m_paths.Resolve(NativePath(path), &at)) {
        FailWithErrno(path);
        return INVALID_HANDLE_VALUE;
    }
    int fd;
    do {
        fd = openat(at.dir, at.name.c_str(), flags, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        // As CREATE_NEW says it on Windows.
        if (errno == EEXIST && (openFlags & CFile::modeCreateNew))
            FailWith(ERROR_FILE_EXISTS);
        else
            FailWithErrno(path);
        return INVALID_HANDLE_VALUE;
    }
    // A file just made is known: regular, writable and empty.
    if (openFlags & CFile::modeCreateNew) return ToHandle(fd);
    struct stat st;
    const bool known = fstat(fd, &st) == 0;
    const bool writing = access != CFile::modeRead;
    // Only regular files are files here: no directories, pipes or devices.
    if (!known || !S_ISREG(st.st_mode) || (writing && IsReadOnly(st))) {
        close(fd);
        FailWith(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    if (truncate && st.st_size > 0 && ftruncate(fd, 0) != 0) {
        FailWithErrno();
        close(fd);
        return INVALID_HANDLE_VALUE;
    }
    return ToHandle(fd);
}

bool PosixFiles::ReadFileAt(HANDLE file, void* buffer, UINT count, ULONGLONG offset, UINT* read) {
    *read = 0;
    char* out = static_cast<char*>(buffer);
    while (*read < count) {
        ssize_t n =
            ::pread(ToFd(file), out + *read, count - *read, static_cast<off_t>(offset + *read));
        if (n < 0) {
            if (errno == EINTR) continue;
            return FailIo(file);
        }
        if (n == 0) break;
        *read += static_cast<UINT>(n);
    }
    return true;
}

bool PosixFiles::WriteFileAt(HANDLE file, const void* buffer, UINT count, ULONGLONG offset) {
    const char* in = static_cast<const char*>(buffer);
    UINT done = 0;
    while (done < count) {
        ssize_t n =
            ::pwrite(ToFd(file), in + done, count - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            return FailIo(file);
        }
        if (n == 0) return FailWith(ERROR_DISK_FULL);
        done += static_cast<UINT>(n);
    }
    return true;
}

bool PosixFiles::GetFileLength(HANDLE file, ULONGLONG* length) {
    struct stat st;
    if (fstat(ToFd(file), &st) != 0) return FailWithErrno();
    *length = static_cast<ULONGLONG>(st.st_size);
    return true;
}

bool PosixFiles::SetFileLength(HANDLE file, ULONGLONG length) {
    return ftruncate(ToFd(file), static_cast<off_t>(length)) == 0 || FailWithErrno();
}

// A file open for writing is writable, so only the read-only attribute changes its mode.
bool PosixFiles::SetFileStatus(HANDLE file, const CFileStatus& status, DWORD attributes) {
    struct timespec times[2];
    ToTimes(status, times);
    if (futimens(ToFd(file), times) != 0) return FailWithErrno();
    if (!(attributes & FILE_ATTRIBUTE_READONLY)) return true;
    struct stat st;
    if (fstat(ToFd(file), &st) != 0) return FailWithErrno();
    const mode_t mode = st.st_mode & 07777 & ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
    return fchmod(ToFd(file), mode) == 0 || FailWithErrno();
}

// The holder removes the lock file before it lets go: a waiter that then gets the lock
// of a removed (or replaced) file has no lock at all and tries again.
HANDLE PosixFiles::OpenLockFile(LPCTSTR path) {
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
            FailWith(ERROR_LOCK_VIOLATION);
            return INVALID_HANDLE_VALUE;
        }
        struct stat held, named;
        if (rc != 0 || fstat(fd, &held) != 0) {
            FailWithErrno(path);
            close(fd);
            return INVALID_HANDLE_VALUE;
        }
        const bool same = fstatat(at.dir, at.name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
                          named.st_dev == held.st_dev && named.st_ino == held.st_ino;
        if (!same) {
            close(fd);
            continue;
        }
        if (!S_ISREG(held.st_mode) || held.st_nlink != 1) {
            close(fd);
            FailWith(ERROR_ACCESS_DENIED);
            return INVALID_HANDLE_VALUE;
        }
        return ToHandle(fd);
    }
    FailWithErrno(path);
    return INVALID_HANDLE_VALUE;
}

bool PosixFiles::CloseLockFile(HANDLE file, LPCTSTR path, bool bRemove) {
    bool removed = true;
    if (bRemove) {
        PathAt at;
        struct stat held, named;
        // Only the file this lock is on: whatever else stands at the path is not ours.
        removed = (m_paths.Resolve(NativePath(path), &at) && fstat(ToFd(file), &held) == 0 &&
                   fstatat(at.dir, at.name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
                   named.st_ino == held.st_ino && named.st_dev == held.st_dev &&
                   unlinkat(at.dir, at.name.c_str(), 0) == 0) ||
                  FailWithErrno(path);
    }
    return CloseFile(file) && removed;
}

void PosixFiles::ConfineBelow(LPCTSTR root) {
    m_paths.Confine(root != nullptr ? NativePath(root) : std::string());
}

bool PosixFiles::CloseFile(HANDLE file) {
    // After EINTR the descriptor is gone on Linux; only EBADF and EIO are failures.
    if (close(ToFd(file)) != 0 && errno != EINTR) return FailWithErrno();
    return true;
}

bool PosixFiles::GetFullPath(LPCTSTR path, CString& fullPath) {
    std::string native = NativePath(path);
    if (native.empty()) return FailWith(ERROR_PATH_NOT_FOUND);
    if (native[0] != '/') {
        std::vector<char> cwd(PATH_MAX);
        while (getcwd(cwd.data(), cwd.size()) == nullptr) {
            if (errno != ERANGE) return FailWithErrno();
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
        return true;
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
    return true;
}

bool PosixFiles::GetPathStatus(LPCTSTR path, CFileStatus& status) {
    struct stat st;
    // Asked mostly whether anything is there: a missing entry needs no look at its
    // parent to tell which kind of missing it is.
    PathAt at;
    if (!m_paths.Resolve(NativePath(path), &at) ||
        fstatat(at.dir, at.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return FailWithErrno();
    }
    // No creation time here: the last status change stands in for it.
    status.m_ctime = CTime(static_cast<CTime::time_type>(st.st_ctime));
    status.m_mtime = CTime(static_cast<CTime::time_type>(st.st_mtime));
    status.m_atime = CTime(static_cast<CTime::time_type>(st.st_atime));
    status.m_size = static_cast<ULONGLONG>(st.st_size);
    status.m_attribute = static_cast<BYTE>(AttributesOf(st));
    return true;
}

bool PosixFiles::RenameFile(LPCTSTR oldPath, LPCTSTR newPath) {
    PathAt from, to;
    if (!m_paths.Resolve(NativePath(oldPath), &from) || !m_paths.Resolve(NativePath(newPath), &to))
        return FailWithErrno(oldPath);
    // Most targets are new: one call when nothing stands there.
    bool ok =
        renameat2(from.dir, from.name.c_str(), to.dir, to.name.c_str(), RENAME_NOREPLACE) == 0;
    if (!ok) {
        if (errno != EEXIST && errno != EINVAL && errno != ENOSYS) return FailWithErrno(oldPath);
        if (IsReadOnlyAt(to)) return FailWith(ERROR_ACCESS_DENIED);
        ok = renameat(from.dir, from.name.c_str(), to.dir, to.name.c_str()) == 0;
    }
    m_paths.Forget(from.rel);
    return ok || FailWithErrno(oldPath);
}

// Only what this program made moves: a link found at the source is not moved.
bool PosixFiles::MoveNew(LPCTSTR oldPath, LPCTSTR newPath) {
    PathAt from, to;
    struct stat st;
    if (!m_paths.Resolve(NativePath(oldPath), &from) ||
        !m_paths.Resolve(NativePath(newPath), &to) ||
        fstatat(from.dir, from.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return FailWithErrno(oldPath);
    }
    if (S_ISLNK(st.st_mode)) return FailWith(ERROR_CANT_RESOLVE_FILENAME);
    bool ok =
        renameat2(from.dir, from.name.c_str(), to.dir, to.name.c_str(), RENAME_NOREPLACE) == 0;
    if (!ok && (errno == EINVAL || errno == ENOSYS)) {  // a file system without the flag
        if (ExistsAt(to)) return FailWith(ERROR_ALREADY_EXISTS);
        ok = renameat(from.dir, from.name.c_str(), to.dir, to.name.c_str()) == 0;
    }
    if (S_ISDIR(st.st_mode)) m_paths.Forget(from.rel);
    return ok || FailWithErrno(oldPath);
}

// The replaced file's permission bits and owner carry over, less write permission
// when the new file is read-only; a link at the target is replaced, never followed,
// and a link at the source is not moved.
bool PosixFiles::MoveIntoPlace(LPCTSTR newFile, LPCTSTR target) {
    PathAt from, to;
    struct stat st, old;
    if (!m_paths.Resolve(NativePath(newFile), &from) || !m_paths.Resolve(NativePath(target), &to) ||
        fstatat(from.dir, from.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return FailWithErrno(newFile);
    }
    if (!S_ISREG(st.st_mode)) return FailWith(ERROR_CANT_RESOLVE_FILENAME);
    if (fstatat(to.dir, to.name.c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0) {
        if (S_ISDIR(old.st_mode) || IsReadOnly(old)) return FailWith(ERROR_ACCESS_DENIED);
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
                return FailWithErrno(newFile);
            }
        }
    }
    return renameat(from.dir, from.name.c_str(), to.dir, to.name.c_str()) == 0 ||
           FailWithErrno(newFile);
}

bool PosixFiles::RemoveFile(LPCTSTR path) {
    PathAt at;
    if (!m_paths.Resolve(NativePath(path), &at)) return FailWithErrno(path);
    if (IsReadOnlyAt(at)) return FailWith(ERROR_ACCESS_DENIED);
    return unlinkat(at.dir, at.name.c_str(), 0) == 0 || FailWithErrno(path);
}

// A second name, so that the target is never missing; where the file system has no
// second names (they say so in different words), the file moves aside instead.
bool PosixFiles::SetAside(LPCTSTR target, LPCTSTR backup) {
    PathAt from, to;
    if (!m_paths.Resolve(NativePath(target), &from) || !m_paths.Resolve(NativePath(backup), &to))
        return FailWithErrno(target);
    if (linkat(from.dir, from.name.c_str(), to.dir, to.name.c_str(), 0) == 0) return true;
    if (errno != EPERM && errno != EOPNOTSUPP && errno != EMLINK) return FailWithErrno(target);
    return renameat2(from.dir, from.name.c_str(), to.dir, to.name.c_str(), RENAME_NOREPLACE) == 0 ||
           FailWithErrno(target);
}

bool PosixFiles::MakeDirectory(LPCTSTR path) {
    PathAt at;
    return (m_paths.Resolve(NativePath(path), &at) &&
            mkdirat(at.dir, at.name.c_str(), 0777) == 0) ||
           FailWithErrno(path);
}

bool PosixFiles::RemoveEmptyDirectory(LPCTSTR path) {
    PathAt at;
    if (!m_paths.Resolve(NativePath(path), &at)) return FailWithErrno(path);
    m_paths.Forget(at.rel);
    return unlinkat(at.dir, at.name.c_str(), AT_REMOVEDIR) == 0 || FailWithErrno(path);
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

bool PosixFiles::RemoveTree(LPCTSTR path) {
    PathAt at;
    if (!m_paths.Resolve(NativePath(path), &at)) return FailWithErrno(path);
    m_paths.Forget(at.rel);
    const int fd = openat(at.dir, at.name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        // A link or a file stands there: only it goes.
        if (errno == ENOTDIR || errno == ELOOP)
            return unlinkat(at.dir, at.name.c_str(), 0) == 0 || FailWithErrno(path);
        return FailWithErrno(path);
    }
    return (EmptyDirectory(fd, 0) && unlinkat(at.dir, at.name.c_str(), AT_REMOVEDIR) == 0) ||
           FailWithErrno(path);
}

bool PosixFiles::ListDirectory(LPCTSTR path, std::vector<std::string>& names) {
    names.clear();
    PathAt at;
    if (!m_paths.Resolve(NativePath(path), &at)) return FailWithErrno(path);
    const int fd = openat(at.dir, at.name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    DIR* dir = fd >= 0 ? fdopendir(fd) : nullptr;
    if (dir == nullptr) {
        if (fd >= 0) close(fd);
        // A link says ENOTDIR here, as a file would: it is no missing folder.
        struct stat st;
        if (errno == ENOTDIR && fstatat(at.dir, at.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISLNK(st.st_mode)) {
            return FailWith(ERROR_CANT_RESOLVE_FILENAME);
        }
        return FailWithErrno(path);
    }
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    closedir(dir);
    return true;
}

bool PosixFiles::GetAvailableSpace(LPCTSTR path, ULONGLONG* bytes) {
    struct statvfs vfs;
    if (statvfs(NativePath(path).c_str(), &vfs) != 0) return FailWithErrno(path);
    *bytes = static_cast<ULONGLONG>(vfs.f_bavail) * vfs.f_frsize;
    return true;
}

bool PosixFiles::ReadWholeFile(LPCTSTR path, size_t limit, std::string& bytes) {
    bytes.clear();
    const int fd = open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return FailWithErrno(path);
    struct stat st;
    const bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
                    static_cast<unsigned long long>(st.st_size) <= limit;
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
    return ok || FailWith(ERROR_ACCESS_DENIED);
}

FileSystem& RealFileSystem() {
    static PosixFiles files;
    return files;
}
