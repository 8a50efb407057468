// Every archive written by other tools is read through the reader and compared
// with what Python's zipfile made of it (expectations generated at build time).
#include <zlib.h>

#include <fstream>
#include <map>
#include <sstream>

#include "framework/file_system.h"
#include "archive_test_util.h"

namespace {

struct EntryResult {
    std::string nameHex;
    bool ok = false;
    uint64_t size = 0;
    uint32_t crc = 0, adler = 1;
};

struct ArchiveResult {
    bool opens = false;
    std::vector<EntryResult> entries;
    std::string failures;  // what the reader threw, for the log
};

std::string Hex(const std::string& s) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : s) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out.empty() ? "-" : out;
}

bool FileExists(const std::string& path) {
    return std::ifstream(path).good();
}

// Runs fn; false (and a note) when it throws one of the reader's exception kinds.
// Anything else escapes and fails the test.
bool Try(const std::function<void()>& fn, std::string* log) {
    const archive_test::Caught c = archive_test::Catch(fn);
    if (c.none) return true;
    EXPECT_TRUE(c.zip || c.file) << "unexpected exception kind";
    *log += (c.zip ? " zip:" : " file:") + std::to_string(c.cause);
    return false;
}

ArchiveResult ReadThroughReader(const std::string& path) {
    ArchiveResult result;
    std::unique_ptr<ArchiveReader> reader;
    auto reopenAt = [&](size_t index) {
        reader.reset();
        return Try(
            [&] {
                reader.reset(new ArchiveReader(RealFileSystem(), path.c_str()));
                for (size_t i = 0; i < index; ++i) reader->GoToNextEntry();
            },
            &result.failures);
    };
    result.opens = reopenAt(0);
    if (!result.opens) return result;
    bool more = true;
    for (size_t index = 0; more && index < 70000; ++index) {
        EntryResult entry;
        EntryInfo info;
        std::string name;
        if (!Try(
                [&] {
                    reader->GetCurrentEntryInfo(&info);
                    name.assign(info.nameLength, '\0');
                    reader->GetCurrentEntryInfo(nullptr, &name[0], info.nameLength);
                },
                &result.failures))
            break;
        entry.nameHex = Hex(name);
        entry.ok = Try(
            [&] {
                reader->OpenCurrentEntry();
                std::string buf(16384, '\0');
                for (;;) {
                    const int n = reader->ReadCurrentEntry(&buf[0], 16384);
                    const Bytef* p = reinterpret_cast<const Bytef*>(buf.data());
                    entry.size += static_cast<uint64_t>(n);
                    entry.crc = static_cast<uint32_t>(crc32(entry.crc, p, static_cast<uInt>(n)));
                    entry.adler =
                        static_cast<uint32_t>(adler32(entry.adler, p, static_cast<uInt>(n)));
                    if (n < 16384) break;
                }
                reader->CloseCurrentEntry();
            },
            &result.failures);
        result.entries.push_back(entry);
        // A failed entry may stay open; continue on a fresh reader.
        if (!entry.ok && !reopenAt(index)) break;
        if (!Try([&] { more = reader->GoToNextEntry(); }, &result.failures)) break;
    }
    return result;
}

}  // namespace

TEST(ArchiveCorpus, AgreesWithAnIndependentReader) {
    const std::string corpus = TPX_SOURCE_DIR "/../shared/corpus";
    const std::string expected = TPX_BINARY_DIR "/tests/archive/corpus_expected.txt";
    if (!FileExists(corpus + "/README.md"))
        GTEST_SKIP() << "no interoperability corpus at " << corpus;
    if (!FileExists(expected))
        GTEST_SKIP() << "no expectations at " << expected << " (Python 3 was not found)";

    std::map<std::string, std::pair<bool, std::vector<EntryResult>>> oracle;
    std::ifstream in(expected);
    std::string line, current;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string kind;
        fields >> kind;
        if (kind == "A") {
            int opens = 0;
            fields >> current >> opens;
            oracle[current].first = opens != 0;
        } else if (kind == "E") {
            EntryResult e;
            std::string index, status;
            fields >> index >> e.nameHex >> status >> e.size >> e.crc >> e.adler;
            e.ok = status == "ok";
            oracle[current].second.push_back(e);
        }
    }
    ASSERT_FALSE(oracle.empty());

    int compared = 0;
    for (const auto& [file, expect] : oracle) {
        SCOPED_TRACE(file);
        const ArchiveResult got = ReadThroughReader(corpus + "/" + file);
        std::ostringstream note;
        note << file << ": python " << (expect.first ? "opens" : "refuses") << ", reader "
             << (got.opens ? "opens" : "refuses");
        for (size_t i = 0; i < got.entries.size() && i < expect.second.size(); ++i) {
            const EntryResult& g = got.entries[i];
            const EntryResult& x = expect.second[i];
            EXPECT_EQ(g.nameHex, x.nameHex) << "entry " << i;
            if (g.ok && x.ok) {
                EXPECT_EQ(g.size, x.size) << "entry " << i;
                EXPECT_EQ(g.crc, x.crc) << "entry " << i;
                EXPECT_EQ(g.adler, x.adler) << "entry " << i;
                ++compared;
            }
            if (g.ok != x.ok)
                note << "; entry " << i
                     << (g.ok ? " read only by the reader" : " refused by the reader");
        }
        if (got.opens && expect.first && got.entries.size() != expect.second.size())
            note << "; " << got.entries.size() << " vs " << expect.second.size() << " entries";
        std::cout << "[ corpus   ] " << note.str() << got.failures << "\n";
    }
    EXPECT_GT(compared, 0);
}
