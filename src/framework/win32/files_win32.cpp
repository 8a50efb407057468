#include <vector>

#include "file.h"
#include "files_win32.h"

namespace {

// Windows refuses to write a read-only file by itself, except under Wine run as root,
// where the attribute is only a permission bit that root ignores; checked here so
// every host behaves like Windows.
bool IsReadOnlyFile(LPCTSTR path) {
    DWORD attributes = ::GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) ==
               FILE_ATTRIBUTE_READONLY;
}

FileError Ok(BOOL ok) {
    return ok ? FileError() : Win32Error();
}

inline HANDLE ToHandle(FileHandle file) {
    return reinterpret_cast<HANDLE>(file);
}

FileError Opened(HANDLE h, FileHandle* file) {
    if (h == INVALID_HANDLE_VALUE) return Win32Error();
    *file = reinterpret_cast<FileHandle>(h);
    return {};
}

}  // namespace

FileError Win32Error(DWORD error) {
    FileError::Kind kind = FileError::other;
    switch (error) {
        case ERROR_SUCCESS:
            return {};
        case ERROR_FILE_NOT_FOUND:
            kind = FileError::notFound;
            break;
        case ERROR_PATH_NOT_FOUND:
            kind = FileError::pathNotFound;
            break;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            kind = FileError::exists;
            break;
        case ERROR_ACCESS_DENIED:
        case ERROR_WRITE_PROTECT:
            kind = FileError::accessDenied;
            break;
        case ERROR_SHARING_VIOLATION:
            kind = FileError::inUse;
            break;
        case ERROR_LOCK_VIOLATION:
            kind = FileError::lockHeld;
            break;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            kind = FileError::diskFull;
            break;
        case ERROR_CANT_RESOLVE_FILENAME:
            kind = FileError::linkInTheWay;
            break;
        case ERROR_DIR_NOT_EMPTY:
            kind = FileError::notEmpty;
            break;
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
        case ERROR_FILENAME_EXCED_RANGE:
            kind = FileError::badName;
            break;
        default:
            break;
    }
    return {kind, static_cast<LONG>(error)};
}

FileError Win32Error() {
    return Win32Error(::GetLastError());
}

// Others may read the file, never write, delete or replace it, while it is open.
FileError Win32Files::OpenForReading(LPCTSTR path, FileHandle* file) {
    *file = kNoFile;
    if (const FileError error = CheckConfined(path)) return error;
    HANDLE h = ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    // Only files on disk are files here: no pipes or devices.
    if (h != INVALID_HANDLE_VALUE && ::GetFileType(h) != FILE_TYPE_DISK) {
        ::CloseHandle(h);
        return {FileError::accessDenied, ERROR_ACCESS_DENIED};
    }
    return Opened(h, file);
}

// The one open of a new file: its times and attributes are set through it too.
FileError Win32Files::CreateNew(LPCTSTR path, FileHandle* file) {
    *file = kNoFile;
    if (const FileError error = CheckConfined(path)) return error;
    SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, FALSE};
    return Opened(::CreateFileA(path, GENERIC_WRITE | FILE_WRITE_ATTRIBUTES, 0, &sa, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr),
                  file);
}

namespace {

OVERLAPPED At(ULONGLONG offset) {
    OVERLAPPED at = {};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return at;
}

}  // namespace

FileError Win32Files::ReadAt(FileHandle file, void* buffer, UINT count, ULONGLONG offset,
                             UINT* read) {
    *read = 0;
    BYTE* out = static_cast<BYTE*>(buffer);
    while (*read < count) {
        OVERLAPPED at = At(offset + *read);
        DWORD got = 0;
        if (!::ReadFile(ToHandle(file), out + *read, count - *read, &got, &at)) {
            // Reading at or past the end is not a failure, just nothing.
            if (::GetLastError() == ERROR_HANDLE_EOF) break;
            return Win32Error();
        }
        if (got == 0) break;
        *read += got;
    }
    return {};
}

FileError Win32Files::WriteAt(FileHandle file, const void* buffer, UINT count, ULONGLONG offset) {
    OVERLAPPED at = At(offset);
    DWORD written = 0;
    if (!::WriteFile(ToHandle(file), buffer, count, &written, &at)) return Win32Error();
    if (written != count) return Win32Error(ERROR_DISK_FULL);
    return {};
}

FileError Win32Files::GetLength(FileHandle file, ULONGLONG* length) {
    LARGE_INTEGER size;
    if (!::GetFileSizeEx(ToHandle(file), &size)) return Win32Error();
    *length = static_cast<ULONGLONG>(size.QuadPart);
    return {};
}

FileError Win32Files::SetLength(FileHandle file, ULONGLONG length) {
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(length);
    return Ok(::SetFilePointerEx(ToHandle(file), at, nullptr, FILE_BEGIN) &&
              ::SetEndOfFile(ToHandle(file)));
}

// The lock is the file opened without sharing: nobody else can open it, delete it or
// replace it while it is held, so it needs no lock range, and the holder marks it for
// deletion before it closes it. A waiter tries again every 50 ms.
FileError Win32Files::OpenLock(LPCTSTR path, FileHandle* file) {
    *file = kNoFile;
    if (const FileError error = CheckConfined(path)) return error;
    for (int pending = 0;; ::Sleep(50)) {
        HANDLE h =
            ::CreateFileA(path, GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, OPEN_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            const DWORD error = ::GetLastError();
            if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) {
                return {FileError::lockHeld, static_cast<LONG>(error)};  // another installer
            }
            // A file marked for deletion refuses access until its last handle closes, a
            // moment; a read-only one, or a folder that refuses us, for good.
            if (error == ERROR_ACCESS_DENIED && !IsReadOnlyFile(path) && ++pending < 40) continue;
            return Win32Error(error);
        }
        BY_HANDLE_FILE_INFORMATION info;
        if (!::GetFileInformationByHandle(h, &info) || info.nNumberOfLinks != 1 ||
            (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) !=
                0) {
            ::CloseHandle(h);
            return {FileError::accessDenied, ERROR_ACCESS_DENIED};
        }
        *file = reinterpret_cast<FileHandle>(h);
        return {};
    }
}

FileError Win32Files::CloseLock(FileHandle file, LPCTSTR, bool bRemove) {
    FILE_DISPOSITION_INFO disposition = {TRUE};
    const FileError removed =
        bRemove ? Ok(::SetFileInformationByHandle(ToHandle(file), FileDispositionInfo, &disposition,
                                                  sizeof disposition))
                : FileError();
    const FileError closed = Close(file);
    return removed ? removed : closed;
}

FileError Win32Files::Close(FileHandle file) {
    return Ok(::CloseHandle(ToHandle(file)));
}

FileError Win32Files::GetFullPath(LPCTSTR path, CString& fullPath) {
    DWORD needed = ::GetFullPathNameA(path, 0, nullptr, nullptr);
    if (needed == 0) return Win32Error();
    std::vector<char> buffer(needed + 1);
    DWORD n = ::GetFullPathNameA(path, static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    if (n == 0 || n >= buffer.size()) return Win32Error(ERROR_FILENAME_EXCED_RANGE);
    fullPath = CString(buffer.data(), static_cast<int>(n));
    return {};
}

namespace {

// FILETIME counts 100 ns from 1601; CTime counts seconds from 1970.
const LONGLONG kEpochDifference = 11644473600LL;

CTime FromFileTime(const FILETIME& ft) {
    LONGLONG ticks = (static_cast<LONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    if (ticks == 0) return CTime(0);
    return CTime(ticks / 10000000 - kEpochDifference);
}

FILETIME ToFileTime(CTime t) {
    ULONGLONG ticks = static_cast<ULONGLONG>((t.GetTime() + kEpochDifference) * 10000000LL);
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(ticks);
    ft.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return ft;
}

}  // namespace

FileError Win32Files::GetPathStatus(LPCTSTR path, CFileStatus& status) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return Win32Error();
    status.m_ctime = FromFileTime(data.ftCreationTime);
    status.m_mtime = FromFileTime(data.ftLastWriteTime);
    status.m_atime = FromFileTime(data.ftLastAccessTime);
    status.m_size = (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    status.m_attribute = static_cast<BYTE>(data.dwFileAttributes);
    return {};
}

FileError Win32Files::Stamp(FileHandle file, const CFileStatus& status, DWORD attributes) {
    // Zero leaves a time as it is; the attribute bits an archive can carry that a file
    // may have, and "normal" when none of them is set.
    const DWORD kSettable = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                            FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                            FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    FILE_BASIC_INFO info = {};
    const CTime* times[3] = {&status.m_ctime, &status.m_atime, &status.m_mtime};
    LARGE_INTEGER* fields[3] = {&info.CreationTime, &info.LastAccessTime, &info.LastWriteTime};
    for (int i = 0; i < 3; ++i) {
        if (times[i]->GetTime() == 0) continue;
        const FILETIME ft = ToFileTime(*times[i]);
        fields[i]->QuadPart = (static_cast<LONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    }
    info.FileAttributes =
        (attributes & kSettable) != 0 ? attributes & kSettable : FILE_ATTRIBUTE_NORMAL;
    return Ok(::SetFileInformationByHandle(ToHandle(file), FileBasicInfo, &info, sizeof info));
}

namespace {

// A directory cannot move while anyone holds a file in it open, as a virus scanner
// does for a moment with files just written: it is tried again for two seconds.
FileError Move(LPCTSTR oldPath, LPCTSTR newPath, DWORD flags) {
    for (int attempt = 0;; ++attempt) {
        if (::MoveFileExA(oldPath, newPath, flags)) return {};
        const DWORD error = ::GetLastError();
        const DWORD attributes = ::GetFileAttributesA(oldPath);
        if (attempt == 20 || (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) ||
            attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            return Win32Error(error);
        }
        ::Sleep(100);
    }
}

}  // namespace

FileError Win32Files::MoveBack(LPCTSTR oldPath, LPCTSTR newPath) {
    if (const FileError error = CheckConfined(oldPath)) return error;
    if (const FileError error = CheckConfined(newPath)) return error;
    if (IsReadOnlyFile(newPath)) return {FileError::accessDenied, ERROR_ACCESS_DENIED};
    Forget(oldPath);
    return Move(oldPath, newPath, MOVEFILE_REPLACE_EXISTING);
}

namespace {

bool IsReparsePoint(LPCTSTR path) {
    const DWORD attributes = ::GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

const FileError kLink = {FileError::linkInTheWay, ERROR_CANT_RESOLVE_FILENAME};

}  // namespace

// The check for a link and the move are two calls: a link swapped in between them
// would move (Win32 has no move by handle that refuses one).
FileError Win32Files::MoveNew(LPCTSTR oldPath, LPCTSTR newPath) {
    if (const FileError error = CheckConfined(oldPath)) return error;
    if (const FileError error = CheckConfined(newPath)) return error;
    if (IsReparsePoint(oldPath)) return kLink;
    Forget(oldPath);
    return Move(oldPath, newPath, 0);
}

FileError Win32Files::Replace(LPCTSTR newFile, LPCTSTR target) {
    if (const FileError error = CheckConfined(newFile)) return error;
    if (IsReparsePoint(newFile)) return kLink;
    return MoveBack(newFile, target);
}

FileError Win32Files::RemoveFile(LPCTSTR path) {
    if (const FileError error = CheckConfined(path)) return error;
    if (IsReadOnlyFile(path)) return {FileError::accessDenied, ERROR_ACCESS_DENIED};
    return Ok(::DeleteFileA(path));
}

// A second name would share the file's sharing: while another program holds it, the
// name could not be removed again. A move fails at once instead, changing nothing.
FileError Win32Files::SetAside(LPCTSTR target, LPCTSTR backup) {
    if (const FileError error = CheckConfined(target)) return error;
    if (const FileError error = CheckConfined(backup)) return error;
    return Ok(::MoveFileExA(target, backup, 0));
}

FileError Win32Files::MakeDirectory(LPCTSTR path) {
    if (const FileError error = CheckConfined(path)) return error;
    return Ok(::CreateDirectoryA(path, nullptr));
}

FileError Win32Files::RemoveEmptyDirectory(LPCTSTR path) {
    if (const FileError error = CheckConfined(path)) return error;
    Forget(path);
    return Ok(::RemoveDirectoryA(path));
}

namespace {

// No tree this program makes goes deeper.
constexpr int kMaxTreeDepth = 200;

// A directory that is a link (a junction or a symbolic link) is removed itself, not
// entered.
bool RemoveTreeAt(const CString& strPath, int depth) {
    const DWORD attributes = ::GetFileAttributesA(strPath);
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        // A link's attributes could reach what it points to: it goes as it is.
        if ((attributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_READONLY)) ==
            FILE_ATTRIBUTE_READONLY) {
            ::SetFileAttributesA(strPath, FILE_ATTRIBUTE_NORMAL);
        }
        return ::DeleteFileA(strPath) != FALSE;
    }
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        if (depth >= kMaxTreeDepth) return false;
        WIN32_FIND_DATAA data;
        HANDLE find = ::FindFirstFileA(strPath + "\\*", &data);
        if (find != INVALID_HANDLE_VALUE) {
            bool ok = true;
            do {
                const CString strName = data.cFileName;
                if (strName != "." && strName != "..") {
                    ok = RemoveTreeAt(strPath + "\\" + strName, depth + 1) && ok;
                }
            } while (::FindNextFileA(find, &data));
            ::FindClose(find);
            if (!ok) return false;
        }
    }
    return ::RemoveDirectoryA(strPath) != FALSE;
}

}  // namespace

FileError Win32Files::RemoveTree(LPCTSTR path) {
    if (const FileError error = CheckConfined(path)) return error;
    Forget(path);
    return Ok(RemoveTreeAt(path, 0));
}

FileError Win32Files::ListDirectory(LPCTSTR path, std::vector<std::string>& names) {
    names.clear();
    if (const FileError error = CheckConfined(path)) return error;
    if (IsReparsePoint(path)) return kLink;
    WIN32_FIND_DATAA data;
    HANDLE find = ::FindFirstFileA((CString(path) + "\\*"), &data);
    if (find == INVALID_HANDLE_VALUE) return Win32Error();
    do {
        const std::string name = data.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (::FindNextFileA(find, &data));
    ::FindClose(find);
    return {};
}

FileError Win32Files::GetAvailableSpace(LPCTSTR path, ULONGLONG* bytes) {
    ULARGE_INTEGER available;
    if (!::GetDiskFreeSpaceExA(path, &available, nullptr, nullptr)) return Win32Error();
    *bytes = available.QuadPart;
    return {};
}

FileError Win32Files::ReadWholeFile(LPCTSTR path, size_t limit, std::string& bytes) {
    bytes.clear();
    HANDLE h = ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return Win32Error();
    LARGE_INTEGER size;
    bool ok = ::GetFileType(h) == FILE_TYPE_DISK && ::GetFileSizeEx(h, &size) &&
              static_cast<ULONGLONG>(size.QuadPart) <= limit;
    if (ok) {
        bytes.resize(static_cast<size_t>(size.QuadPart));
        UINT got = 0;
        ok = !ReadAt(reinterpret_cast<FileHandle>(h), &bytes[0], static_cast<UINT>(bytes.size()), 0,
                     &got);
        bytes.resize(got);
    }
    ::CloseHandle(h);
    return ok ? FileError() : FileError::other;
}

// Windows has no open relative to a directory handle that refuses links on the way
// (short of the native API), so every directory below the root is looked at before
// a call: a junction swapped in between the look and the call is not caught.
void Win32Files::ConfineBelow(LPCTSTR root) {
    m_strRoot = root != nullptr && *root != '\0' ? CString(root) + "\\" : CString();
    m_strCheckedDir.Empty();
}

FileError Win32Files::CheckConfined(LPCTSTR path) {
    if (m_strRoot.IsEmpty() || strncmp(path, m_strRoot, m_strRoot.GetLength()) != 0) return {};
    const CString strPath = path;
    const int cut = strPath.ReverseFind('\\');
    if (cut < m_strRoot.GetLength()) return {};  // directly in the root
    const CString strDir = strPath.Left(cut);
    if (strDir == m_strCheckedDir) return {};
    for (int pos = m_strRoot.GetLength(); pos >= 0 && pos <= strDir.GetLength();) {
        int next = strDir.Find('\\', pos);
        if (next < 0) next = strDir.GetLength();
        if (next > pos) {
            const DWORD attributes = ::GetFileAttributesA(strDir.Left(next));
            if (attributes == INVALID_FILE_ATTRIBUTES) return {};  // the call itself tells
            if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return kLink;
        }
        pos = next + 1;
    }
    m_strCheckedDir = strDir;
    return {};
}

void Win32Files::Forget(LPCTSTR path) {
    const int length = static_cast<int>(strlen(path));
    if (strncmp(m_strCheckedDir, path, length) == 0 &&
        (m_strCheckedDir.GetLength() == length || m_strCheckedDir[length] == '\\')) {
        m_strCheckedDir.Empty();
    }
}

FileSystem& RealFileSystem() {
    static Win32Files files;
    return files;
}
