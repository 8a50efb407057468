// Raw file access on POSIX. Share modes are not enforced here: POSIX has no
// mandatory sharing, and the installer is the only writer of its files.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <string>
#include <vector>

#include "file.h"
#include "file_system.h"
#include "native_path.h"

namespace platform {

namespace {

inline int ToFd(HANDLE h) {
    return static_cast<int>(reinterpret_cast<intptr_t>(h));
}
inline HANDLE ToHandle(int fd) {
    return reinterpret_cast<HANDLE>(static_cast<intptr_t>(fd));
}

// The read-only attribute denies writing to everyone, root included, as on Windows.
bool IsReadOnlyFile(const std::string& native) {
    struct stat st;
    return stat(native.c_str(), &st) == 0 && S_ISREG(st.st_mode) && !(st.st_mode & S_IWUSR);
}

bool FailReadOnly() {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
}

// A valid descriptor opened without the needed access fails as Windows' handle would.
bool FailIo(HANDLE file) {
    if (errno == EBADF && fcntl(ToFd(file), F_GETFL) != -1) return FailReadOnly();
    return posix::FailWithErrno();
}

}  // namespace

HANDLE OpenFile(LPCTSTR path, UINT openFlags) {
    int flags = O_RDONLY;
    switch (openFlags & 3) {
        case CFile::modeWrite:
            flags = O_WRONLY;
            break;
        case CFile::modeReadWrite:
            flags = O_RDWR;
            break;
        default:
            break;
    }
    // Truncation waits until the file is known to be writable: opened by root, a
    // read-only file would otherwise lose its contents before it is refused.
    const bool truncate = (openFlags & CFile::modeCreate) && !(openFlags & CFile::modeNoTruncate);
    if (openFlags & CFile::modeCreate) flags |= O_CREAT;
    if (openFlags & CFile::modeNoInherit) flags |= O_CLOEXEC;
    std::string native = posix::NativePath(path);
    int fd;
    do {
        fd = open(native.c_str(), flags, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        posix::FailWithErrno(path);
        return INVALID_HANDLE_VALUE;
    }
    struct stat st;
    const bool known = fstat(fd, &st) == 0;
    bool refused = false;
    if (known) {
        // Windows opens no directories as files, and the read-only attribute denies
        // writing to everyone, root included.
        const bool writing = (openFlags & 3) != CFile::modeRead;
        refused =
            S_ISDIR(st.st_mode) || (writing && S_ISREG(st.st_mode) && !(st.st_mode & S_IWUSR));
    }
    if (refused) {
        close(fd);
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    if (truncate && (!known || st.st_size > 0) && ftruncate(fd, 0) != 0) {
        posix::FailWithErrno(path);
        close(fd);
        return INVALID_HANDLE_VALUE;
    }
    return ToHandle(fd);
}

bool ReadFileAt(HANDLE file, void* buffer, UINT count, ULONGLONG offset, UINT* read) {
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

bool WriteFileAt(HANDLE file, const void* buffer, UINT count, ULONGLONG offset) {
    const char* in = static_cast<const char*>(buffer);
    UINT done = 0;
    while (done < count) {
        ssize_t n =
            ::pwrite(ToFd(file), in + done, count - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            return FailIo(file);
        }
        if (n == 0) {
            SetLastError(ERROR_DISK_FULL);
            return false;
        }
        done += static_cast<UINT>(n);
    }
    return true;
}

bool GetFileLength(HANDLE file, ULONGLONG* length) {
    struct stat st;
    if (fstat(ToFd(file), &st) != 0) return posix::FailWithErrno();
    *length = static_cast<ULONGLONG>(st.st_size);
    return true;
}

bool FlushFile(HANDLE file) {
    return fsync(ToFd(file)) == 0 || posix::FailWithErrno();
}

bool CloseFile(HANDLE file) {
    // After EINTR the descriptor is gone on Linux; only EBADF and EIO are failures.
    if (close(ToFd(file)) != 0 && errno != EINTR) return posix::FailWithErrno();
    return true;
}

bool GetFullPath(LPCTSTR path, CString& fullPath) {
    std::string native = posix::NativePath(path);
    if (native.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    if (native[0] != '/') {
        std::vector<char> cwd(PATH_MAX);
        while (getcwd(cwd.data(), cwd.size()) == nullptr) {
            if (errno != ERANGE) return posix::FailWithErrno();
            cwd.resize(cwd.size() * 2);
        }
        native = std::string(cwd.data()) + "/" + native;
    }
    // Lexical clean-up as Windows does it: "." and empty parts go, ".." takes one back.
    std::vector<std::string> parts;
    size_t i = 0;
    while (i <= native.size()) {
        size_t j = native.find('/', i);
        if (j == std::string::npos) j = native.size();
        std::string part = native.substr(i, j - i);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        i = j + 1;
    }
    std::string out;
    for (const std::string& part : parts) out += "\\" + part;
    if (out.empty() || native.back() == '/') out += "\\";
    fullPath = out.c_str();
    return true;
}

namespace {

DWORD AttributesOf(const struct stat& st) {
    DWORD attributes = 0;
    if (S_ISDIR(st.st_mode)) attributes |= FILE_ATTRIBUTE_DIRECTORY;
    if (!(st.st_mode & S_IWUSR)) attributes |= FILE_ATTRIBUTE_READONLY;
    return attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL;
}

}  // namespace

bool GetPathStatus(LPCTSTR path, CFileStatus& status) {
    struct stat st;
    std::string native = posix::NativePath(path);
    // Mostly an existence test: the cheap error code will do, without a look at the parent.
    if (stat(native.c_str(), &st) != 0) return posix::FailWithErrno();
    // No creation time here: the last status change stands in for it.
    status.m_ctime = CTime(static_cast<CTime::time_type>(st.st_ctime));
    status.m_mtime = CTime(static_cast<CTime::time_type>(st.st_mtime));
    status.m_atime = CTime(static_cast<CTime::time_type>(st.st_atime));
    status.m_size = static_cast<ULONGLONG>(st.st_size);
    status.m_attribute = static_cast<BYTE>(AttributesOf(st));
    return true;
}

bool SetPathTimes(LPCTSTR path, const CFileStatus& status) {
    // The creation time cannot be set on POSIX and is left alone.
    struct timespec times[2];
    const CTime* sources[2] = {&status.m_atime, &status.m_mtime};
    for (int i = 0; i < 2; ++i) {
        times[i].tv_sec = static_cast<time_t>(sources[i]->GetTime());
        times[i].tv_nsec = sources[i]->GetTime() != 0 ? 0 : UTIME_OMIT;
    }
    std::string native = posix::NativePath(path);
    if (utimensat(AT_FDCWD, native.c_str(), times, 0) != 0) return posix::FailWithErrno(path);
    return true;
}

bool SetPathAttributes(LPCTSTR path, DWORD attributes) {
    std::string native = posix::NativePath(path);
    struct stat st;
    if (stat(native.c_str(), &st) != 0) return posix::FailWithErrno(path);
    mode_t mode = st.st_mode & 07777;
    if (attributes & FILE_ATTRIBUTE_READONLY) {
        mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
    } else {
        mode |= S_IWUSR;
    }
    if (mode != (st.st_mode & 07777) && chmod(native.c_str(), mode) != 0) {
        return posix::FailWithErrno(path);
    }
    return true;
}

DWORD GetPathAttributes(LPCTSTR path) {
    std::string native = posix::NativePath(path);
    struct stat st;
    if (stat(native.c_str(), &st) != 0) {
        posix::FailWithErrno(path);
        return INVALID_FILE_ATTRIBUTES;
    }
    return AttributesOf(st);
}

bool RenameFile(LPCTSTR oldPath, LPCTSTR newPath) {
    std::string from = posix::NativePath(oldPath);
    std::string to = posix::NativePath(newPath);
    if (IsReadOnlyFile(to)) return FailReadOnly();
    if (rename(from.c_str(), to.c_str()) != 0) return posix::FailWithErrno(oldPath);
    return true;
}

bool RemoveFile(LPCTSTR path) {
    std::string native = posix::NativePath(path);
    if (IsReadOnlyFile(native)) return FailReadOnly();
    if (unlink(native.c_str()) != 0) return posix::FailWithErrno(path);
    return true;
}

LONG LastError() {
    return static_cast<LONG>(GetLastError());
}

}  // namespace platform
