// Sequential, read-only access to the entries of a single-disk ZIP archive with
// stored and deflated entries. Every failure is thrown: CZipException* for the
// archive's own faults and zlib's codes, CFileException* for the file system.
#pragma once

#include <zlib.h>

#include <memory>
#include <utility>
#include <vector>

#include "archive/zip_exception.h"
#include "framework/ctime.h"
#include "framework/file.h"
#include "framework/ptr_list.h"

// The fields of one central directory header, each widened to 32 bits.
struct EntryInfo {
    DWORD versionMadeBy = 0;
    DWORD versionNeeded = 0;
    DWORD flags = 0;        // bit 3: sizes and CRC follow the data
    DWORD method = 0;       // 0 stored, 8 deflated
    DWORD dosDateTime = 0;  // time in the low 16 bits, date in the high 16 bits
    DWORD crc = 0;
    DWORD compressedSize = 0;
    DWORD uncompressedSize = 0;
    DWORD nameLength = 0;
    DWORD extraLength = 0;
    DWORD commentLength = 0;
    DWORD diskStart = 0;
    DWORD internalAttributes = 0;
    DWORD externalAttributes = 0;  // applied as Windows file attributes
    CTime modifiedTime;            // dosDateTime as local calendar time
};

// State of the one open entry. Archive offsets exclude the bytes in front.
struct EntryReadState {
    // Compressed data loads in pieces of up to this size: zlib copies the end of its
    // output into its window once per call, so fewer, larger calls copy less.
    static constexpr UINT kBufferSize = 262144;

    EntryReadState();
    EntryReadState(const EntryReadState&) = delete;
    EntryReadState& operator=(const EntryReadState&) = delete;

    // Loaded compressed data: made at the first load, as large as the entry's data or
    // kBufferSize, whichever is less (stored data needs none).
    std::unique_ptr<BYTE[]> buffer;
    UINT bufferSize = 0;
    z_stream stream;    // for stored data only the in/out counters are used
    DWORD dataPos = 0;  // archive offset of the next byte to load
    DWORD streamInitialised = 0;
    DWORD crc = 0;  // running CRC-32 of what was delivered
    DWORD expectedCrc = 0;
    DWORD compressedLeft = 0;
    DWORD uncompressedLeft = 0;
    DWORD method = 0;
    // The deflate stream ended before uncompressedSize bytes came out.
    DWORD endedEarly = 0;
};

// The archive file and the walk's position in its central directory.
struct ArchiveFile {
    explicit ArchiveFile(FileSystem& files) : file(files) {}
    ArchiveFile(const ArchiveFile&) = delete;
    ArchiveFile& operator=(const ArchiveFile&) = delete;

    // Creates the read state unless there is one. Neither calls zlib.
    void AllocateReadState();
    void FreeReadState();

    CFile file;
    DWORD entryCount = 0;
    DWORD bytesBefore = 0;  // bytes in the file in front of the archive proper
    DWORD entryIndex = 0;
    DWORD centralPos = 0;  // archive offset of the current central header
    DWORD entryValid = 0;
    DWORD centralSize = 0;
    DWORD centralOffset = 0;
    EntryInfo info;  // the current entry
    DWORD localHeaderOffset = 0;
    // Declared last, so it goes before the file object on destruction.
    std::unique_ptr<EntryReadState> readState;
};

class ArchiveBase {
  public:
    ArchiveBase();
    virtual ~ArchiveBase();  // deletes every block zlib still holds
    ArchiveBase(const ArchiveBase&) = delete;
    ArchiveBase& operator=(const ArchiveBase&) = delete;

    // True without storage or with the storage file not open.
    bool IsClosed() const;
    // Throws CZipException* for the code, with the archive's path when it is open.
    [[noreturn]] void RaiseError(int code);
    // Returns Z_OK and Z_NEED_DICT unchanged and raises every other code.
    int CheckError(int code);

    BYTE m_bTrackAllocations;
    CPtrList m_allocations;  // blocks handed to zlib and not yet released
    CFile* m_pStorage;
    BYTE m_bExceptionTag;
};

class ArchiveReader : public ArchiveBase {
  public:
    // Opens the archive on `files` and makes its first entry current; throws on failure.
    ArchiveReader(FileSystem& files, LPCTSTR lpszArchivePath);
    // A reader of entry data only (OpenEntryData, ReadCurrentEntry, CloseCurrentEntry),
    // on other's open archive, at a position of its own: for a second thread, while
    // other stays open.
    ArchiveReader(FileSystem& files, const ArchiveReader& other);
    // Releases an open entry and the file without any CRC check.
    ~ArchiveReader() override;

    // No effect while open.
    void Open(LPCTSTR lpszArchivePath);
    // Closes an open entry (CRC check) and the file; no effect when closed.
    void Close();

    // Walks the central directory once and refuses (ARCHIVE_ERR_FORMAT) entries whose
    // local records overlap one another or the directory, as an archive that expands
    // one small record many times over would; returns the total of the declared
    // uncompressed sizes. The first entry is current afterwards.
    ULONGLONG CheckLayout();

    // The number of entries the directory holds.
    DWORD GetEntryCount() const { return m_archive.entryCount; }
    // A bound for the bytes of every entry's name together: what the central directory
    // holds beyond its fixed-size headers.
    ULONGLONG GetNameBytesBound() const;

    void GoToFirstEntry();
    // False at the last entry, which stays current.
    bool GoToNextEntry();
    // Re-reads the current central header into *pInfo (when given) and the buffers.
    // A buffer larger than its field gets a terminating zero; otherwise it is filled
    // without one.
    void GetCurrentEntryInfo(EntryInfo* pInfo, char* pszName = nullptr, UINT nameSize = 0,
                             void* pExtra = nullptr, UINT extraSize = 0, char* pszComment = nullptr,
                             UINT commentSize = 0);

    // Checks the local header and prepares reading; closes a previous entry first,
    // which raises that entry's CRC failure.
    void OpenCurrentEntry();
    // OpenCurrentEntry in two halves: the check of the current entry's local header,
    // which returns where its data begins, and the preparation to read the data of an
    // entry info describes from there, on this reader or one sharing its archive.
    DWORD CheckCurrentEntry();
    void OpenEntryData(const EntryInfo& info, DWORD dataPos);
    // Delivers up to count bytes; fewer only at the entry's end, 0 after it.
    int ReadCurrentEntry(void* pBuffer, UINT count);
    // Raises ARCHIVE_ERR_CRC for a completely read entry whose CRC differs, and
    // ARCHIVE_ERR_FORMAT when its deflate data ended before its stated size (the
    // entry then stays open); a partly read entry closes without a check.
    void CloseCurrentEntry();

    // Gives the open file pFile the entry's last-write time, "now" as creation and
    // access time, and the entry's external attributes, then closes it.
    static void ApplyEntryStatus(CFile* pFile, const EntryInfo* pInfo);

    // zlib's allocation callbacks; opaque is the CPtrList that tracks blocks, or null.
    static voidpf TrackedAlloc(voidpf opaque, uInt items, uInt size);
    static void TrackedFree(voidpf opaque, voidpf address);

    ArchiveFile m_archive;

  protected:
    DWORD FindEndRecord();
    void ReadCentralHeader(EntryInfo* pInfo, DWORD* pLocalHeaderOffset, char* pszName,
                           UINT nameSize, void* pExtra, UINT extraSize, char* pszComment,
                           UINT commentSize);
    void ConvertDosTime(EntryInfo* pInfo);
    // Compares the local header with the central one; returns the length of its name
    // and extra field, which the data follows.
    DWORD CheckLocalHeader();
    void ReadByte(DWORD* pValue);
    void ReadShort(DWORD* pValue);
    void ReadLong(DWORD* pValue);

  private:
    static constexpr UINT kCentralWindow = 32768;

    // Central directory bytes come through a window of their own, so that walking the
    // directory and reading entries do not take turns refilling one buffer.
    void ReadCentralBytes(DWORD archiveOffset, void* pBuffer, UINT count);
    // Where the local record after the one at localHeaderOffset begins (the central
    // directory after the last); known after CheckLayout.
    DWORD NextRecordOffset(DWORD localHeaderOffset) const;
    void SeekArchive(DWORD archiveOffset);
    void ReadBytes(void* pBuffer, UINT count);
    void SkipBytes(DWORD count);

    // Recent conversions: a header is read more than once per entry, and packs reuse
    // stamps, while each local-time conversion takes the C library a while.
    struct ConvertedTime {
        DWORD dosDateTime;
        CTime time;
        bool valid;
    };
    ConvertedTime m_converted[64] = {};  // by the stamp's low bits

    std::unique_ptr<BYTE[]> m_centralWindow;
    DWORD m_centralStart = 0;  // archive offset of the window's first byte
    UINT m_centralSize = 0;
    // Each entry's local record: its offset and the least end its header and data
    // reach, sorted by offset (filled by CheckLayout).
    std::vector<std::pair<DWORD, DWORD>> m_records;
};
