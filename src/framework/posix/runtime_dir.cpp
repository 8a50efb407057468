#include "runtime_dir.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

// A directory of ours that nobody else may write to; a symbolic link is refused.
bool IsPrivateDirectory(const char* path) {
    struct stat st;
    if (::lstat(path, &st) != 0) return false;
    return S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 022) == 0;
}

}  // namespace

bool GetRuntimeDirectory(std::string& dir) {
    const char* xdg = std::getenv("XDG_RUNTIME_DIR");
    if (xdg && xdg[0] == '/') {
        dir = xdg;
        return IsPrivateDirectory(xdg);
    }
    dir = "/tmp/tpx-" + std::to_string(::geteuid());
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return false;
    return IsPrivateDirectory(dir.c_str());
}

bool GetRuntimeNamePath(const char* name, const char* suffix, std::string& path) {
    if (!name) return false;
    for (const char* prefix : {"Global\\", "Local\\"}) {
        const size_t length = std::strlen(prefix);
        if (std::strncmp(name, prefix, length) == 0) {
            name += length;
            break;
        }
    }
    const size_t length = std::strlen(name);
    if (length == 0 || length > 200 || std::strpbrk(name, "/\\")) return false;
    if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) return false;
    if (!GetRuntimeDirectory(path)) return false;
    path += '/';
    path += name;
    path += suffix;
    return true;
}
