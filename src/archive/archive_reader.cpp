// Opening, the end-record search and the central directory walk.
#include "archive/archive_reader.h"

#include <memory>

namespace {

constexpr DWORD kCentralSignature = 0x02014B50;
constexpr DWORD kCentralHeaderSize = 46;
constexpr DWORD kSearchLimit = 0xFFFF;  // end record (22) + longest comment, rounded
constexpr UINT kSearchWindow = 1028;    // 1,024 new bytes + 4 overlapping the last window

struct FileExceptionDelete {
    void operator()(CFileException* e) const { e->Delete(); }
};

}  // namespace

ArchiveReader::ArchiveReader(LPCTSTR lpszArchivePath) {
    m_bExceptionTag = 0;
    m_pStorage = &m_archive.file;
    Open(lpszArchivePath);
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

void ArchiveReader::ReadCentralHeader(EntryInfo* pInfo, DWORD* pLocalHeaderOffset, char* pszName,
                                      UINT nameSize, void* pExtra, UINT extraSize, char* pszComment,
                                      UINT commentSize) {
    SeekArchive(m_archive.centralPos);
    DWORD signature;
    ReadLong(&signature);
    if (signature != kCentralSignature) RaiseError(ARCHIVE_ERR_FORMAT);

    DWORD time, date;
    ReadShort(&pInfo->versionMadeBy);
    ReadShort(&pInfo->versionNeeded);
    ReadShort(&pInfo->flags);
    ReadShort(&pInfo->method);
    ReadShort(&time);
    ReadShort(&date);
    pInfo->dosDateTime = (date << 16) | time;
    ConvertDosTime(pInfo);
    ReadLong(&pInfo->crc);
    ReadLong(&pInfo->compressedSize);
    ReadLong(&pInfo->uncompressedSize);
    ReadShort(&pInfo->nameLength);
    ReadShort(&pInfo->extraLength);
    ReadShort(&pInfo->commentLength);
    ReadShort(&pInfo->diskStart);
    ReadShort(&pInfo->internalAttributes);
    ReadLong(&pInfo->externalAttributes);
    ReadLong(pLocalHeaderOffset);

    // Header bytes passed over but not yet read.
    DWORD skip = pInfo->nameLength;
    if (pszName != nullptr) {
        DWORD count = nameSize;
        if (pInfo->nameLength < nameSize) {
            pszName[pInfo->nameLength] = '\0';
            count = pInfo->nameLength;
        }
        ReadBytes(pszName, count);
        skip -= count;
    }
    if (pExtra != nullptr) {
        const DWORD count = pInfo->extraLength < extraSize ? pInfo->extraLength : extraSize;
        SkipBytes(skip);
        skip = 0;
        ReadBytes(pExtra, count);
        skip += pInfo->extraLength - count;
    } else {
        skip += pInfo->extraLength;
    }
    if (pszComment != nullptr) {
        DWORD count = commentSize;
        if (pInfo->commentLength < commentSize) {
            pszComment[pInfo->commentLength] = '\0';
            count = pInfo->commentLength;
        }
        SkipBytes(skip);
        ReadBytes(pszComment, count);
    }
}

void ArchiveReader::ConvertDosTime(EntryInfo* pInfo) {
    if (!m_bHaveLastTime || pInfo->dosDateTime != m_lastDosDateTime) {
        m_lastModifiedTime =
            CTime(WORD(pInfo->dosDateTime >> 16), WORD(pInfo->dosDateTime & 0xFFFF), -1);
        m_lastDosDateTime = pInfo->dosDateTime;
        m_bHaveLastTime = true;
    }
    pInfo->modifiedTime = m_lastModifiedTime;
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
