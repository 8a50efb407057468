// Paths below one folder reached from that folder's descriptor, one component at a
// time and never through a link, so that a folder swapped for a link while the
// installer works cannot send its writes elsewhere. Paths outside the folder resolve
// as the system resolves them.
#pragma once

#include <fcntl.h>

#include <cstdint>
#include <string>

// A directory descriptor and a name in it, for the *at() calls.
struct PathAt {
    int dir = AT_FDCWD;
    std::string name;  // the whole path when dir is AT_FDCWD
    std::string rel;   // the path below the root ("" outside it)
};

class ConfinedPaths {
  public:
    ConfinedPaths() = default;
    ~ConfinedPaths();
    ConfinedPaths(const ConfinedPaths&) = delete;
    ConfinedPaths& operator=(const ConfinedPaths&) = delete;

    // `root` (a native path) is opened as it stands, links and all: it is the user's
    // to place. Empty ends the confinement. False with errno when it cannot be opened.
    bool Confine(const std::string& root);
    // Where `native` is for an *at() call; false with errno when a directory on the
    // way below the root is missing or not a directory (a link: ELOOP).
    bool Resolve(const std::string& native, PathAt* at);
    // openat() of `native` with flags that include O_NOFOLLOW, below the root in one
    // call when no link is on the way, instead of a walk per folder. A descriptor, or
    // -1 with errno.
    int OpenNoFollow(const std::string& native, int flags, mode_t mode);
    // A directory below the root moved or went: descriptors kept for it are dropped.
    void Forget(const std::string& rel);

  private:
    // The directories walked to last and their descriptors: a walk starts from the
    // deepest one on its way. Two calls in a row never push out each other's (a rename
    // needs both).
    static constexpr int kCached = 8;
    struct Cached {
        std::string rel;
        int fd = -1;
        uint64_t used = 0;
    };
    void Drop(Cached& entry);
    void Remember(const std::string& rel, int fd);

    std::string m_root;  // with its trailing slash
    int m_rootFd = -1;
    Cached m_entries[kCached];
    uint64_t m_clock = 0;
};
