// Opens arbitrary bytes as an archive and reads every entry. The bytes go to one
// scratch file per process, since the reader works on files. Seeds:
// fuzz/make_archive_seeds.py.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "framework/file_system.h"
#include "archive/archive_reader.h"

namespace {

// Bounds per input, so that a small deflate bomb cannot stall the fuzzer.
constexpr unsigned kMaxEntries = 1000;
constexpr unsigned long long kMaxOutput = 1ull << 20;

// $TMPDIR, else memory-backed /dev/shm (a disk-backed rewrite per input costs
// milliseconds), else /tmp.
const std::string& ScratchPath() {
    static const std::string path = [] {
        const char* dir = std::getenv("TMPDIR");
        std::string p = (dir && *dir) ? dir : access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        return p + "/tpx_archive_fuzz_" + std::to_string(getpid()) + ".zip";
    }();
    return path;
}

bool WriteScratch(const uint8_t* data, size_t size) {
    FILE* f = std::fopen(ScratchPath().c_str(), "wb");
    if (!f) return false;
    const bool ok = (size == 0 || std::fwrite(data, 1, size, f) == size);
    return std::fclose(f) == 0 && ok;
}

void ReadAll(const uint8_t* selector) {
    ArchiveReader reader(RealFileSystem(), ScratchPath().c_str());
    std::vector<char> buffer(16384 + 1);
    unsigned long long output = 0;
    bool more = true;
    for (unsigned n = 0; more && n < kMaxEntries && output < kMaxOutput; ++n) {
        EntryInfo info;
        reader.GetCurrentEntryInfo(&info);
        // Buffers of varying fit exercise the terminator and skip rules.
        char name[300], comment[40];
        unsigned char extra[24];
        const UINT fit = selector[n % 4] % 3;
        reader.GetCurrentEntryInfo(
            nullptr, name,
            info.nameLength + fit < sizeof name ? info.nameLength + fit : sizeof name,
            fit ? extra : nullptr, sizeof extra, comment, fit * 17);
        reader.OpenCurrentEntry();
        const UINT piece = selector[(n + 1) % 4] & 1 ? 16384 : 1 + selector[(n + 2) % 4] * 61;
        int got;
        do {
            got = reader.ReadCurrentEntry(buffer.data(), piece);
            output += UINT(got);
        } while (got == int(piece) && output < kMaxOutput);
        more = reader.GoToNextEntry();
    }
    reader.Close();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!WriteScratch(data, size)) std::abort();
    uint8_t selector[4] = {0, 1, 2, 3};
    for (size_t i = 0; i < 4 && i < size; ++i) selector[i] = data[size - 1 - i];
    try {
        ReadAll(selector);
    } catch (CException* e) {  // CZipException or CFileException: the expected way out
        e->Delete();
    }
    // libFuzzer may end the process without running destructors: leave nothing behind.
    std::remove(ScratchPath().c_str());
    return 0;
}
