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

bool FailReadOnly() {
    ::SetLastError(ERROR_ACCESS_DENIED);
    return false;
}

}  // namespace

HANDLE Win32Files::OpenFile(LPCTSTR path, UINT openFlags) {
    DWORD access = GENERIC_READ;
    switch (openFlags & 3) {
        case CFile::modeWrite:
            access = GENERIC_WRITE;
            break;
        case CFile::modeReadWrite:
            access = GENERIC_READ | GENERIC_WRITE;
            break;
        default:
            break;
    }
    DWORD share = 0;  // shareCompat and shareExclusive
    switch (openFlags & 0x70) {
        case CFile::shareDenyWrite:
            share = FILE_SHARE_READ;
            break;
        case CFile::shareDenyRead:
            share = FILE_SHARE_WRITE;
            break;
        case CFile::shareDenyNone:
            share = FILE_SHARE_READ | FILE_SHARE_WRITE;
            break;
        default:
            break;
    }
    DWORD disposition = OPEN_EXISTING;
    if (openFlags & CFile::modeCreate) {
        disposition = (openFlags & CFile::modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;
    }
    if (openFlags & CFile::modeCreateNew) {
        // The one open of a new file: its times and attributes are set through it too.
        disposition = CREATE_NEW;
        access |= FILE_WRITE_ATTRIBUTES;
    }
    if (!CheckConfined(path)) return INVALID_HANDLE_VALUE;
    if ((openFlags & 3) != CFile::modeRead && IsReadOnlyFile(path)) {
        FailReadOnly();
        return INVALID_HANDLE_VALUE;
    }
    SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, (openFlags & CFile::modeNoInherit) == 0};
    HANDLE h = ::CreateFileA(path, access, share, &sa, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    // Only files on disk are files here: no pipes or devices.
    if (h != INVALID_HANDLE_VALUE && !(openFlags & CFile::modeCreateNew) &&
        ::GetFileType(h) != FILE_TYPE_DISK) {
        ::CloseHandle(h);
        FailReadOnly();
        return INVALID_HANDLE_VALUE;
    }
    return h;
}

namespace {

OVERLAPPED At(ULONGLONG offset) {
    OVERLAPPED at = {};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return at;
}

}  // namespace

bool Win32Files::ReadFileAt(HANDLE file, void* buffer, UINT count, ULONGLONG offset, UINT* read) {
    *read = 0;
    BYTE* out = static_cast<BYTE*>(buffer);
    while (*read < count) {
        OVERLAPPED at = At(offset + *read);
        DWORD got = 0;
        if (!::ReadFile(file, out + *read, count - *read, &got, &at)) {
            // Reading at or past the end is not a failure, just nothing.
            if (::GetLastError() == ERROR_HANDLE_EOF) break;
            return false;
        }
        if (got == 0) break;
        *read += got;
    }
    return true;
}

bool Win32Files::WriteFileAt(HANDLE file, const void* buffer, UINT count, ULONGLONG offset) {
    OVERLAPPED at = At(offset);
    DWORD written = 0;
    if (!::WriteFile(file, buffer, count, &written, &at)) return false;
    if (written != count) {
        ::SetLastError(ERROR_DISK_FULL);
        return false;
    }
    return true;
}

bool Win32Files::GetFileLength(HANDLE file, ULONGLONG* length) {
    LARGE_INTEGER size;
    if (!::GetFileSizeEx(file, &size)) return false;
    *length = static_cast<ULONGLONG>(size.QuadPart);
    return true;
}

bool Win32Files::SetFileLength(HANDLE file, ULONGLONG length) {
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(length);
    return ::SetFilePointerEx(file, at, nullptr, FILE_BEGIN) && ::SetEndOfFile(file);
}

// The lock is the file opened without sharing: nobody else can open it, delete it or
// replace it while it is held, so it needs no lock range, and the holder marks it for
// deletion before it closes it. A waiter tries again every 50 ms.
HANDLE Win32Files::OpenLockFile(LPCTSTR path) {
    if (!CheckConfined(path)) return INVALID_HANDLE_VALUE;
    for (int pending = 0;; ::Sleep(50)) {
        HANDLE h =
            ::CreateFileA(path, GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, OPEN_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            const DWORD error = ::GetLastError();
            if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) {
                ::SetLastError(ERROR_LOCK_VIOLATION);  // another installer holds it
                return h;
            }
            // A file marked for deletion refuses access until its last handle closes, a
            // moment; a read-only one, or a folder that refuses us, for good.
            if (error == ERROR_ACCESS_DENIED && !IsReadOnlyFile(path) && ++pending < 40) continue;
            ::SetLastError(error);
            return h;
        }
        BY_HANDLE_FILE_INFORMATION info;
        if (!::GetFileInformationByHandle(h, &info) || info.nNumberOfLinks != 1 ||
            (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) !=
                0) {
            ::CloseHandle(h);
            ::SetLastError(ERROR_ACCESS_DENIED);
            return INVALID_HANDLE_VALUE;
        }
        return h;
    }
}

bool Win32Files::CloseLockFile(HANDLE file, LPCTSTR, bool bRemove) {
    FILE_DISPOSITION_INFO disposition = {TRUE};
    const bool removed = !bRemove || ::SetFileInformationByHandle(file, FileDispositionInfo,
                                                                  &disposition, sizeof disposition);
    const DWORD error = ::GetLastError();
    const bool closed = ::CloseHandle(file) != FALSE;
    if (!removed) ::SetLastError(error);
    return removed && closed;
}

bool Win32Files::CloseFile(HANDLE file) {
    return ::CloseHandle(file) != FALSE;
}

bool Win32Files::GetFullPath(LPCTSTR path, CString& fullPath) {
    DWORD needed = ::GetFullPathNameA(path, 0, nullptr, nullptr);
    if (needed == 0) return false;
    std::vector<char> buffer(needed + 1);
    DWORD n = ::GetFullPathNameA(path, static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    if (n == 0 || n >= buffer.size()) return false;
    fullPath = CString(buffer.data(), static_cast<int>(n));
    return true;
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

bool Win32Files::GetPathStatus(LPCTSTR path, CFileStatus& status) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return false;
    status.m_ctime = FromFileTime(data.ftCreationTime);
    status.m_mtime = FromFileTime(data.ftLastWriteTime);
    status.m_atime = FromFileTime(data.ftLastAccessTime);
    status.m_size = (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    status.m_attribute = static_cast<BYTE>(data.dwFileAttributes);
    return true;
}

bool Win32Files::SetFileStatus(HANDLE file, const CFileStatus& status, DWORD attributes) {
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
    return ::SetFileInformationByHandle(file, FileBasicInfo, &info, sizeof info) != FALSE;
}

namespace {

// A directory cannot move while anyone holds a file in it open, as a virus scanner
// does for a moment with files just written: it is tried again for two seconds.
bool Move(LPCTSTR oldPath, LPCTSTR newPath, DWORD flags) {
    for (int attempt = 0;; ++attempt) {
        if (::MoveFileExA(oldPath, newPath, flags)) return true;
        const DWORD error = ::GetLastError();
        const DWORD attributes = ::GetFileAttributesA(oldPath);
        if (attempt == 20 || (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) ||
            attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            ::SetLastError(error);
            return false;
        }
        ::Sleep(100);
    }
}

}  // namespace

bool Win32Files::RenameFile(LPCTSTR oldPath, LPCTSTR newPath) {
    if (!CheckConfined(oldPath) || !CheckConfined(newPath)) return false;
    if (IsReadOnlyFile(newPath)) return FailReadOnly();
    Forget(oldPath);
    return Move(oldPath, newPath, MOVEFILE_REPLACE_EXISTING);
}

namespace {

bool IsReparsePoint(LPCTSTR path) {
    const DWORD attributes = ::GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

bool FailLink() {
    ::SetLastError(ERROR_CANT_RESOLVE_FILENAME);
    return false;
}

}  // namespace

// The check for a link and the move are two calls: a link swapped in between them
// would move (Win32 has no move by handle that refuses one).
bool Win32Files::MoveNew(LPCTSTR oldPath, LPCTSTR newPath) {
    if (!CheckConfined(oldPath) || !CheckConfined(newPath)) return false;
    if (IsReparsePoint(oldPath)) return FailLink();
    Forget(oldPath);
    return Move(oldPath, newPath, 0);
}

bool Win32Files::MoveIntoPlace(LPCTSTR newFile, LPCTSTR target) {
    if (!CheckConfined(newFile)) return false;
    if (IsReparsePoint(newFile)) return FailLink();
    return RenameFile(newFile, target);
}

bool Win32Files::RemoveFile(LPCTSTR path) {
    if (!CheckConfined(path)) return false;
    if (IsReadOnlyFile(path)) return FailReadOnly();
    return ::DeleteFileA(path) != FALSE;
}

// A second name would share the file's sharing: while another program holds it, the
// name could not be removed again. A move fails at once instead, changing nothing.
bool Win32Files::SetAside(LPCTSTR target, LPCTSTR backup) {
    if (!CheckConfined(target) || !CheckConfined(backup)) return false;
    return ::MoveFileExA(target, backup, 0) != FALSE;
}

LONG Win32Files::LastError() {
    return static_cast<LONG>(::GetLastError());
}

bool Win32Files::MakeDirectory(LPCTSTR path) {
    return CheckConfined(path) && ::CreateDirectoryA(path, nullptr) != FALSE;
}

bool Win32Files::RemoveEmptyDirectory(LPCTSTR path) {
    if (!CheckConfined(path)) return false;
    Forget(path);
    return ::RemoveDirectoryA(path) != FALSE;
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

bool Win32Files::RemoveTree(LPCTSTR path) {
    if (!CheckConfined(path)) return false;
    Forget(path);
    return RemoveTreeAt(path, 0);
}

bool Win32Files::ListDirectory(LPCTSTR path, std::vector<std::string>& names) {
    names.clear();
    if (!CheckConfined(path) || IsReparsePoint(path)) return FailLink();
    WIN32_FIND_DATAA data;
    HANDLE find = ::FindFirstFileA((CString(path) + "\\*"), &data);
    if (find == INVALID_HANDLE_VALUE) return false;
    do {
        const std::string name = data.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (::FindNextFileA(find, &data));
    ::FindClose(find);
    return true;
}

bool Win32Files::GetAvailableSpace(LPCTSTR path, ULONGLONG* bytes) {
    ULARGE_INTEGER available;
    if (!::GetDiskFreeSpaceExA(path, &available, nullptr, nullptr)) return false;
    *bytes = available.QuadPart;
    return true;
}

bool Win32Files::ReadWholeFile(LPCTSTR path, size_t limit, std::string& bytes) {
    bytes.clear();
    HANDLE h = ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size;
    bool ok = ::GetFileType(h) == FILE_TYPE_DISK && ::GetFileSizeEx(h, &size) &&
              static_cast<ULONGLONG>(size.QuadPart) <= limit;
    if (ok) {
        bytes.resize(static_cast<size_t>(size.QuadPart));
        UINT got = 0;
        ok = ReadFileAt(h, &bytes[0], static_cast<UINT>(bytes.size()), 0, &got);
        bytes.resize(got);
    }
    const DWORD error = ok ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
    ::CloseHandle(h);
    ::SetLastError(error);
    return ok;
}

// Windows has no open relative to a directory handle that refuses links on the way
// (short of the native API), so every directory below the root is looked at before
// a call: a junction swapped in between the look and the call is not caught.
void Win32Files::ConfineBelow(LPCTSTR root) {
    m_strRoot = root != nullptr && *root != '\0' ? CString(root) + "\\" : CString();
    m_strCheckedDir.Empty();
}

bool Win32Files::CheckConfined(LPCTSTR path) {
    if (m_strRoot.IsEmpty() || strncmp(path, m_strRoot, m_strRoot.GetLength()) != 0) return true;
    const CString strPath = path;
    const int cut = strPath.ReverseFind('\\');
    if (cut < m_strRoot.GetLength()) return true;  // directly in the root
    const CString strDir = strPath.Left(cut);
    if (strDir == m_strCheckedDir) return true;
    for (int pos = m_strRoot.GetLength(); pos >= 0 && pos <= strDir.GetLength();) {
        int next = strDir.Find('\\', pos);
        if (next < 0) next = strDir.GetLength();
        if (next > pos) {
            const DWORD attributes = ::GetFileAttributesA(strDir.Left(next));
            if (attributes == INVALID_FILE_ATTRIBUTES) return true;  // the call itself tells
            if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return FailLink();
        }
        pos = next + 1;
    }
    m_strCheckedDir = strDir;
    return true;
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
