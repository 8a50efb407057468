#include "app/staged_files.h"

#include "app/install_journal.h"
#include "framework/exception.h"
#include "framework/file.h"
#include "framework/platform.h"

namespace {

// Entry data is read in pieces of the reader's own load size and written in runs of
// up to four pieces, which saves three of every four write calls on large files.
constexpr UINT kPieceSize = 16384;
constexpr UINT kPiecesPerWrite = 4;

uint64_t HashOf(const CString& text) {
    uint64_t h = 14695981039346656037ull;
    for (LPCTSTR p = text; *p != '\0'; ++p)
        h = (h ^ static_cast<unsigned char>(*p)) * 1099511628211ull;
    return h != 0 ? h : 1;  // 0 marks a free slot
}

}  // namespace

StagedFiles::StagedFiles(InstallJournal& journal, const CString& strBaseDir)
    : m_journal(journal),
      m_strBaseDir(strBaseDir),
      m_hashes(64),
      m_data(kPieceSize * kPiecesPerWrite) {}

bool StagedFiles::Holds(const CString& strEntryName) const {
    const uint64_t h = HashOf(strEntryName);
    for (size_t i = h & (m_hashes.size() - 1); m_hashes[i] != 0;
         i = (i + 1) & (m_hashes.size() - 1)) {
        if (m_hashes[i] == h) return true;
    }
    return false;
}

void StagedFiles::Remember(uint64_t h) {
    if (2 * (m_nHashes + 1) > m_hashes.size()) {
        std::vector<uint64_t> old(m_hashes.size() * 2, 0);
        old.swap(m_hashes);
        m_nHashes = 0;
        for (uint64_t k : old) {
            if (k != 0) Remember(k);
        }
    }
    size_t i = h & (m_hashes.size() - 1);
    while (m_hashes[i] != 0) {
        if (m_hashes[i] == h) return;
        i = (i + 1) & (m_hashes.size() - 1);
    }
    m_hashes[i] = h;
    ++m_nHashes;
}

CString StagedFiles::TempPath(const CString& strTarget, uint32_t number) const {
    CString strName;
    strName.Format("%s%lu.tmp", static_cast<LPCTSTR>(m_journal.TempPrefix()),
                   static_cast<unsigned long>(number));
    return strTarget.Left(AfxLastPathSeparator(strTarget) + 1) + strName;
}

void StagedFiles::Stage(ArchiveReader& reader, const EntryInfo& info, const CString& strEntryName,
                        bool bReplaces) {
    const CString strTarget = m_strBaseDir + strEntryName;
    const uint32_t number = static_cast<uint32_t>(m_staged.size());
    m_journal.NoteTempDirectory(strTarget.Left(AfxLastPathSeparator(strTarget)));
    CFile file;
    CFileException error;
    const CString strTemp = TempPath(strTarget, number);
    if (!file.Open(strTemp, CFile::modeCreateNew | CFile::modeWrite, &error)) {
        CFileException::Throw(error.m_cause, error.m_lOsError, strTemp);
    }

    reader.OpenCurrentEntry();
    DWORD delivered = 0;
    UINT filled = 0;
    int n = 0;
    do {
        n = reader.ReadCurrentEntry(m_data.data() + filled, kPieceSize);
        if (n > 0) {
            filled += static_cast<UINT>(n);
            delivered += static_cast<DWORD>(n);
        }
        if (filled > 0 &&
            (n != static_cast<int>(kPieceSize) || filled + kPieceSize > m_data.size())) {
            file.Write(m_data.data(), filled);
            filled = 0;
        }
    } while (n == static_cast<int>(kPieceSize));
    reader.CloseCurrentEntry();
    // Data that ends before its stated size has had no CRC check: as damaged as a
    // wrong CRC.
    if (delivered != info.uncompressedSize) reader.RaiseError(ARCHIVE_ERR_FORMAT);
    ArchiveReader::ApplyEntryStatus(&file, &info);

    m_staged.push_back({static_cast<uint32_t>(m_names.size()), number, bReplaces});
    m_names.append(strEntryName, strEntryName.GetLength());
    m_names.push_back('\0');
    Remember(HashOf(strEntryName));
}

// A new target is renamed into place; one that stood there at staging time is replaced
// (which keeps its permissions and owner where the platform has them).
void StagedFiles::Commit() {
    Platform& platform = Platform::Current();
    for (const Staged& staged : m_staged) {
        const CString strTarget = m_strBaseDir + (m_names.c_str() + staged.nameOffset);
        const CString strTemp = TempPath(strTarget, staged.number);
        const bool moved = staged.replaces ? platform.MoveIntoPlace(strTemp, strTarget)
                                           : platform.RenameFile(strTemp, strTarget);
        if (!moved) CFileException::ThrowOsError(platform.LastError(), strTarget);
    }
    m_staged.clear();
}
