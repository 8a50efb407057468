#include <algorithm>
#include <cstring>
#include <optional>

#include "framework/file_system.h"
#include "archive_test_util.h"

using archive_test::Catch;
using archive_test::ReadRest;
using archive_test::ScratchFile;
using archive_test::ZipCause;
using zipbuild::ZipBuilder;

namespace {

int OpenCause(const ScratchFile& f) {
    return ZipCause([&] { ArchiveReader r(RealFileSystem(), f.path()); });
}

int OpenCause(const ZipBuilder& zip) {
    ScratchFile f("open.zip");
    f.Write(zip);
    return OpenCause(f);
}

ZipBuilder ThreeEntries() {
    ZipBuilder zip;
    zip.AddStored("first.txt", "one");
    auto& second = zip.AddDeflated("dir/second.bin", std::string(5000, 'z'));
    second.extra = std::string("\x01\x02\x03\x04\x05", 5);
    second.entryComment = "second's comment";
    zip.AddDirectory("dir/");
    return zip;
}

}  // namespace

TEST(ArchiveOpen, FilesWithoutAUsableEndRecordFailAsBadArchive) {
    ScratchFile f("short.zip");
    for (const char* bytes : {"", "P", "PK\x05"}) {
        f.Write(bytes);
        EXPECT_EQ(OpenCause(f), CZipException::zipBadArchive) << "length " << std::strlen(bytes);
    }
    f.Write(std::string(70000, 'x'));
    EXPECT_EQ(OpenCause(f), CZipException::zipBadArchive);

    // An empty archive is an end record only: at position 0 it counts as not found,
    // behind a stub it is found but no central header stands where it points.
    ZipBuilder empty;
    EXPECT_EQ(OpenCause(empty), CZipException::zipBadArchive);
    empty.prefix = "stub";
    EXPECT_EQ(OpenCause(empty), CZipException::zipBadArchive);

    // The end record's bytes cut short by the end of the file.
    ZipBuilder one;
    one.AddStored("a", "b");
    std::string cut = one.Build();
    cut.resize(cut.size() - 6);
    f.Write(cut);
    EXPECT_EQ(OpenCause(f), CZipException::zipBadArchive);
}

TEST(ArchiveOpen, InconsistentEndRecordsFailAsBadArchive) {
    auto with = [](auto tweak) {
        ZipBuilder zip = ThreeEntries();
        tweak(zip);
        return OpenCause(zip);
    };
    EXPECT_EQ(with([](ZipBuilder& z) { z.diskNumber = 1; }), 11);
    EXPECT_EQ(with([](ZipBuilder& z) { z.centralDisk = 1; }), 11);
    EXPECT_EQ(with([](ZipBuilder& z) { z.totalEntries = 4; }), 11);
    EXPECT_EQ(with([](ZipBuilder& z) { z.entriesOnDisk = 2; }), 11);
    // The directory would end after the end record.
    EXPECT_EQ(with([](ZipBuilder& z) { z.centralSize = 100000; }), 11);
    // Offset + size wraps to a small number in 32 bits: must not pass the check.
    EXPECT_EQ(with([](ZipBuilder& z) {
                  z.centralOffset = 0xFFFFFFF0u;
                  z.centralSize = 0x20;
              }),
              11);
    // A directory size within 22 bytes of 4 GiB: the end record's position would have
    // to wrap, not lie past the directory.
    for (uint32_t gap = 0; gap <= 22; gap += 11) {
        EXPECT_EQ(with([gap](ZipBuilder& z) { z.centralSize = 0xFFFFFFFFu - gap; }), 11) << gap;
    }
    // A wrong offset alone is taken for bytes in front; a wrong size shifts the
    // directory off its signature.
    EXPECT_EQ(with([](ZipBuilder& z) { z.centralOffset = 3; }), -1);
    EXPECT_EQ(with([](ZipBuilder& z) { z.centralSize = 46 * 3 + 9 + 14 + 5 + 16 + 4 - 1; }), 11);
    EXPECT_EQ(with([](ZipBuilder& z) { z.entries()[0].centralSignature = 0x02014B51; }), 11);
    // The untouched archive opens, so the failures above come from the tweaks.
    EXPECT_EQ(with([](ZipBuilder&) {}), -1);
}

TEST(ArchiveOpen, CommentsUpToTheSearchWindowAreFound) {
    ZipBuilder zip;
    zip.AddStored("a.txt", "payload");
    ScratchFile f("comment.zip");

    zip.comment = std::string(65513, 'c');  // end record exactly at the window's far edge
    f.Write(zip);
    {
        ArchiveReader r(RealFileSystem(), f.path());
        EXPECT_EQ(r.m_archive.bytesBefore, 0u);
        r.OpenCurrentEntry();
        EXPECT_EQ(ReadRest(r), "payload");
        r.Close();
    }
    zip.comment += 'c';  // one byte further: out of reach
    EXPECT_EQ(OpenCause(zip), CZipException::zipBadArchive);

    // A signature straddling two search windows (the 4-byte overlap) is found.
    for (size_t len : {1000u, 1001u, 1002u, 1003u, 1004u, 2028u, 2029u}) {
        zip.comment = std::string(len, 'c');
        EXPECT_EQ(OpenCause(zip), -1) << "comment length " << len;
    }
}

TEST(ArchiveOpen, SignatureInsideTheCommentWinsTheSearch) {
    // A consistent second end record in the comment: the one nearer the end is used.
    ZipBuilder zip = ThreeEntries();
    const std::string plain = zip.Build();
    const uint32_t realPos = static_cast<uint32_t>(plain.size() - 22);
    const uint32_t cdSize = 46 * 3 + 9 + 14 + 5 + 16 + 4;
    const uint32_t cdOffset = realPos - cdSize;
    const uint32_t fakePos = realPos + 22 + 10;
    std::string fake = "0123456789";
    ZipBuilder::Put32(fake, 0x06054B50);
    ZipBuilder::Put16(fake, 0);
    ZipBuilder::Put16(fake, 0);
    ZipBuilder::Put16(fake, 3);
    ZipBuilder::Put16(fake, 3);
    ZipBuilder::Put32(fake, fakePos - cdOffset);  // size chosen so bytesBefore is 0
    ZipBuilder::Put32(fake, cdOffset);
    ZipBuilder::Put16(fake, 0);
    zip.comment = fake;
    ScratchFile f("fake_end.zip");
    f.Write(zip);
    {
        ArchiveReader r(RealFileSystem(), f.path());
        EXPECT_EQ(r.m_archive.entryCount, 3u);
        EXPECT_EQ(r.m_archive.centralSize, fakePos - cdOffset);
        EXPECT_EQ(r.m_archive.bytesBefore, 0u);
    }
    // A bare signature in the comment names nothing sensible and fails.
    zip.comment = std::string("xxPK\x05\x06yy", 8);
    EXPECT_EQ(OpenCause(zip), CZipException::zipBadArchive);
}

TEST(ArchiveOpen, WalkVisitsEveryEntryAndStopsAtTheLast) {
    for (const std::string& stub : {std::string(), std::string("MZ\x90\0stub", 8)}) {
        ZipBuilder zip = ThreeEntries();
        zip.prefix = stub;
        ScratchFile f("walk.zip");
        f.Write(zip);
        ArchiveReader r(RealFileSystem(), f.path());
        EXPECT_FALSE(r.IsClosed());
        EXPECT_EQ(r.m_archive.bytesBefore, stub.size());
        EXPECT_EQ(r.m_archive.entryCount, 3u);
        EXPECT_EQ(r.m_archive.entryValid, 1u);
        EXPECT_EQ(r.m_archive.entryIndex, 0u);
        EXPECT_EQ(r.m_archive.info.nameLength, 9u);

        std::vector<std::string> names;
        bool more = true;
        while (more) {
            EntryInfo info;
            r.GetCurrentEntryInfo(&info);
            std::string name(info.nameLength + 1, '?');
            r.GetCurrentEntryInfo(nullptr, &name[0], info.nameLength + 1);
            EXPECT_EQ(name.back(), '\0');
            name.pop_back();
            names.push_back(name);
            if (info.externalAttributes != 0x10) {
                r.OpenCurrentEntry();
                ReadRest(r);
            }
            more = r.GoToNextEntry();
        }
        EXPECT_EQ(names, (std::vector<std::string>{"first.txt", "dir/second.bin", "dir/"}));
        // The last entry stays current after the walk ends.
        EXPECT_FALSE(r.GoToNextEntry());
        EXPECT_EQ(r.m_archive.entryIndex, 2u);
        char name[8];
        r.GetCurrentEntryInfo(nullptr, name, sizeof name);
        EXPECT_STREQ(name, "dir/");

        r.GoToFirstEntry();
        EXPECT_EQ(r.m_archive.entryIndex, 0u);
        EXPECT_TRUE(r.GoToNextEntry());
        r.OpenCurrentEntry();
        EXPECT_EQ(ReadRest(r), std::string(5000, 'z'));
        r.Close();
    }
}

TEST(ArchiveOpen, EntryInfoCarriesEveryCentralField) {
    ZipBuilder zip;
    auto& e = zip.AddDeflated("n.txt", std::string(300, 'q'));
    e.versionMadeBy = 0x031E;
    e.versionNeeded = 0x14;
    e.flags = 0x0800;
    e.dosDate = zipbuild::DosDate(2010, 6, 15);
    e.dosTime = zipbuild::DosTime(13, 45, 30);
    e.internalAttributes = 1;
    e.externalAttributes = 0x81A40021u;
    e.extra = "EXTRA";
    e.entryComment = "COMMENT!";
    e.diskStart = 0;
    ScratchFile f("fields.zip");
    f.Write(zip);
    ArchiveReader r(RealFileSystem(), f.path());
    EntryInfo info;
    r.GetCurrentEntryInfo(&info);
    EXPECT_EQ(info.versionMadeBy, 0x031Eu);
    EXPECT_EQ(info.versionNeeded, 0x14u);
    EXPECT_EQ(info.flags, 0x0800u);
    EXPECT_EQ(info.method, 8u);
    EXPECT_EQ(info.dosDateTime, (uint32_t(e.dosDate) << 16) | e.dosTime);
    EXPECT_EQ(info.crc, zipbuild::Crc32(e.data));
    EXPECT_EQ(info.compressedSize, e.compressed.size());
    EXPECT_EQ(info.uncompressedSize, 300u);
    EXPECT_EQ(info.nameLength, 5u);
    EXPECT_EQ(info.extraLength, 5u);
    EXPECT_EQ(info.commentLength, 8u);
    EXPECT_EQ(info.diskStart, 0u);
    EXPECT_EQ(info.internalAttributes, 1u);
    EXPECT_EQ(info.externalAttributes, 0x81A40021u);
    EXPECT_EQ(info.modifiedTime, CTime(2010, 6, 15, 13, 45, 30));
    EXPECT_EQ(r.m_archive.localHeaderOffset, 0u);
    EXPECT_EQ(r.m_archive.info.crc, info.crc);
}

TEST(ArchiveOpen, BuffersFollowTheTerminatorAndSkipRules) {
    ZipBuilder zip;
    auto& e = zip.AddStored("abcdef", "data");
    e.extra = "XYZ";
    e.entryComment = "remark";
    ScratchFile f("buffers.zip");
    f.Write(zip);
    ArchiveReader r(RealFileSystem(), f.path());

    char name[10];
    std::memset(name, '#', sizeof name);
    r.GetCurrentEntryInfo(nullptr, name, 7);  // room for the terminator
    EXPECT_EQ(std::string(name, 8), std::string("abcdef\0#", 8));
    std::memset(name, '#', sizeof name);
    r.GetCurrentEntryInfo(nullptr, name, 6);  // exactly the name: no terminator
    EXPECT_EQ(std::string(name, 7), "abcdef#");
    std::memset(name, '#', sizeof name);
    r.GetCurrentEntryInfo(nullptr, name, 3);  // a prefix only
    EXPECT_EQ(std::string(name, 4), "abc#");
    std::memset(name, '#', sizeof name);
    r.GetCurrentEntryInfo(nullptr, name, 0);  // nothing at all
    EXPECT_EQ(name[0], '#');

    // Comment alone: the reader moves over the name and the extra field.
    char comment[10];
    std::memset(comment, '#', sizeof comment);
    r.GetCurrentEntryInfo(nullptr, nullptr, 0, nullptr, 0, comment, sizeof comment);
    EXPECT_STREQ(comment, "remark");
    // A partly read name, then the extra field cut short, then the comment.
    char extra[2];
    std::memset(comment, '#', sizeof comment);
    r.GetCurrentEntryInfo(nullptr, name, 2, extra, sizeof extra, comment, 6);
    EXPECT_EQ(std::string(name, 2), "ab");
    EXPECT_EQ(std::string(extra, 2), "XY");
    EXPECT_EQ(std::string(comment, 7), "remark#");
    // An extra buffer larger than the field gets no terminator either.
    char bigExtra[6];
    std::memset(bigExtra, '#', sizeof bigExtra);
    r.GetCurrentEntryInfo(nullptr, nullptr, 0, bigExtra, sizeof bigExtra);
    EXPECT_EQ(std::string(bigExtra, 6), "XYZ###");
}

TEST(ArchiveOpen, OpeningAnOpenReaderChangesNothing) {
    ScratchFile a("a.zip"), b("b.zip");
    a.Write(ThreeEntries());
    ZipBuilder other;
    other.AddStored("zzz", "");
    b.Write(other);
    ArchiveReader r(RealFileSystem(), a.path());
    r.GoToNextEntry();
    r.Open(b.path());
    EXPECT_EQ(r.m_archive.entryCount, 3u);
    EXPECT_EQ(r.m_archive.entryIndex, 1u);
    EXPECT_EQ(r.m_archive.info.nameLength, 14u);
}

TEST(ArchiveOpen, HostileCountsAndOffsetsEndInBadArchive) {
    ZipBuilder zip;
    zip.AddStored("a", "1");
    zip.AddStored("b", "2");
    // Many more entries claimed than present: the walk is lazy and fails on arrival.
    zip.entriesOnDisk = zip.totalEntries = 0xFFFF;
    ScratchFile f("hostile.zip");
    f.Write(zip);
    {
        ArchiveReader r(RealFileSystem(), f.path());
        EXPECT_TRUE(r.GoToNextEntry());
        EXPECT_EQ(ZipCause([&] { r.GoToNextEntry(); }), CZipException::zipBadArchive);
    }
    // A local header offset near 4 GiB: no wrap back into the file.
    ZipBuilder distant;
    distant.AddStored("a", "1").localHeaderOffset = 0xFFFFFFF0u;
    distant.prefix = std::string(64, 'p');
    f.Write(distant);
    {
        ArchiveReader r(RealFileSystem(), f.path());
        EXPECT_EQ(ZipCause([&] { r.OpenCurrentEntry(); }), CZipException::zipBadArchive);
    }
    // A name length that points the next header past the end of the file.
    std::string bytes = zip.Build();
    ScratchFile g("long_name.zip");
    zip.entriesOnDisk.reset();
    zip.totalEntries.reset();
    bytes = zip.Build();
    const size_t cd = bytes.size() - 22 - 2 * 47;
    bytes[cd + 28] = '\xFF';  // first central name length 0xFF..
    bytes[cd + 29] = '\xFF';
    g.Write(bytes);
    {
        ArchiveReader r(RealFileSystem(), g.path());
        EXPECT_EQ(ZipCause([&] { r.GoToNextEntry(); }), CZipException::zipBadArchive);
        std::string name(0x10000, '\0');
        EXPECT_EQ(ZipCause([&] { r.GetCurrentEntryInfo(nullptr, &name[0], 0x10000); }),
                  CZipException::zipBadArchive);
    }
}

TEST(ArchiveOpen, DosTimesConvertAsLocalTimeAndNeverFail) {
    ZipBuilder zip;
    auto& epoch = zip.AddStored("epoch", "");
    epoch.dosDate = zipbuild::DosDate(1980, 1, 1);
    epoch.dosTime = 0;
    // Month 0, day 0, hour 31, minute 63, second 62: names no real moment.
    auto& bad = zip.AddStored("bad", "");
    bad.dosDate = 0;
    bad.dosTime = 0xFFFF;
    auto& worse = zip.AddStored("worse", "");
    worse.dosDate = 0xFFFF;  // year 2107, month 15, day 31
    worse.dosTime = 0xFFFF;
    ScratchFile f("times.zip");
    f.Write(zip);
    ArchiveReader r(RealFileSystem(), f.path());
    EXPECT_EQ(r.m_archive.info.modifiedTime, CTime(1980, 1, 1, 0, 0, 0));
    ASSERT_TRUE(r.GoToNextEntry());
    const CTime badTime = r.m_archive.info.modifiedTime;
    EXPECT_NE(badTime.GetTime(), -1);
    EXPECT_FALSE(badTime < CTime(1980, 1, 1, 0, 0, 0));
    ASSERT_TRUE(r.GoToNextEntry());
    const CTime worseTime = r.m_archive.info.modifiedTime;
    EXPECT_NE(worseTime.GetTime(), -1);
    EXPECT_TRUE(badTime < worseTime);
    r.OpenCurrentEntry();
    EXPECT_EQ(ReadRest(r), "");
    r.Close();
}

TEST(ArchiveOpen, LayoutRefusesSharedOrOverrunRecordsAndTotalsTheSizes) {
    const auto layout = [](const std::string& bytes, ULONGLONG* total) {
        ScratchFile f("layout.zip");
        f.Write(bytes);
        return ZipCause([&] {
            ArchiveReader r(RealFileSystem(), f.path());
            *total = r.CheckLayout();
            EXPECT_EQ(r.m_archive.entryIndex, 0u);
        });
    };
    // Names of one length: the central records can be reordered whole.
    ZipBuilder zip;
    zip.AddStored("a", "one");
    zip.AddDeflated("b", std::string(5000, 'z'));
    zip.AddStored("c", "");
    std::string bytes = zip.Build();
    ULONGLONG total = 0;
    EXPECT_EQ(layout(bytes, &total), -1);
    EXPECT_EQ(total, 5003u);
    const size_t cd = ZipBuilder::Get32(bytes, bytes.size() - 6);
    std::rotate(bytes.begin() + cd, bytes.begin() + cd + 47, bytes.begin() + cd + 3 * 47);
    total = 0;
    EXPECT_EQ(layout(bytes, &total), -1) << "directory out of file order";
    EXPECT_EQ(total, 5003u);
    ZipBuilder huge = zip;
    huge.entries()[0].uncompressedSize = huge.entries()[2].uncompressedSize = 0xFFFFFFFFu;
    EXPECT_EQ(layout(huge.Build(), &total), -1);
    EXPECT_EQ(total, 0x1FFFFFFFEull + 5000);

    const struct {
        const char* what;
        size_t entry;
        std::optional<uint32_t> zipbuild::Entry::*field;
        uint32_t value;
    } kBroken[] = {
        {"two entries at one record", 1, &zipbuild::Entry::localHeaderOffset, 0},
        {"data one byte into the next record", 0, &zipbuild::Entry::compressedSize, 4},
        {"data one byte into the directory", 2, &zipbuild::Entry::compressedSize, 1},
        {"a record past the end", 2, &zipbuild::Entry::localHeaderOffset, 0xFFFFFFF0u},
    };
    for (const auto& b : kBroken) {
        ZipBuilder broken = zip;
        broken.entries()[b.entry].*b.field = b.value;
        EXPECT_EQ(layout(broken.Build(), &total), CZipException::zipBadArchive) << b.what;
    }
}
