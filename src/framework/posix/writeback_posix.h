// Staged small files on their way to the disk while staging goes on. Once an
// installation has staged enough since the last flush, a second thread flushes its
// volume (syncfs):
// the disk works while the main thread inflates the next entries, and the flush
// before the moves finds little left to write.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
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
    // fd, a finished file of count bytes on the volume being installed to.
    void NoteWritten(int fd, size_t count);
    // Stops counting and waits for the flush under way. The errno of the first of the
    // thread's flushes that failed, else 0: a later flush may not report it again.
    int Finish();

  private:
    void Run();
    void Kick(int fd);

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::thread m_thread;
    bool m_counting = false;  // written by the main thread only
    size_t m_pending = 0;     // bytes since the last kick; the main thread's
    bool m_kicked = false;
    bool m_stop = false;
    int m_volume = -1;  // a descriptor on the volume, for syncfs
    int m_error = 0;    // the first failure of the thread's flushes
};
