#include "confined_paths.h"

#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

namespace {

bool s_noOpenat2 = false;  // an old kernel, or one that filters the call

// openat() of rel below dirfd in one call, refusing a link anywhere on the way; -1 with
// errno when that fails for any reason, and the caller's walk decides.
int OpenBeneath(int dirfd, const char* rel, int flags, mode_t mode) {
    if (s_noOpenat2) return -1;
    open_how how{};
    how.flags = static_cast<uint64_t>(flags);
    how.mode = (flags & O_CREAT) != 0 ? mode : 0;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
    // EAGAIN: a rename raced the lookup. Tried again a few times only, so that a folder
    // swapped back and forth cannot keep this spinning.
    long fd;
    int tries = 0;
    do {
        fd = syscall(SYS_openat2, dirfd, rel, &how, sizeof how);
    } while (fd < 0 && (errno == EINTR || (errno == EAGAIN && ++tries < 4)));
    if (fd < 0 && (errno == ENOSYS || errno == EPERM)) s_noOpenat2 = true;
    return static_cast<int>(fd);
}

}  // namespace

ConfinedPaths::~ConfinedPaths() {
    Confine(std::string());
}

void ConfinedPaths::Drop(Cached& entry) {
    if (entry.fd >= 0) close(entry.fd);
    entry.fd = -1;
    entry.used = 0;
    entry.rel.clear();
}

bool ConfinedPaths::Confine(const std::string& root) {
    for (Cached& entry : m_entries) Drop(entry);
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
    // The deepest directory known on the way, the parent itself at best.
    Cached* from = nullptr;
    for (Cached& entry : m_entries) {
        if (entry.fd < 0 || entry.rel.size() > parent.size() ||
            parent.compare(0, entry.rel.size(), entry.rel) != 0 ||
            (entry.rel.size() < parent.size() && parent[entry.rel.size()] != '/')) {
            continue;
        }
        if (from == nullptr || entry.rel.size() > from->rel.size()) from = &entry;
    }
    if (from != nullptr && from->rel.size() == parent.size()) {
        from->used = ++m_clock;
        at->dir = from->fd;
        return true;
    }
    const int base = from != nullptr ? from->fd : m_rootFd;
    const size_t first = from != nullptr ? from->rel.size() + 1 : 0;
    // One call for the whole rest of the way; the walk below tells why it failed.
    int fd = OpenBeneath(base, parent.c_str() + first, O_PATH | O_DIRECTORY | O_CLOEXEC, 0);
    if (fd >= 0) {
        Remember(parent, fd);
        at->dir = fd;
        return true;
    }
    fd = base;
    for (size_t start = first; start <= parent.size();) {
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
            if (fd != base) close(fd);
            if (next < 0) {
                errno = error;
                return false;
            }
            fd = next;
        }
        start = end + 1;
    }
    if (fd == base) {  // the rest was empty components
        at->dir = fd;
        return true;
    }
    Remember(parent, fd);
    at->dir = fd;
    return true;
}

void ConfinedPaths::Remember(const std::string& rel, int fd) {
    Cached* victim = &m_entries[0];
    for (Cached& entry : m_entries) {
        if (entry.used < victim->used) victim = &entry;
    }
    Drop(*victim);
    *victim = Cached{rel, fd, ++m_clock};
}

int ConfinedPaths::OpenNoFollow(const std::string& native, int flags, mode_t mode) {
    if (m_rootFd >= 0 && native.compare(0, m_root.size(), m_root) == 0 &&
        native.size() > m_root.size()) {
        const int fd = OpenBeneath(m_rootFd, native.c_str() + m_root.size(), flags, mode);
        if (fd >= 0) return fd;
        // Anything else (a link on the way above all) is judged by the walk, as every
        // other call here is: its folders may be known already.
    }
    PathAt at;
    if (!Resolve(native, &at)) return -1;
    int fd;
    do {
        fd = openat(at.dir, at.name.c_str(), flags, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
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
