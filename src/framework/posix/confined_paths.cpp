#include "confined_paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

ConfinedPaths::~ConfinedPaths() {
    Confine(std::string());
}

void ConfinedPaths::Drop(Cached& entry) {
    if (entry.fd >= 0) close(entry.fd);
    entry.fd = -1;
    entry.rel.clear();
}

bool ConfinedPaths::Confine(const std::string& root) {
    Drop(m_entries[0]);
    Drop(m_entries[1]);
    if (m_rootFd >= 0) close(m_rootFd);
    m_rootFd = -1;
    m_root.clear();
    if (root.empty()) return true;
    m_rootFd = open(root.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (m_rootFd < 0) return false;
    m_root = root.back() == '/' ? root : root + "/";
    return true;
}

bool ConfinedPaths::Resolve(const std::string& native, PathAt* at) {
    at->dir = AT_FDCWD;
    at->name = native;
    at->rel.clear();
    if (m_rootFd < 0 || native.compare(0, m_root.size(), m_root) != 0) return true;
    at->rel = native.substr(m_root.size());
    const size_t cut = at->rel.rfind('/');
    at->name = cut == std::string::npos ? at->rel : at->rel.substr(cut + 1);
    if (at->name.empty()) at->name = ".";
    const std::string parent = cut == std::string::npos ? std::string() : at->rel.substr(0, cut);
    if (parent.empty()) {
        at->dir = m_rootFd;
        return true;
    }
    for (int i = 0; i < 2; ++i) {
        if (m_entries[i].fd >= 0 && m_entries[i].rel == parent) {
            m_recent = i;
            at->dir = m_entries[i].fd;
            return true;
        }
    }
    int fd = m_rootFd;
    for (size_t start = 0; start <= parent.size();) {
        size_t end = parent.find('/', start);
        if (end == std::string::npos) end = parent.size();
        if (end > start) {
            const std::string part = parent.substr(start, end - start);
            const int next =
                openat(fd, part.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            int error = errno;
            // O_PATH with O_NOFOLLOW takes a link as itself, which is no directory.
            struct stat st;
            if (next < 0 && error == ENOTDIR &&
                fstatat(fd, part.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode)) {
                error = ELOOP;
            }
            if (fd != m_rootFd) close(fd);
            if (next < 0) {
                errno = error;
                return false;
            }
            fd = next;
        }
        start = end + 1;
    }
    if (fd == m_rootFd) {  // a parent of empty components only
        at->dir = fd;
        return true;
    }
    m_recent = 1 - m_recent;  // the older entry goes
    Drop(m_entries[m_recent]);
    m_entries[m_recent] = Cached{parent, fd};
    at->dir = fd;
    return true;
}

void ConfinedPaths::Forget(const std::string& rel) {
    if (rel.empty()) return;
    for (Cached& entry : m_entries) {
        if (entry.fd >= 0 && entry.rel.compare(0, rel.size(), rel) == 0 &&
            (entry.rel.size() == rel.size() || entry.rel[rel.size()] == '/')) {
            Drop(entry);
        }
    }
}
