// Opening, the end-record search and the central directory walk.
#include "archive/archive_reader.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

constexpr DWORD kCentralSignature = 0x02014B50;
constexpr DWORD kCentralHeaderSize = 46;
constexpr DWORD kLocalHeaderSize = 30;
constexpr DWORD kSearchLimit = 0xFFFF;  // end record (22) + longest comment, rounded
constexpr UINT kSearchWindow = 1028;    // 1,024 new bytes + 4 overlapping the last window

struct FileExceptionDelete {
    void operator()(CFileException* e) const { e->Delete(); }
};

}  // namespace

ArchiveReader::ArchiveReader(FileSystem& files, LPCTSTR lpszArchivePath) : m_archive(files) {
    m_bExceptionTag = 0;
    m_pStorage = &m_archive.file;
    Open(lpszArchivePath);
}

ArchiveReader::ArchiveReader(FileSystem& files, const ArchiveReader& other) : m_archive(files) {
    m_bExceptionTag = other.m_bExceptionTag;
    m_pStorage = &m_archive.file;
    m_archive.file.ShareReading(other.m_archive.file);
    m_archive.bytesBefore = other.m_archive.bytesBefore;
}

ULONGLONG ArchiveReader::GetNameBytesBound() const {
    const ULONGLONG headers = ULONGLONG(kCentralHeaderSize) * m_archive.entryCount;
    return m_archive.centralSize > headers ? m_archive.centralSize - headers : 0;
}

// m_archive goes first (read state, then the file), then the base frees zlib's blocks.
ArchiveReader::~ArchiveReader() = default;

void ArchiveReader::Open(LPCTSTR lpszArchivePath) {
    if (!IsClosed()) return;

    std::unique_ptr<CFileException, FileExceptionDelete> error(
        new CFileException(CFileException::none, -1, nullptr));
    if (!m_archive.file.Open(lpszArchivePath, CFile::modeRead | CFile::shareDenyWrite, error.get()))
        throw error.release();
    error.reset();

    const DWORD pos = FindEndRecord();
    m_archive.file.Seek(pos, CFile::begin);
    DWORD signature, diskNumber, centralDisk, totalEntries;
    ReadLong(&signature);
    ReadShort(&diskNumber);
    ReadShort(&centralDisk);
    ReadShort(&m_archive.entryCount);
    ReadShort(&totalEntries);
    if (totalEntries != m_archive.entryCount || centralDisk != 0 || diskNumber != 0)
        RaiseError(ARCHIVE_ERR_FORMAT);
    ReadLong(&m_archive.centralSize);
    ReadLong(&m_archive.centralOffset);
    DWORD commentLength;  // the comment is never read
    ReadShort(&commentLength);
    // Widened, so that offset + size cannot wrap past the check.
    if (ULONGLONG(pos) < ULONGLONG(m_archive.centralOffset) + m_archive.centralSize)
        RaiseError(ARCHIVE_ERR_FORMAT);
    m_archive.bytesBefore = pos - m_archive.centralOffset - m_archive.centralSize;

    GoToFirstEntry();
}

void ArchiveReader::Close() {
    if (IsClosed()) return;
    if (m_archive.readState) CloseCurrentEntry();
    m_archive.file.Close();
}

DWORD ArchiveReader::FindEndRecord() {
    const ULONGLONG size = m_archive.file.GetLength();
    const DWORD limit = size < kSearchLimit ? DWORD(size) : kSearchLimit;
    std::unique_ptr<BYTE[]> window(new BYTE[kSearchWindow]);
    DWORD back = 4;
    ULONGLONG found = 0;
    while (back < limit && found == 0) {
        back = back + 1024 < limit ? back + 1024 : limit;
        const ULONGLONG readPos = size - back;
        const UINT readSize = back < kSearchWindow ? UINT(back) : kSearchWindow;
        m_archive.file.Seek(LONGLONG(readPos), CFile::begin);
        ReadBytes(window.get(), readSize);
        for (UINT i = readSize - 4 + 1; i-- > 0;) {
            if (window[i] == 0x50 && window[i + 1] == 0x4B && window[i + 2] == 0x05 &&
                window[i + 3] == 0x06) {
                found = readPos + i;
                break;
            }
        }
    }
    // A hit at 0 counts as none; past 4 GiB no 32-bit offset could describe it.
    if (found == 0 || found > 0xFFFFFFFFu) RaiseError(ARCHIVE_ERR_FORMAT);
    return DWORD(found);
}

void ArchiveReader::GoToFirstEntry() {
    m_archive.centralPos = m_archive.centralOffset;
    m_archive.entryIndex = 0;
    ReadCentralHeader(&m_archive.info, &m_archive.localHeaderOffset, nullptr, 0, nullptr, 0,
                      nullptr, 0);
    m_archive.entryValid = 1;
}

bool ArchiveReader::GoToNextEntry() {
    if (m_archive.entryValid == 0) return false;
    if (m_archive.entryIndex + 1 == m_archive.entryCount) return false;
    const EntryInfo& info = m_archive.info;
    const ULONGLONG next = ULONGLONG(m_archive.centralPos) + kCentralHeaderSize + info.nameLength +
                           info.extraLength + info.commentLength;
    if (next > 0xFFFFFFFFu) RaiseError(ARCHIVE_ERR_FORMAT);
    m_archive.centralPos = DWORD(next);
    m_archive.entryIndex += 1;
    ReadCentralHeader(&m_archive.info, &m_archive.localHeaderOffset, nullptr, 0, nullptr, 0,
                      nullptr, 0);
    m_archive.entryValid = 1;
    return true;
}

void ArchiveReader::GetCurrentEntryInfo(EntryInfo* pInfo, char* pszName, UINT nameSize,
                                        void* pExtra, UINT extraSize, char* pszComment,
                                        UINT commentSize) {
    EntryInfo scratch;
    DWORD localHeaderOffset;
    ReadCentralHeader(pInfo != nullptr ? pInfo : &scratch, &localHeaderOffset, pszName, nameSize,
                      pExtra, extraSize, pszComment, commentSize);
}

namespace {

DWORD Get16(const BYTE* p) {
    return DWORD(p[0]) | DWORD(p[1]) << 8;
}
DWORD Get32(const BYTE* p) {
    return Get16(p) | Get16(p + 2) << 16;
}

}  // namespace

void ArchiveReader::ReadCentralBytes(DWORD archiveOffset, void* pBuffer, UINT count) {
    BYTE* out = static_cast<BYTE*>(pBuffer);
    while (count > 0) {
        const ULONGLONG windowEnd = ULONGLONG(m_centralStart) + m_centralSize;
        if (m_centralWindow && archiveOffset >= m_centralStart && archiveOffset < windowEnd) {
            const UINT n = UINT(std::min<ULONGLONG>(count, windowEnd - archiveOffset));
            std::memcpy(out, m_centralWindow.get() + (archiveOffset - m_centralStart), n);
            out += n;
            archiveOffset += n;
            count -= n;
            continue;
        }
        if (count >= kCentralWindow) {  // too long to be worth a window: straight in
            SeekArchive(archiveOffset);
            ReadBytes(out, count);
            return;
        }
        if (!m_centralWindow) m_centralWindow.reset(new BYTE[kCentralWindow]);
        SeekArchive(archiveOffset);
        m_centralStart = archiveOffset;
        m_centralSize = 0;
        m_centralSize = m_archive.file.Read(m_centralWindow.get(), kCentralWindow);
        // A header that runs past the end of the file is a broken archive.
        if (m_centralSize == 0) RaiseError(ARCHIVE_ERR_FORMAT);
    }
}

void ArchiveReader::ReadCentralHeader(EntryInfo* pInfo, DWORD* pLocalHeaderOffset, char* pszName,
                                      UINT nameSize, void* pExtra, UINT extraSize, char* pszComment,
                                      UINT commentSize) {
    BYTE h[kCentralHeaderSize];
    ReadCentralBytes(m_archive.centralPos, h, kCentralHeaderSize);
    if (Get32(h) != kCentralSignature) RaiseError(ARCHIVE_ERR_FORMAT);
    pInfo->versionMadeBy = Get16(h + 4);
    pInfo->versionNeeded = Get16(h + 6);
    pInfo->flags = Get16(h + 8);
    pInfo->method = Get16(h + 10);
    pInfo->dosDateTime = Get16(h + 14) << 16 | Get16(h + 12);
    ConvertDosTime(pInfo);
    pInfo->crc = Get32(h + 16);
    pInfo->compressedSize = Get32(h + 20);
    pInfo->uncompressedSize = Get32(h + 24);
    pInfo->nameLength = Get16(h + 28);
    pInfo->extraLength = Get16(h + 30);
    pInfo->commentLength = Get16(h + 32);
    pInfo->diskStart = Get16(h + 34);
    pInfo->internalAttributes = Get16(h + 36);
    pInfo->externalAttributes = Get32(h + 38);
    *pLocalHeaderOffset = Get32(h + 42);

    // A buffer larger than its field gets a terminating zero; otherwise it is filled
    // without one.
    DWORD pos = m_archive.centralPos + kCentralHeaderSize;
    auto field = [&](void* buffer, UINT size, DWORD length, bool terminate) {
        if (buffer != nullptr) {
            const DWORD count = length < size ? length : size;
            if (terminate && length < size) static_cast<char*>(buffer)[length] = '\0';
            ReadCentralBytes(pos, buffer, count);
        }
        pos += length;
    };
    field(pszName, nameSize, pInfo->nameLength, true);
    field(pExtra, extraSize, pInfo->extraLength, false);
    field(pszComment, commentSize, pInfo->commentLength, true);
}

ULONGLONG ArchiveReader::CheckLayout() {
    // Every entry's local record with its data, at the least: header, name, data.
    m_records.clear();
    m_records.reserve(m_archive.entryCount);
    ULONGLONG total = 0;
    GoToFirstEntry();
    do {
        const EntryInfo& info = m_archive.info;
        const ULONGLONG end = ULONGLONG(m_archive.localHeaderOffset) + kLocalHeaderSize +
                              info.nameLength + info.compressedSize;
        if (end > m_archive.centralOffset) RaiseError(ARCHIVE_ERR_FORMAT);
        m_records.push_back({m_archive.localHeaderOffset, DWORD(end)});
        total += info.uncompressedSize;
    } while (GoToNextEntry());
    std::sort(m_records.begin(), m_records.end());
    for (size_t i = 1; i < m_records.size(); ++i) {
        if (m_records[i].first < m_records[i - 1].second) RaiseError(ARCHIVE_ERR_FORMAT);
    }
    GoToFirstEntry();
    return total;
}

DWORD ArchiveReader::NextRecordOffset(DWORD localHeaderOffset) const {
    auto next = std::upper_bound(m_records.begin(), m_records.end(),
                                 std::make_pair(localHeaderOffset, DWORD(0xFFFFFFFFu)));
    return next != m_records.end() ? next->first : m_archive.centralOffset;
}

void ArchiveReader::ConvertDosTime(EntryInfo* pInfo) {
    // The seconds and minutes vary most; nearby stamps land in different slots.
    ConvertedTime& slot = m_converted[(pInfo->dosDateTime ^ (pInfo->dosDateTime >> 16)) & 63];
    if (!slot.valid || slot.dosDateTime != pInfo->dosDateTime) {
        slot.time = CTime(WORD(pInfo->dosDateTime >> 16), WORD(pInfo->dosDateTime & 0xFFFF), -1);
        slot.dosDateTime = pInfo->dosDateTime;
        slot.valid = true;
    }
    pInfo->modifiedTime = slot.time;
}

void ArchiveReader::ReadByte(DWORD* pValue) {
    BYTE b;
    // A header that runs past the end of the file is a broken archive.
    if (m_archive.file.Read(&b, 1) != 1) RaiseError(ARCHIVE_ERR_FORMAT);
    *pValue = b;
}

void ArchiveReader::ReadShort(DWORD* pValue) {
    DWORD low, high;
    ReadByte(&low);
    ReadByte(&high);
    *pValue = low + 256 * high;
}

void ArchiveReader::ReadLong(DWORD* pValue) {
    DWORD low, high;
    ReadShort(&low);
    ReadShort(&high);
    *pValue = low + 65536 * high;
}

void ArchiveReader::SeekArchive(DWORD archiveOffset) {
    // 64-bit sum: an offset near 4 GiB lands past the end of the file, not at its start.
    m_archive.file.Seek(LONGLONG(archiveOffset) + m_archive.bytesBefore, CFile::begin);
}

void ArchiveReader::ReadBytes(void* pBuffer, UINT count) {
    if (count != 0 && m_archive.file.Read(pBuffer, count) != count) RaiseError(ARCHIVE_ERR_FORMAT);
}

void ArchiveReader::SkipBytes(DWORD count) {
    if (count != 0) m_archive.file.Seek(count, CFile::current);
}
