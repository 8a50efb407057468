#include "app/staged_files.h"

#include <memory>
#include <string>

#include "app/entry_copier.h"
#include "app/install_journal.h"
#include "framework/exception.h"
#include "framework/file.h"
#include "framework/file_system.h"

namespace {

// The moves' record is handed to the journal in pieces of about this size.
constexpr size_t kRecordPiece = 262144;

size_t HashOf(const CString& text) {
    uint64_t h = 14695981039346656037ull;
    for (LPCTSTR p = text; *p != '\0'; ++p) {
        h = (h ^ static_cast<unsigned char>(*p)) * 1099511628211ull;
    }
    return static_cast<size_t>(h ^ (h >> 32));
}

}  // namespace

StagedFiles::StagedFiles(FileSystem& files, InstallJournal& journal, EntryCopier& copier,
                         const CString& strBaseDir, size_t nEntries, size_t nNameBytes)
    : m_files(files), m_journal(journal), m_copier(copier), m_strBaseDir(strBaseDir) {
    m_staged.reserve(nEntries);
    m_names.reserve(nNameBytes + nEntries);
    size_t slots = 64;
    while (slots * 7 < nEntries * 10) slots *= 2;
    m_slots.assign(slots, 0);
}

size_t StagedFiles::Slot(const CString& strEntryName) const {
    const size_t mask = m_slots.size() - 1;
    size_t i = HashOf(strEntryName) & mask;
    while (m_slots[i] != 0 && strEntryName != NameOf(m_slots[i] - 1)) i = (i + 1) & mask;
    return i;
}

bool StagedFiles::Holds(const CString& strEntryName) const {
    return m_slots[Slot(strEntryName)] != 0;
}

void StagedFiles::Grow() {
    m_slots.assign(m_slots.size() * 2, 0);
    for (uint32_t number = 0; number < m_staged.size(); ++number) {
        m_slots[Slot(NameOf(number))] = number + 1;
    }
}

CString StagedFiles::TempPath(const CString& strTarget, uint32_t number) const {
    return StagedPathOf(strTarget, m_journal.TempPrefix(), 'n', number);
}

void StagedFiles::AddTree(const CString& strTemp, const CString& strTarget) {
    m_trees.push_back(Tree{static_cast<uint32_t>(m_staged.size()), strTemp, strTarget});
}

void StagedFiles::Stage(ArchiveReader& reader, const EntryInfo& info, const CString& strEntryName,
                        const CString& strOnDisk, bool bInTree, bool bReplaces) {
    const uint32_t number = static_cast<uint32_t>(m_staged.size());
    const UINT flags = CFile::modeCreateNew | CFile::modeWrite;
    auto file = std::make_unique<CFile>(m_files);
    CFileException error;
    // In a tree a name is written as itself, unless it came before, or another
    // spelling of it did: then, as anywhere else, to a temporary file beside it.
    // A name staged before replaces what was staged for it, at the commit.
    bReplaces = bReplaces || Holds(strEntryName);
    bool bInPlace = bInTree && !bReplaces;
    CFileStatus status;
    if (bInPlace && !file->Open(strOnDisk, flags, &error)) {
        // Refused because the name is taken (by another spelling of an earlier entry).
        if (error.m_cause != CFileException::accessDenied ||
            !CFile::GetStatus(m_files, strOnDisk, status)) {
            CFileException::Throw(error.m_cause, error.m_lOsError, strOnDisk);
        }
        bInPlace = false;
        bReplaces = true;
    }
    if (!bInPlace) {
        m_journal.NoteTempDirectory(strOnDisk.Left(AfxLastPathSeparator(strOnDisk)));
        const CString strTarget = m_strBaseDir + strEntryName;
        // A kill after the tree moved would find the file there.
        if (bInTree) m_journal.NoteTempDirectory(strTarget.Left(AfxLastPathSeparator(strTarget)));
        const CString strTemp = TempPath(strOnDisk, number);
        if (!file->Open(strTemp, flags, &error)) {
            CFileException::Throw(error.m_cause, error.m_lOsError, strTemp);
        }
    }

    m_copier.Copy(std::move(file), info, reader.CheckCurrentEntry());

    const size_t slot = Slot(strEntryName);
    m_staged.push_back(static_cast<uint32_t>(m_names.size()) | (bReplaces ? kReplaces : 0) |
                       (bInPlace ? kInPlace : 0));
    m_names.append(strEntryName, strEntryName.GetLength());
    m_names.push_back('\0');
    m_slots[slot] = number + 1;  // a name staged again keeps only its latest file
    if (m_staged.size() * 10 > m_slots.size() * 7) Grow();
}

template <class Visit>
void StagedFiles::ForEachMove(Visit visit) const {
    size_t tree = 0;
    auto treesUpTo = [&](uint32_t number) {
        for (; tree < m_trees.size() && m_trees[tree].firstFile <= number; ++tree) {
            visit('t', static_cast<uint32_t>(tree), m_trees[tree].strTarget);
        }
    };
    for (uint32_t number = 0; number < m_staged.size(); ++number) {
        treesUpTo(number);
        if ((m_staged[number] & kInPlace) != 0) continue;
        visit((m_staged[number] & kReplaces) != 0 ? 'r' : 'n', number,
              m_strBaseDir + NameOf(number));
    }
    treesUpTo(UINT32_MAX);
}

// The moves are recorded, with the staged data, on the disk before the first one, so
// that a failure or a kill anywhere among them can be undone (by the journal, from the
// record). A replaced file keeps a second name until the installation ends: its old
// contents come back from there.
void StagedFiles::Commit() {
    const CString strCustomDir = m_strBaseDir.Left(m_strBaseDir.GetLength() - 1);
    const CString& strPrefix = m_journal.TempPrefix();
    if (m_staged.empty() && m_trees.empty()) return;
    std::string lines;
    ForEachMove([&](char kind, uint32_t number, const CString& strTarget) {
        lines += kind;
        lines += ' ';
        lines += std::to_string(number);
        lines += ' ';
        lines.append(static_cast<LPCTSTR>(strTarget) + m_strBaseDir.GetLength());
        lines += '\n';
        if (lines.size() >= kRecordPiece) {
            m_journal.NoteMoves(lines);
            lines.clear();
        }
    });
    m_journal.NoteMoves(lines);
    m_journal.NoteCommit();
    auto check = [](const FileError& error, const CString& strPath) {
        if (error) CFileException::Throw(error, strPath);
    };
    check(m_files.FlushVolume(strCustomDir), strCustomDir);

    ForEachMove([&](char kind, uint32_t number, const CString& strTarget) {
        const CString strStaged = StagedPathOf(strTarget, strPrefix, kind, number);
        if (kind != 'r') {
            check(m_files.MoveNew(strStaged, strTarget), strTarget);
            return;
        }
        const CString strBackup = BackupPathOf(strTarget, strPrefix, number);
        check(m_files.SetAside(strTarget, strBackup), strTarget);
        check(m_files.Replace(strStaged, strTarget), strTarget);
    });
    check(m_files.FlushVolume(strCustomDir), strCustomDir);
    m_journal.NoteDone();

    // What is left of the old files; the journal looks for any that stay.
    ForEachMove([&](char kind, uint32_t number, const CString& strTarget) {
        if (kind == 'r' && m_files.RemoveFile(BackupPathOf(strTarget, strPrefix, number))) {
            m_bLeftovers = true;
        }
    });
    m_staged.clear();
    m_trees.clear();
}
