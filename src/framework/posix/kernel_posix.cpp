// The Win32 kernel and runtime-library calls that the subsystems make on files.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "api_kernel.h"
#include "file_system.h"
#include "native_path.h"

namespace {
thread_local DWORD t_lastError = ERROR_SUCCESS;
}

DWORD GetLastError() {
    return t_lastError;
}

void SetLastError(DWORD error) {
    t_lastError = error;
}

// Answered with backslashes, so that callers cut it at the last backslash as on Windows.
DWORD GetModuleFileNameA(HMODULE, LPSTR buffer, DWORD size) {
    std::string path(4096, '\0');
    ssize_t n = readlink("/proc/self/exe", &path[0], path.size());
    if (n < 0) {
        posix::FailWithErrno();
        return 0;
    }
    path.resize(static_cast<size_t>(n));
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    if (buffer == nullptr || size == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (path.size() >= size) {
        std::memcpy(buffer, path.data(), size - 1);
        buffer[size - 1] = '\0';
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    std::memcpy(buffer, path.c_str(), path.size() + 1);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(path.size());
}

BOOL CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES) {
    std::string native = posix::NativePath(path);
    if (mkdir(native.c_str(), 0777) == 0) return TRUE;
    posix::FailWithErrno(path);  // EEXIST becomes ERROR_ALREADY_EXISTS
    return FALSE;
}

BOOL SetFileAttributesA(LPCSTR path, DWORD attributes) {
    return platform::SetPathAttributes(path, attributes) ? TRUE : FALSE;
}

DWORD GetFileAttributesA(LPCSTR path) {
    return platform::GetPathAttributes(path);
}

namespace {

// Copies [from, to) into out (when given), cut to size - 1 characters.
void CopyPart(const char* from, const char* to, char* out, size_t size) {
    if (out == nullptr) return;
    size_t n = static_cast<size_t>(to - from);
    if (n > size - 1) n = size - 1;
    std::memcpy(out, from, n);
    out[n] = '\0';
}

}  // namespace

void _splitpath(const char* path, char* drive, char* dir, char* fname, char* ext) {
    if (path == nullptr) path = "";
    const char* p = path;
    const char* end = path + std::strlen(path);
    if (p[0] != '\0' && p[1] == ':') {
        CopyPart(p, p + 2, drive, _MAX_DRIVE);
        p += 2;
    } else {
        CopyPart(p, p, drive, _MAX_DRIVE);
    }
    const char* lastSep = nullptr;
    const char* lastDot = nullptr;
    for (const char* q = p; q < end; ++q) {
        if (*q == '/' || *q == '\\') {
            lastSep = q;
            lastDot = nullptr;
        } else if (*q == '.') {
            lastDot = q;
        }
    }
    const char* nameStart = lastSep != nullptr ? lastSep + 1 : p;
    CopyPart(p, nameStart, dir, _MAX_DIR);
    const char* extStart = lastDot != nullptr ? lastDot : end;
    CopyPart(nameStart, extStart, fname, _MAX_FNAME);
    CopyPart(extStart, end, ext, _MAX_EXT);
}

int _mbscmp(const unsigned char* a, const unsigned char* b) {
    int c = std::strcmp(reinterpret_cast<const char*>(a), reinterpret_cast<const char*>(b));
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}
