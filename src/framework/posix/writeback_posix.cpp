#include "writeback_posix.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>

namespace {

// Written since the last flush before the thread flushes again: a few flushes for a
// pack of small files, one every few hundred milliseconds of inflating for a large one.
constexpr size_t kKickBytes = 8 << 20;

}  // namespace

bool Writeback::Off() {
    static const bool off = [] {
        const char* value = std::getenv("TPX_NO_FLUSH");
        return value != nullptr && std::strcmp(value, "1") == 0;
    }();
    return off;
}

void Writeback::Begin() {
    Finish();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_counting = !Off();
}

void Writeback::NoteWritten(int fd, size_t count) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_counting) return;
    m_pending += count;
    if (m_pending < kKickBytes) return;
    m_pending = 0;
    Kick(fd);
}

Writeback::Progress& Writeback::ProgressOf(int fd) {
    Progress* slot = nullptr;
    for (Progress& p : m_progress) {
        if (p.fd == fd) return p;
        if (slot == nullptr || p.fd < 0) slot = &p;
    }
    // All in use: the first is forgotten, at worst to have a writeout started twice.
    *slot = Progress{fd, 0};
    return *slot;
}

void Writeback::NoteProgress(int fd, off_t end) {
    off_t from;
    {
        if (end < off_t(kKickBytes)) return;  // nothing to start yet: no entry taken
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_counting) return;
        Progress& progress = ProgressOf(fd);
        if (end < progress.started) progress.started = 0;  // a new file on a reused descriptor
        if (end - progress.started < off_t(kKickBytes)) return;
        from = progress.started;
        progress.started = end;
    }
    StartWriteout(fd, from, end);  // unlocked: it may wait for room in the device's queue
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_counting) Kick(fd);
}

void Writeback::StartRest(int fd, off_t size) {
    off_t from = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (Progress& p : m_progress) {
            if (p.fd != fd) continue;
            if (p.started <= size) from = p.started;
            p = Progress();
        }
    }
    StartWriteout(fd, from, size);
}

void Writeback::StartWriteout(int fd, off_t from, off_t to) {
    if (from >= to) return;  // a length of 0 would mean "to the end"
#ifdef SYNC_FILE_RANGE_WRITE
    if (sync_file_range(fd, from, to - from, SYNC_FILE_RANGE_WRITE) != 0 && errno != ENOSYS &&
        errno != EINVAL) {
        NoteError(errno);
    }
#endif
}

void Writeback::NoteError(int error) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_error == 0) m_error = error;
}

void Writeback::Kick(int fd) {
    if (m_volume < 0) {
        m_volume = fcntl(fd, F_DUPFD_CLOEXEC, 0);
        if (m_volume < 0) return;
        try {
            m_thread = std::thread([this] { Run(); });
        } catch (const std::system_error&) {
            close(m_volume);  // no thread: the flush before the moves does it all
            m_volume = -1;
            m_counting = false;
            return;
        }
    }
    m_kicked = true;
    m_wake.notify_one();
}

void Writeback::Run() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_kicked || m_stop; });
        if (m_stop) return;
        m_kicked = false;
        lock.unlock();
        const int rc = syncfs(m_volume);
        const int failure = errno;
        if (rc != 0 && failure != ENOSYS) NoteError(failure);
        lock.lock();
    }
}

int Writeback::Finish() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_counting = false;
        m_pending = 0;
        for (Progress& p : m_progress) p = Progress();
        m_stop = true;
    }
    m_wake.notify_one();
    if (m_thread.joinable()) m_thread.join();
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_volume >= 0) close(m_volume);
    m_volume = -1;
    m_stop = false;
    m_kicked = false;
    const int error = m_error;
    m_error = 0;
    return error;
}
