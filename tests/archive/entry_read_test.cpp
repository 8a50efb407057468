#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <utility>
#include <vector>

#include "archive_test_util.h"
#include "framework/file_system.h"

using archive_test::Catch;
using archive_test::NoisyBytes;
using archive_test::ReadRest;
using archive_test::ScratchFile;
using archive_test::ZipCause;
using zipbuild::ZipBuilder;

namespace {

// Opens the first entry of zip and reads it in pieces; throws what the reader throws.
std::string ReadFirst(const ZipBuilder& zip, UINT piece = 16384,
                      std::vector<int>* counts = nullptr) {
    ScratchFile f("first.zip");
    f.Write(zip);
    ArchiveReader r(RealFileSystem(), f.path());
    r.OpenCurrentEntry();
    std::string data = ReadRest(r, piece, counts);
    r.Close();
    return data;
}

int OpenFirstCause(const ZipBuilder& zip) {
    ScratchFile f("open_first.zip");
    f.Write(zip);
    ArchiveReader r(RealFileSystem(), f.path());
    return ZipCause([&] { r.OpenCurrentEntry(); });
}

}  // namespace

TEST(EntryRead, PiecesMeetAtBufferSeams) {
    std::vector<int> counts;
    const std::string big = NoisyBytes(40000);
    ZipBuilder stored;
    stored.AddStored("s", big);
    EXPECT_EQ(ReadFirst(stored, 16384, &counts), big);
    EXPECT_EQ(counts, (std::vector<int>{16384, 16384, 7232}));

    ZipBuilder exact;
    exact.AddStored("x", NoisyBytes(32768, 5));
    counts.clear();
    EXPECT_EQ(ReadFirst(exact, 16384, &counts), NoisyBytes(32768, 5));
    EXPECT_EQ(counts, (std::vector<int>{16384, 16384, 0}));

    // Odd piece sizes cross the 16 KiB loads at every offset.
    EXPECT_EQ(ReadFirst(stored, 1000), big);
    EXPECT_EQ(ReadFirst(stored, 16385), big);

    // Incompressible data: the compressed stream spans several 16 KiB loads.
    const std::string noisy = NoisyBytes(100000, 9);
    ZipBuilder deflated;
    deflated.AddDeflated("d", noisy);
    ASSERT_GT(deflated.entries()[0].compressed.size(), 3u * 16384);
    EXPECT_EQ(ReadFirst(deflated), noisy);
    EXPECT_EQ(ReadFirst(deflated, 777), noisy);
    counts.clear();
    ZipBuilder deflated32k;
    deflated32k.AddDeflated("d", NoisyBytes(32768, 3), 9);
    EXPECT_EQ(ReadFirst(deflated32k, 16384, &counts), NoisyBytes(32768, 3));
    EXPECT_EQ(counts, (std::vector<int>{16384, 16384, 0}));

    // Highly compressible data: one load yields many pieces.
    ZipBuilder zeros;
    zeros.AddDeflated("z", std::string(1 << 20, '\0'));
    EXPECT_EQ(ReadFirst(zeros), std::string(1 << 20, '\0'));
}

TEST(EntryRead, EmptyEntriesAndEmptyRequests) {
    ZipBuilder zip;
    zip.AddStored("empty", "");
    zip.AddDeflated("empty.z", "");
    zip.AddStored("data", "abc");
    ScratchFile f("empty.zip");
    f.Write(zip);
    ArchiveReader r(RealFileSystem(), f.path());
    char buf[8];
    for (int i = 0; i < 2; ++i) {
        r.OpenCurrentEntry();
        EXPECT_EQ(r.ReadCurrentEntry(buf, sizeof buf), 0);
        EXPECT_EQ(r.ReadCurrentEntry(buf, sizeof buf), 0);
        r.GoToNextEntry();
    }
    r.OpenCurrentEntry();  // closes the empty deflated entry: CRC 0 passes
    EXPECT_EQ(r.ReadCurrentEntry(buf, 0), 0);
    EXPECT_EQ(r.ReadCurrentEntry(nullptr, 8), 0);
    EXPECT_EQ(r.ReadCurrentEntry(buf, 2), 2);
    EXPECT_EQ(r.ReadCurrentEntry(buf + 2, 8), 1);
    EXPECT_EQ(std::string(buf, 3), "abc");
    EXPECT_EQ(r.ReadCurrentEntry(buf, 8), 0);
    r.Close();
}

TEST(EntryRead, CrcFailureSurfacesAtNextOpenOrClose) {
    ZipBuilder zip;
    zip.AddStored("bad", "hello world").crc = 0xDEADBEEF;
    zip.AddDeflated("alsobad", std::string(20000, 'a')).crc = 1;
    ScratchFile f("crc.zip");
    f.Write(zip);
    {
        ArchiveReader r(RealFileSystem(), f.path());
        r.OpenCurrentEntry();
        EXPECT_EQ(ReadRest(r), "hello world");
        ASSERT_TRUE(r.GoToNextEntry());
        EXPECT_EQ(ZipCause([&] { r.OpenCurrentEntry(); }), CZipException::zipCrcMismatch);
        // The failing entry stays open: a Close raises it again.
        EXPECT_EQ(ZipCause([&] { r.Close(); }), CZipException::zipCrcMismatch);
        EXPECT_FALSE(r.IsClosed());
    }  // the destructor releases it without a check
    {
        ArchiveReader r(RealFileSystem(), f.path());
        r.GoToNextEntry();
        r.OpenCurrentEntry();
        ReadRest(r);
        EXPECT_EQ(ZipCause([&] { r.Close(); }), CZipException::zipCrcMismatch);
    }
    {
        // Read only partly: closing makes no check, whichever way it is closed.
        ArchiveReader r(RealFileSystem(), f.path());
        char buf[5];
        r.OpenCurrentEntry();
        EXPECT_EQ(r.ReadCurrentEntry(buf, 5), 5);
        r.GoToNextEntry();
        r.OpenCurrentEntry();
        EXPECT_EQ(r.ReadCurrentEntry(buf, 5), 5);
        EXPECT_EQ(ZipCause([&] { r.Close(); }), -1);
        EXPECT_TRUE(r.IsClosed());
    }
    // A corrupted byte in the data, rather than in the header.
    std::string bytes;
    {
        ZipBuilder good;
        good.AddStored("x", "0123456789");
        bytes = good.Build();
        bytes[30 + 1 + 4] ^= 0x20;
    }
    f.Write(bytes);
    ArchiveReader r(RealFileSystem(), f.path());
    r.OpenCurrentEntry();
    ReadRest(r);
    EXPECT_EQ(ZipCause([&] { r.CloseCurrentEntry(); }), CZipException::zipCrcMismatch);
}

TEST(EntryRead, LocalHeaderMustAgreeWithTheCentralOne) {
    auto cause = [](auto tweak) {
        ZipBuilder zip;
        tweak(zip.AddStored("name.txt", "content"));
        return OpenFirstCause(zip);
    };
    EXPECT_EQ(cause([](zipbuild::Entry&) {}), -1);
    EXPECT_EQ(cause([](zipbuild::Entry& e) { e.localSignature = 0x04034B51; }), 11);
    EXPECT_EQ(cause([](zipbuild::Entry& e) { e.localMethod = 8; }), 11);
    EXPECT_EQ(cause([](zipbuild::Entry& e) { e.localCrc = 5; }), 11);
    EXPECT_EQ(cause([](zipbuild::Entry& e) { e.localCompressedSize = 6; }), 11);
    EXPECT_EQ(cause([](zipbuild::Entry& e) { e.localUncompressedSize = 6; }), 11);
    EXPECT_EQ(cause([](zipbuild::Entry& e) { e.localNameLength = 7; }), 11);
    // Bit 3 relaxes the CRC and sizes, never the name length.
    EXPECT_EQ(cause([](zipbuild::Entry& e) {
                  e.localFlags = 8;
                  e.localCrc = 5;
                  e.localCompressedSize = 1;
                  e.localUncompressedSize = 2;
              }),
              -1);
    EXPECT_EQ(cause([](zipbuild::Entry& e) {
                  e.localFlags = 8;
                  e.localNameLength = 9;
              }),
              11);
    // Methods other than stored and deflated, agreeing in both headers.
    for (uint16_t method : {1, 6, 9, 12, 14, 99}) {
        EXPECT_EQ(cause([&](zipbuild::Entry& e) { e.method = method; }), 11) << method;
    }
}

TEST(EntryRead, DataDescriptorEntriesUseTheCentralValues) {
    ZipBuilder zip;
    zip.AddDeflated("dd.txt", NoisyBytes(50000, 4)).dataDescriptor = true;
    zip.AddStored("dd2.txt", "stored with descriptor").dataDescriptor = true;
    zip.AddStored("after", "tail");
    ScratchFile f("dd.zip");
    f.Write(zip);
    ArchiveReader r(RealFileSystem(), f.path());
    EXPECT_EQ(r.m_archive.info.flags & 8u, 8u);
    r.OpenCurrentEntry();
    EXPECT_EQ(ReadRest(r), NoisyBytes(50000, 4));
    r.GoToNextEntry();
    r.OpenCurrentEntry();
    EXPECT_EQ(ReadRest(r), "stored with descriptor");
    r.GoToNextEntry();
    r.OpenCurrentEntry();
    EXPECT_EQ(ReadRest(r), "tail");
    r.Close();
}

TEST(EntryRead, LocalNameAndExtraAreSkipped) {
    ZipBuilder zip;
    auto& e = zip.AddStored("a.txt", "payload");
    e.localExtra = std::string(300, 'E');
    e.extra = "central";
    ScratchFile f("extra.zip");
    f.Write(zip);
    ArchiveReader r(RealFileSystem(), f.path());
    r.OpenCurrentEntry();
    EXPECT_EQ(ReadRest(r), "payload");
}

TEST(EntryRead, WrongStateCallsRaiseInvalidCall) {
    ZipBuilder zip;
    zip.AddStored("a", "b");
    ScratchFile f("state.zip");
    f.Write(zip);
    ArchiveReader r(RealFileSystem(), f.path());
    char buf[4];
    EXPECT_EQ(ZipCause([&] { r.ReadCurrentEntry(buf, 4); }), CZipException::zipInvalidCall);
    r.CloseCurrentEntry();  // nothing open: no effect
    r.m_archive.entryValid = 0;
    EXPECT_EQ(ZipCause([&] { r.OpenCurrentEntry(); }), CZipException::zipInvalidCall);
    EXPECT_FALSE(r.GoToNextEntry());
}

TEST(EntryRead, TruncatedAndInconsistentDataEndsWithAnError) {
    // Stored entry claiming more output than its stored bytes.
    ZipBuilder shortStored;
    shortStored.AddStored("s", "0123456789").uncompressedSize = 20;
    shortStored.entries()[0].localUncompressedSize = 20;
    EXPECT_EQ(ZipCause([&] { ReadFirst(shortStored); }), CZipException::zipBadArchive);

    // Stored data running past the end of the file.
    ZipBuilder pastEnd;
    pastEnd.AddStored("p", NoisyBytes(40000)).compressedSize = 90000;
    pastEnd.entries()[0].uncompressedSize = 90000;
    pastEnd.entries()[0].localCompressedSize = 90000;
    pastEnd.entries()[0].localUncompressedSize = 90000;
    EXPECT_EQ(ZipCause([&] { ReadFirst(pastEnd); }), CZipException::zipBadArchive);

    // Deflated data whose compressed size cuts the stream short.
    ZipBuilder cut;
    auto& c = cut.AddDeflated("c", NoisyBytes(60000, 2));
    c.compressedSize = static_cast<uint32_t>(c.compressed.size() / 2);
    c.localCompressedSize = c.compressedSize;
    EXPECT_EQ(ZipCause([&] { ReadFirst(cut); }), CZipException::zipBufferError);

    // Corrupt deflate data: a block type that does not exist.
    ZipBuilder corrupt;
    corrupt.AddRaw("k", 8, std::string("\xFF\xFF\xFF\xFF", 4), "whatever");
    EXPECT_EQ(ZipCause([&] { ReadFirst(corrupt); }), CZipException::zipDataError);
}

TEST(EntryRead, DeflateStreamEndingBeforeTheStatedSizeIsReportedAtClose) {
    ZipBuilder zip;
    auto& e = zip.AddDeflated("early", std::string(20000, 'e'));
    e.uncompressedSize = 50000;  // the stream ends at 20,000
    e.localUncompressedSize = 50000;
    zip.AddStored("next", "n");
    ScratchFile f("early.zip");
    f.Write(zip);
    {
        ArchiveReader r(RealFileSystem(), f.path());
        r.OpenCurrentEntry();
        std::vector<int> counts;
        EXPECT_EQ(ReadRest(r, 16384, &counts), std::string(20000, 'e'));
        EXPECT_EQ(counts, (std::vector<int>{16384, 3616}));
        char buf[16];
        EXPECT_EQ(r.ReadCurrentEntry(buf, sizeof buf), 0);  // later reads deliver nothing
        r.GoToNextEntry();
        // Not every stated byte came out: the caller learns it like a CRC failure.
        EXPECT_EQ(ZipCause([&] { r.OpenCurrentEntry(); }), CZipException::zipBadArchive);
        EXPECT_EQ(ZipCause([&] { r.Close(); }), CZipException::zipBadArchive);
    }
    // A stream longer than the stated size delivers the stated size only, then
    // fails its CRC.
    ZipBuilder longer;
    auto& l = longer.AddDeflated("long", std::string(30000, 'l'));
    l.uncompressedSize = 10000;
    l.localUncompressedSize = 10000;
    std::vector<int> counts;
    EXPECT_EQ(ZipCause([&] { ReadFirst(longer, 16384, &counts); }), CZipException::zipCrcMismatch);
    EXPECT_EQ(counts, (std::vector<int>{10000}));
}

TEST(EntryRead, ZlibBlocksAreTrackedAndReleased) {
    ZipBuilder zip;
    zip.AddDeflated("a", NoisyBytes(70000, 7));
    zip.AddDeflated("b", std::string(1000, 'b'));
    ScratchFile f("alloc.zip");
    f.Write(zip);
    {
        ArchiveReader r(RealFileSystem(), f.path());
        r.OpenCurrentEntry();
        EXPECT_EQ(r.m_archive.readState->streamInitialised, 1u);
        char buf[100];
        r.ReadCurrentEntry(buf, sizeof buf);
        EXPECT_GT(r.m_allocations.GetCount(), 0);
        r.GoToNextEntry();
        r.OpenCurrentEntry();  // inflateEnd of the first gave its blocks back
        const int perStream = r.m_allocations.GetCount();
        EXPECT_GT(perStream, 0);
        r.ReadCurrentEntry(buf, sizeof buf);
        r.Close();
        EXPECT_EQ(r.m_allocations.GetCount(), 0);
        EXPECT_FALSE(r.m_archive.readState);
    }
    {
        // Destroyed in the middle of a deflated entry: the tracking list frees
        // zlib's blocks (the leak checker of the sanitized build watches this).
        ArchiveReader r(RealFileSystem(), f.path());
        r.OpenCurrentEntry();
        char buf[100];
        r.ReadCurrentEntry(buf, sizeof buf);
        EXPECT_GT(r.m_allocations.GetCount(), 0);
    }
    // The callbacks on their own, with and without a list.
    CPtrList list;
    void* a = ArchiveReader::TrackedAlloc(&list, 3, 5);
    void* b = ArchiveReader::TrackedAlloc(nullptr, 1, 1);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(list.GetCount(), 1);
    ArchiveReader::TrackedFree(&list, b);  // not listed: freed all the same
    ArchiveReader::TrackedFree(&list, a);
    EXPECT_EQ(list.GetCount(), 0);
}

TEST(EntryRead, ApplyEntryStatusStampsTimeAndAttributes) {
    ZipBuilder zip;
    auto& e = zip.AddStored("stamped.txt", "stamp me");
    e.dosDate = zipbuild::DosDate(2004, 7, 8);
    e.dosTime = zipbuild::DosTime(9, 10, 12);
    e.externalAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE;
    ScratchFile archive("status.zip");
    archive.Write(zip);
    ScratchFile out("stamped.txt");
    std::remove(out.path());  // a new file: none left by a run that died

    ArchiveReader r(RealFileSystem(), archive.path());
    EntryInfo info;
    r.GetCurrentEntryInfo(&info);
    const CTime before = CTime::GetCurrentTime();
    {
        CFile file(RealFileSystem(), out.path(), CFile::modeCreateNew | CFile::modeWrite);
        r.OpenCurrentEntry();
        char buf[64];
        const int n = r.ReadCurrentEntry(buf, sizeof buf);
        file.Write(buf, static_cast<UINT>(n));
        ArchiveReader::ApplyEntryStatus(&file, &info);
        EXPECT_EQ(file.m_hFile, CFile::hFileNull);  // closed by the call
    }
    r.Close();

    CFileStatus status;
    ASSERT_TRUE(CFile::GetStatus(RealFileSystem(), out.path(), status));
    EXPECT_EQ(status.m_mtime, CTime(2004, 7, 8, 9, 10, 12));
    EXPECT_EQ(status.m_size, 8u);
    EXPECT_FALSE(status.m_atime < CTime(before.GetTime() - 2));
    EXPECT_TRUE(status.m_atime < CTime(CTime::GetCurrentTime().GetTime() + 3));
    EXPECT_EQ(status.m_attribute & FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_READONLY);
    std::filesystem::permissions(out.path(), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);  // to remove it
}

// A copying thread's reader reads the data the walk's reader found, whatever stands in
// front of the archive, and leaves that reader's file open when it goes.
TEST(EntryRead, ASharingReaderReadsWhatTheWalkFound) {
    for (const std::string prefix : {"", "stub in front"}) {
        ZipBuilder zip;
        zip.prefix = prefix;
        zip.AddStored("a", NoisyBytes(300000, 1));
        zip.AddDeflated("b", NoisyBytes(300000, 2));
        ScratchFile f("shared.zip");
        f.Write(zip);
        ArchiveReader walk(RealFileSystem(), f.path());
        std::vector<std::pair<EntryInfo, DWORD>> found;
        do {
            EntryInfo info;
            walk.GetCurrentEntryInfo(&info);
            found.emplace_back(info, walk.CheckCurrentEntry());
        } while (walk.GoToNextEntry());
        {
            ArchiveReader copying(RealFileSystem(), walk);
            for (size_t i = 0; i < found.size(); ++i) {
                copying.OpenEntryData(found[i].first, found[i].second);
                EXPECT_EQ(ReadRest(copying), zip.entries()[i].data) << "'" << prefix << "' " << i;
                copying.CloseCurrentEntry();  // the CRC check
            }
        }
        walk.OpenCurrentEntry();
        EXPECT_EQ(ReadRest(walk), zip.entries()[1].data) << "'" << prefix << "' after sharing";
        walk.Close();
    }
}
