// ArchiveReader's entry extraction: opening, reading and closing an entry's data,
// zlib's tracked allocations, and the stamping of an extracted file.
#include <algorithm>
#include <new>

#include "archive/archive_reader.h"
#include "archive/crc32.h"

namespace {

constexpr DWORD kLocalSignature = 0x04034B50;
constexpr DWORD kLocalHeaderSize = 30;
constexpr DWORD kSizesFollowData = 8;  // general purpose flag bit 3
constexpr DWORD kStored = 0;
constexpr DWORD kDeflated = 8;
// The 1.1.3 interface; zlib compares only the major digit.
constexpr char kZlibVersion[] = "1.1.3";

}  // namespace

EntryReadState::EntryReadState() : stream() {}

void ArchiveFile::AllocateReadState() {
    if (!readState) readState.reset(new EntryReadState);
}

void ArchiveFile::FreeReadState() {
    readState.reset();
}

DWORD ArchiveReader::CheckLocalHeader() {
    const EntryInfo& info = m_archive.info;
    SeekArchive(m_archive.localHeaderOffset);

    DWORD value, flags;
    ReadLong(&value);
    if (value != kLocalSignature) RaiseError(ARCHIVE_ERR_FORMAT);
    ReadShort(&value);  // version needed
    ReadShort(&flags);
    ReadShort(&value);
    if (value != info.method) RaiseError(ARCHIVE_ERR_FORMAT);
    if (info.method != kStored && info.method != kDeflated) RaiseError(ARCHIVE_ERR_FORMAT);
    ReadLong(&value);  // time and date
    const bool relaxed = (flags & kSizesFollowData) != 0;
    ReadLong(&value);
    if (value != info.crc && !relaxed) RaiseError(ARCHIVE_ERR_FORMAT);
    ReadLong(&value);
    if (value != info.compressedSize && !relaxed) RaiseError(ARCHIVE_ERR_FORMAT);
    ReadLong(&value);
    if (value != info.uncompressedSize && !relaxed) RaiseError(ARCHIVE_ERR_FORMAT);
    DWORD nameLength, extraLength;
    ReadShort(&nameLength);
    if (nameLength != info.nameLength) RaiseError(ARCHIVE_ERR_FORMAT);
    ReadShort(&extraLength);

    // The data must start at an offset that 32 bits can hold, and, once the layout is
    // known, end before the next record begins.
    const ULONGLONG dataOffset =
        ULONGLONG(m_archive.localHeaderOffset) + kLocalHeaderSize + nameLength + extraLength;
    if (dataOffset > 0xFFFFFFFFu) RaiseError(ARCHIVE_ERR_FORMAT);
    if (!m_records.empty() &&
        dataOffset + info.compressedSize > NextRecordOffset(m_archive.localHeaderOffset)) {
        RaiseError(ARCHIVE_ERR_FORMAT);
    }
    return nameLength + extraLength;
}

void ArchiveReader::OpenCurrentEntry() {
    if (m_archive.entryValid == 0) RaiseError(ARCHIVE_ERR_CALL);
    if (m_archive.readState) CloseCurrentEntry();
    OpenEntryData(m_archive.info, CheckCurrentEntry());
}

DWORD ArchiveReader::CheckCurrentEntry() {
    if (m_archive.entryValid == 0) RaiseError(ARCHIVE_ERR_CALL);
    const DWORD localLength = CheckLocalHeader();
    return m_archive.localHeaderOffset + kLocalHeaderSize + localLength;
}

void ArchiveReader::OpenEntryData(const EntryInfo& info, DWORD dataPos) {
    if (m_archive.readState) CloseCurrentEntry();
    m_archive.AllocateReadState();
    EntryReadState& state = *m_archive.readState;

    if (info.method != kStored && info.method != kDeflated) RaiseError(ARCHIVE_ERR_FORMAT);
    // Stored data cannot be shorter than what it stands for.
    if (info.method == kStored && info.compressedSize < info.uncompressedSize)
        RaiseError(ARCHIVE_ERR_FORMAT);

    state.expectedCrc = info.crc;
    state.method = info.method;

    if (state.method != kStored) {
        state.stream.zalloc = &ArchiveReader::TrackedAlloc;
        state.stream.zfree = &ArchiveReader::TrackedFree;
        state.stream.opaque = m_bTrackAllocations ? &m_allocations : nullptr;
        const int rc =
            inflateInit2_(&state.stream, -MAX_WBITS, kZlibVersion, int(sizeof(z_stream)));
        if (rc == Z_OK)
            state.streamInitialised = 1;
        else
            CheckError(rc);
    }

    state.compressedLeft = info.compressedSize;
    state.uncompressedLeft = info.uncompressedSize;
    state.dataPos = dataPos;
    state.stream.avail_in = 0;
}

int ArchiveReader::ReadCurrentEntry(void* pBuffer, UINT count) {
    if (!m_archive.readState) RaiseError(ARCHIVE_ERR_CALL);
    EntryReadState& state = *m_archive.readState;
    if (count == 0 || pBuffer == nullptr || state.endedEarly) return 0;

    if (count > 0x7FFFFFFFu) count = 0x7FFFFFFFu;  // the count returned is signed
    z_stream& s = state.stream;
    s.next_out = static_cast<Bytef*>(pBuffer);
    s.avail_out = count < state.uncompressedLeft ? count : state.uncompressedLeft;
    UINT delivered = 0;

    while (s.avail_out > 0) {
        if (state.method == kStored) {
            // Stored data is its own output: it is loaded straight into the caller's
            // buffer, as much as it asks for at once, without a second copy.
            const UINT n =
                s.avail_out < state.compressedLeft ? s.avail_out : UINT(state.compressedLeft);
            if (n == 0) RaiseError(ARCHIVE_ERR_FORMAT);
            SeekArchive(state.dataPos);
            ReadBytes(s.next_out, n);
            state.dataPos += n;
            state.compressedLeft -= n;
            state.crc = Crc32(state.crc, s.next_out, n);
            state.uncompressedLeft -= n;
            s.avail_out -= n;
            s.next_out += n;
            s.total_out += n;
            delivered += n;
            continue;
        }
        if (s.avail_in == 0 && state.compressedLeft > 0) {
            if (!state.buffer) {
                state.bufferSize =
                    std::min<UINT>(state.compressedLeft, EntryReadState::kBufferSize);
                state.buffer.reset(new BYTE[state.bufferSize]);
            }
            const UINT n = std::min<UINT>(state.compressedLeft, state.bufferSize);
            SeekArchive(state.dataPos);
            // A short load means the file is shorter than the entry claims.
            ReadBytes(state.buffer.get(), n);
            state.dataPos += n;
            state.compressedLeft -= n;
            s.next_in = state.buffer.get();
            s.avail_in = n;
        }

        const uLong totalBefore = s.total_out;
        Bytef* const outBefore = s.next_out;
        const uInt inBefore = s.avail_in;
        const int rc = inflate(&s, Z_SYNC_FLUSH);
        const UINT k = UINT(s.total_out - totalBefore);
        state.crc = Crc32(state.crc, outBefore, k);
        state.uncompressedLeft -= k;
        delivered += k;
        if (rc == Z_STREAM_END) {
            if (state.uncompressedLeft != 0) state.endedEarly = 1;
            return int(delivered);
        }
        CheckError(rc);
        // Only Z_NEED_DICT can come back without progress; it would never end.
        if (k == 0 && s.avail_in == inBefore) RaiseError(rc);
    }
    return int(delivered);
}

void ArchiveReader::CloseCurrentEntry() {
    if (!m_archive.readState) return;
    EntryReadState& state = *m_archive.readState;
    if (state.uncompressedLeft == 0 && state.crc != state.expectedCrc) RaiseError(ARCHIVE_ERR_CRC);
    // Delivered in full as far as the data went, yet short of the stated size.
    if (state.endedEarly) RaiseError(ARCHIVE_ERR_FORMAT);
    if (state.streamInitialised) inflateEnd(&state.stream);
    m_archive.FreeReadState();
}

voidpf ArchiveReader::TrackedAlloc(voidpf opaque, uInt items, uInt size) {
    if (size != 0 && items > size_t(-1) / size) return Z_NULL;
    // zlib expects null on failure; nothing may be thrown through its frames.
    void* block = ::operator new(size_t(items) * size, std::nothrow);
    if (block != nullptr && opaque != nullptr) {
        try {
            static_cast<CPtrList*>(opaque)->AddTail(block);
        } catch (...) {
            ::operator delete(block);
            return Z_NULL;
        }
    }
    return block;
}

void ArchiveReader::TrackedFree(voidpf opaque, voidpf address) {
    if (opaque != nullptr) {
        CPtrList* list = static_cast<CPtrList*>(opaque);
        POSITION pos = list->Find(address);
        if (pos != nullptr) list->RemoveAt(pos);
    }
    ::operator delete(address);
}

void ArchiveReader::ApplyEntryStatus(CFile* pFile, const EntryInfo* pInfo) {
    // Through the open file, then closed: one open per extracted file.
    const CTime now = CTime::GetCurrentTime();
    CFileStatus status;
    status.m_ctime = now;
    status.m_mtime = pInfo->modifiedTime;
    status.m_atime = now;
    pFile->SetStatus(status, pInfo->externalAttributes);
    pFile->Close();
}
