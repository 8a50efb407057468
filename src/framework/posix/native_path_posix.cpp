#include "native_path.h"

#include <sys/stat.h>

#include <cerrno>

#include "api_kernel.h"

namespace posix {

std::string NativePath(LPCSTR path) {
    std::string native = path != nullptr ? path : "";
    for (char& c : native) {
        if (c == '\\') c = '/';
    }
    return native;
}

namespace {

bool ParentIsDirectory(LPCSTR path) {
    std::string native = NativePath(path);
    while (!native.empty() && native.back() == '/') native.pop_back();
    size_t cut = native.rfind('/');
    if (cut == std::string::npos) return true;  // the current directory
    std::string parent = cut == 0 ? std::string("/") : native.substr(0, cut);
    struct stat st;
    return stat(parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

DWORD ErrnoToWin32(int error, LPCSTR path) {
    switch (error) {
        case 0:
            return ERROR_SUCCESS;
        case ENOENT:
            if (path == nullptr || *path == '\0') return ERROR_PATH_NOT_FOUND;
            return ParentIsDirectory(path) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
        case ENOTDIR:
        case ELOOP:
            return ERROR_PATH_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EISDIR:
            return ERROR_ACCESS_DENIED;
        case EROFS:
            return ERROR_WRITE_PROTECT;
        case EMFILE:
        case ENFILE:
            return ERROR_TOO_MANY_OPEN_FILES;
        case EBADF:
            return ERROR_INVALID_HANDLE;
        case ENOMEM:
            return ERROR_NOT_ENOUGH_MEMORY;
        case EEXIST:
            return ERROR_ALREADY_EXISTS;
        case ENOTEMPTY:
            return ERROR_DIR_NOT_EMPTY;
        case EXDEV:
            return ERROR_NOT_SAME_DEVICE;
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return ERROR_DISK_FULL;
        case ENAMETOOLONG:
            return ERROR_FILENAME_EXCED_RANGE;
        case EBUSY:
        case ETXTBSY:
            return ERROR_SHARING_VIOLATION;
        case EINVAL:
            return ERROR_INVALID_PARAMETER;
        case EIO:
            return ERROR_GEN_FAILURE;
        default:
            return ERROR_INVALID_FUNCTION;
    }
}

bool FailWithErrno(LPCSTR path) {
    SetLastError(ErrnoToWin32(errno, path));
    return false;
}

}  // namespace posix
