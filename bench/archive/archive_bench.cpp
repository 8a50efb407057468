// Reads every entry of each pack through the archive reader the way the installer
// does (info twice, open, 16 KiB reads, close), and prints entries per second and
// MB/s of uncompressed output.
//
//   archive_bench [--repeat N] PACK...
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "framework/file_system.h"
#include "archive/archive_reader.h"

namespace {

struct Totals {
    unsigned long long entries = 0;
    unsigned long long bytes = 0;
};

void ReadPack(const char* path, Totals& totals, std::vector<char>& buffer) {
    ArchiveReader reader(RealFileSystem(), path);
    reader.GoToFirstEntry();
    std::vector<char> name;
    bool more = true;
    while (more) {
        EntryInfo info;
        reader.GetCurrentEntryInfo(&info);
        name.resize(info.nameLength + 1);
        reader.GetCurrentEntryInfo(nullptr, name.data(), UINT(name.size()));
        if (info.nameLength == 0 || name[info.nameLength - 1] != '/') {
            reader.OpenCurrentEntry();
            int n;
            do {
                n = reader.ReadCurrentEntry(buffer.data(), UINT(buffer.size()));
                totals.bytes += UINT(n);
            } while (n == int(buffer.size()));
        }
        ++totals.entries;
        more = reader.GoToNextEntry();
    }
    reader.Close();
}

}  // namespace

int main(int argc, char** argv) {
    int repeat = 1;
    int first = 1;
    if (argc > 2 && std::strcmp(argv[1], "--repeat") == 0) {
        repeat = std::atoi(argv[2]);
        first = 3;
    }
    if (first >= argc || repeat < 1) {
        std::fprintf(stderr, "usage: %s [--repeat N] PACK...\n", argv[0]);
        return 2;
    }
    std::vector<char> buffer(16384);
    int status = 0;
    for (int i = first; i < argc; ++i) {
        Totals totals;
        const auto start = std::chrono::steady_clock::now();
        try {
            for (int r = 0; r < repeat; ++r) ReadPack(argv[i], totals, buffer);
        } catch (CException* e) {
            char text[128] = "";
            e->GetErrorMessage(text, sizeof text);
            std::fprintf(stderr, "%s: %s\n", argv[i], text);
            e->Delete();
            status = 1;
            continue;
        }
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("%s: %llu entries, %.1f MB in %.3f s: %.0f entries/s, %.1f MB/s\n", argv[i],
                    totals.entries, double(totals.bytes) / 1e6, seconds,
                    double(totals.entries) / seconds, double(totals.bytes) / 1e6 / seconds);
    }
    return status;
}
