#include "app/entry_copier.h"

#include <algorithm>
#include <system_error>
#include <utility>

#include "framework/file_system.h"

namespace {

// Entry data moves in pieces as large as the reader's largest load: a write call each,
// and zlib, which copies the end of every piece it inflates into its window, copies a
// small share of each.
constexpr UINT kPieceSize = EntryReadState::kBufferSize;
// Copies waiting for the thread, each with its file open: enough to ride out a large
// entry's inflating, few enough for any limit on open files.
constexpr size_t kQueued = 64;
constexpr unsigned kMostThreads = 4;
// Jobs go to the threads, and each thread takes them, in batches of this many or of
// this much compressed data: a lock and a wake-up for a few small files, not for each.
constexpr size_t kBatchJobs = 8;
constexpr DWORD kBatchBytes = 65536;

DWORD SaturatedSum(DWORD a, DWORD b) {
    return b < kBatchBytes - std::min(a, kBatchBytes) ? a + b : kBatchBytes;
}

// An exception never thrown on: a CException* is freed as its catcher would.
void Discard(std::exception_ptr failure) {
    if (!failure) return;
    try {
        std::rethrow_exception(failure);
    } catch (CException* e) {
        e->Delete();
    } catch (...) {
    }
}

}  // namespace

EntryCopier::EntryCopier(FileSystem& files, ArchiveReader& reader, CString& strEntry)
    : m_files(files), m_reader(reader), m_strEntry(strEntry) {
    const unsigned cores = std::thread::hardware_concurrency();
    const unsigned threads =
        files.TakesTwoThreads() && cores > 1 ? std::min(cores, kMostThreads) : 0;
    // Fewer threads when memory or threads run short, or none: then each copy is done
    // at once. Nothing may throw past a started thread.
    try {
        m_workers.reserve(threads);
        for (unsigned i = 0; i < threads; ++i) {
            std::unique_ptr<Worker> worker(new Worker);
            worker->reader.reset(new ArchiveReader(files, reader));
            worker->data.resize(kPieceSize);
            Worker* started = worker.get();
            worker->thread = std::thread([this, started] { Run(*started); });
            m_workers.push_back(std::move(worker));  // reserved: cannot throw
        }
    } catch (const std::exception&) {
    }
    if (m_workers.empty()) m_data.resize(kPieceSize);
}

EntryCopier::~EntryCopier() {
    std::deque<Job> abandoned;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
        abandoned.swap(m_jobs);
    }
    m_work.notify_all();
    for (auto& worker : m_workers) worker->thread.join();
    abandoned.clear();  // their files close
    Discard(m_failure);
}

void EntryCopier::Copy(std::unique_ptr<CFile> file, const EntryInfo& info, DWORD dataPos) {
    Job job{std::move(file), info, dataPos, m_strEntry, m_copies++};
    if (m_workers.empty()) {
        CopyData(m_reader, m_data, job);
        return;
    }
    m_batchBytes = SaturatedSum(m_batchBytes, info.compressedSize);
    m_batch.push_back(std::move(job));
    if (m_batch.size() >= kBatchJobs || m_batchBytes >= kBatchBytes) HandOver();
}

void EntryCopier::HandOver() {
    std::unique_lock<std::mutex> lock(m_mutex);
    WaitUntil(lock, [this] { return m_jobs.size() < kQueued || m_failure; });
    if (m_failure) ThrowFailure(lock);
    for (Job& job : m_batch) m_jobs.push_back(std::move(job));
    m_batch.clear();
    m_batchBytes = 0;
    const bool bWake = m_idle > 0;
    lock.unlock();
    if (bWake) m_work.notify_all();
}

void EntryCopier::Finish() {
    if (!m_batch.empty()) HandOver();
    std::unique_lock<std::mutex> lock(m_mutex);
    WaitUntil(lock, [this] { return (m_jobs.empty() && m_busy == 0) || m_failure; });
    if (m_failure) ThrowFailure(lock);
}

template <class Predicate>
void EntryCopier::WaitUntil(std::unique_lock<std::mutex>& lock, Predicate done) {
    if (done()) return;
    m_waiting = true;
    m_done.wait(lock, done);
    m_waiting = false;
}

void EntryCopier::ThrowFailure(std::unique_lock<std::mutex>& lock) {
    WaitUntil(lock, [this] { return m_busy == 0; });
    m_strEntry = m_strFailedEntry;
    std::rethrow_exception(std::exchange(m_failure, nullptr));
}

void EntryCopier::CopyData(ArchiveReader& reader, std::vector<char>& data, const Job& job) {
    CFile& file = *job.file;
    reader.OpenEntryData(job.info, job.dataPos);
    DWORD delivered = 0;
    int n = 0;
    do {
        if (m_stop.load(std::memory_order_relaxed) ||
            job.seq > m_failedSeq.load(std::memory_order_relaxed)) {
            return;
        }
        n = reader.ReadCurrentEntry(data.data(), kPieceSize);
        if (n > 0) {
            file.Write(data.data(), static_cast<UINT>(n));
            delivered += static_cast<DWORD>(n);
        }
    } while (n == static_cast<int>(kPieceSize));
    reader.CloseCurrentEntry();
    // Data that ends before its stated size has had no CRC check: as damaged as a
    // wrong CRC.
    if (delivered != job.info.uncompressedSize) reader.RaiseError(ARCHIVE_ERR_FORMAT);
    // On its way to the disk now; the commit waits for all of them at once.
    if (const FileError failure = m_files.WriteOut(file.m_hFile)) {
        CFileException::Throw(failure, file.GetFilePath());
    }
    ArchiveReader::ApplyEntryStatus(&file, &job.info);  // closes it
}

void EntryCopier::Fail(Job& job, std::exception_ptr failure) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (job.seq > m_failedSeq) {
        Discard(failure);  // a later entry's
        return;
    }
    Discard(std::exchange(m_failure, failure));
    m_failedSeq = job.seq;
    m_strFailedEntry = std::move(job.strEntry);
}

void EntryCopier::Run(Worker& worker) {
    std::vector<Job> taken;
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        ++m_idle;
        m_work.wait(lock, [this] { return !m_jobs.empty() || m_stop; });
        --m_idle;
        if (m_stop) return;
        // Few enough that another thread finds work too.
        DWORD bytes = 0;
        while (!m_jobs.empty() && taken.size() < kBatchJobs / 2 && bytes < kBatchBytes) {
            bytes = SaturatedSum(bytes, m_jobs.front().info.compressedSize);
            taken.push_back(std::move(m_jobs.front()));
            m_jobs.pop_front();
        }
        ++m_busy;
        const bool bWake = m_waiting;  // for room
        lock.unlock();
        if (bWake) m_done.notify_one();

        for (Job& job : taken) {
            if (job.seq < m_failedSeq) {
                try {
                    CopyData(*worker.reader, worker.data, job);
                } catch (...) {
                    Fail(job, std::current_exception());
                }
            }
            job.file.reset();  // an unfinished file closes, unstamped
        }
        taken.clear();
        lock.lock();
        --m_busy;
        if (m_waiting) m_done.notify_one();
    }
}
