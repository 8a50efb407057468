// Copies entries' data into their staged files: inflating, checking, writing out,
// stamping and closing each. Where the file system takes more than one thread and the
// machine has more than one core, threads of their own do it, one per core (up to
// four), so that entries inflate side by side while the next one's name is checked and
// its file made; else each copy is done at once. Either way the failure thrown is that
// of the first copy in the pack's order that fails, naming its entry, as if copied in
// turn.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "archive/archive_reader.h"

class EntryCopier {
  public:
    // reader: the installation's, current on the entries to copy; it stays open while
    // this object lives. strEntry: the caller's name of the entry being installed,
    // kept with each copy; a failure found later than its entry puts its own there.
    EntryCopier(FileSystem& files, ArchiveReader& reader, CString& strEntry);
    // Abandons the copies not done; their files are closed, never stamped.
    ~EntryCopier();
    EntryCopier(const EntryCopier&) = delete;
    EntryCopier& operator=(const EntryCopier&) = delete;

    // Copies the data of the entry info describes, beginning at dataPos (from
    // CheckCurrentEntry), into file, a new empty file, which it then closes. Throws
    // this copy's failure, or one of an earlier copy not thrown yet.
    void Copy(std::unique_ptr<CFile> file, const EntryInfo& info, DWORD dataPos);
    // Waits for every copy; throws the first entry's failure.
    void Finish();

  private:
    struct Job {
        std::unique_ptr<CFile> file;
        EntryInfo info;
        DWORD dataPos;
        CString strEntry;
        size_t seq;  // its place among the copies
    };

    // A copying thread's own reader of the archive and piece of data.
    struct Worker {
        std::unique_ptr<ArchiveReader> reader;
        std::vector<char> data;
        std::thread thread;
    };

    // Stops short, leaving the file unfinished, once the copier is abandoned.
    void CopyData(ArchiveReader& reader, std::vector<char>& data, const Job& job);
    void Run(Worker& worker);
    // Queues the batch for the threads; throws a failure of theirs instead.
    void HandOver();
    // Waits on m_done until done() holds; the lock is held.
    template <class Predicate>
    void WaitUntil(std::unique_lock<std::mutex>& lock, Predicate done);
    // Once no thread holds jobs (one may yet fail on an earlier entry), throws the first
    // entry's failure, naming it; the lock is held.
    void ThrowFailure(std::unique_lock<std::mutex>& lock);
    // Keeps a thread's failure if its entry comes before every other that failed.
    void Fail(Job& job, std::exception_ptr failure);

    FileSystem& m_files;
    ArchiveReader& m_reader;
    CString& m_strEntry;
    std::vector<char> m_data;  // one piece of entry data, when copying at once

    std::mutex m_mutex;
    std::vector<Job> m_batch;  // the caller's, not handed over yet
    DWORD m_batchBytes = 0;    // their compressed data, up to a batch's worth
    size_t m_copies = 0;       // asked for so far

    // Each side is woken only while it waits, so that a pack of small files costs few
    // wake-ups.
    std::condition_variable m_work;  // for the threads: jobs queued, or the end
    std::condition_variable m_done;  // for the caller: room, all done, or a failure
    std::deque<Job> m_jobs;
    unsigned m_idle = 0;              // threads waiting for work
    bool m_waiting = false;           // the caller waits
    unsigned m_busy = 0;              // threads holding jobs
    std::atomic<bool> m_stop{false};  // set under the lock
    // The earliest failed copy so far: later ones stop short, earlier ones go on.
    std::atomic<size_t> m_failedSeq{SIZE_MAX};  // set under the lock
    std::exception_ptr m_failure;               // its failure, until thrown
    CString m_strFailedEntry;
    std::vector<std::unique_ptr<Worker>> m_workers;  // last: started once the rest is ready
};
