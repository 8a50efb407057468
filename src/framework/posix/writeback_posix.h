// Staged files on their way to the disk while staging goes on, so that the flush
// before the moves finds little left to write. Small files go in batches: once an
// installation has staged enough of them since the last flush, a second thread flushes
// the volume (syncfs) while the main thread inflates the next entries. A large file's
// writeout starts piece by piece as it is written.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <sys/types.h>
#include <thread>

class Writeback {
  public:
    Writeback() = default;
    ~Writeback() { Finish(); }
    Writeback(const Writeback&) = delete;
    Writeback& operator=(const Writeback&) = delete;

    // TPX_NO_FLUSH=1: no writeout and no flush at all (the benchmark's figures without
    // durability).
    static bool Off();

    // An installation starts: the writes from here on are counted.
    void Begin();
    // fd, a finished small file of count bytes on the volume being installed to.
    void NoteWritten(int fd, size_t count);
    // fd, a file being written, now holds data up to end: every few MiB the writeout of
    // what came since starts (sync_file_range, which does not wait for it).
    void NoteProgress(int fd, off_t end);
    // fd, a finished large file of size bytes: the writeout of what is not on its way
    // yet starts, within an installation or not.
    void StartRest(int fd, off_t size);
    // Stops counting and waits for the flush under way. The errno of the first of the
    // thread's flushes that failed, else 0: a later flush may not report it again.
    int Finish();

  private:
    // How far the writeout of a file being written has started.
    struct Progress {
        int fd = -1;
        off_t started = 0;
    };

    // fd's entry, or a free or forgotten one made its own.
    Progress& ProgressOf(int fd);
    void Run();
    // Wakes the flushing thread, starting it first; the lock is held.
    void Kick(int fd);
    void StartWriteout(int fd, off_t from, off_t to);
    void NoteError(int error);

    // Guards all below: files are written from more than one thread.
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::thread m_thread;
    bool m_counting = false;
    size_t m_pending = 0;  // bytes of small files since the last kick
    bool m_kicked = false;
    bool m_stop = false;
    Progress m_progress[8];  // files being written, by as many threads as copy
    int m_volume = -1;       // a descriptor on the volume, for syncfs
    int m_error = 0;         // the first failure of the writeouts and the thread's flushes
};
