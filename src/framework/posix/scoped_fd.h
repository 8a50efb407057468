// Owns one file descriptor and closes it when it goes out of scope.
#pragma once

#include <unistd.h>

class ScopedFd {
  public:
    ScopedFd() = default;
    explicit ScopedFd(int fd) : m_fd(fd) {}
    ScopedFd(ScopedFd&& other) noexcept : m_fd(other.Release()) {}
    ScopedFd& operator=(ScopedFd&& other) noexcept {
        Reset(other.Release());
        return *this;
    }
    ScopedFd(const ScopedFd&) = delete;
    ScopedFd& operator=(const ScopedFd&) = delete;
    ~ScopedFd() { Reset(); }

    int Get() const { return m_fd; }
    bool IsValid() const { return m_fd >= 0; }
    int Release() {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    void Reset(int fd = -1) {
        if (m_fd >= 0) ::close(m_fd);
        m_fd = fd;
    }

  private:
    int m_fd = -1;
};
