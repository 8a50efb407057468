#include "app/install_journal.h"

#include "app/install_outcome.h"

#include <cctype>
#include <random>
#include <string_view>
#include <vector>

#include "framework/exception.h"
#include "framework/file.h"
#include "framework/file_system.h"

const char kJournalName[] = "~tpx.lock";

namespace {

const char kHeader[] = "tpx journal ";
// "~tpx", eight hex digits and "-": the part of a temporary name that tells its run.
const size_t kPrefixLength = 13;
// Enough for the moves of the largest pack (65,535 names of 259 bytes) and its
// directories; a run that would need more fails before its commit, and a longer record
// was not written by an installation.
const ULONGLONG kMaxRecord = 64ull << 20;

uint64_t Hash(const char* kind, const CString& text) {
    uint64_t h = 14695981039346656037ull;
    auto mix = [&h](const char* p) {
        for (; *p != '\0'; ++p) h = (h ^ static_cast<unsigned char>(*p)) * 1099511628211ull;
    };
    mix(kind);
    mix(text);
    return h;
}

bool IsPrefix(const std::string& prefix) {
    if (prefix.size() != kPrefixLength || prefix.compare(0, 4, "~tpx") != 0 ||
        prefix.back() != '-') {
        return false;
    }
    for (size_t i = 4; i < 12; ++i) {
        if (!std::isxdigit(static_cast<unsigned char>(prefix[i]))) return false;
    }
    return true;
}

CString Beside(const CString& strTarget, const CString& strPrefix) {
    return strTarget.Left(AfxLastPathSeparator(strTarget) + 1) + strPrefix;
}

// Whether something stands at the path; *pbUnknown is set when that cannot be told (a
// link on the way), and the record then stays for a later run.
bool Exists(FileSystem& files, const CString& strPath, bool* pbUnknown) {
    CFileStatus status;
    const FileError error = files.GetPathStatus(strPath, status);
    if (error && !error.IsMissing()) *pbUnknown = true;
    return !error;
}

}  // namespace

CString StagedPathOf(const CString& strTarget, const CString& strPrefix, char kind,
                     uint32_t number) {
    CString strPath = Beside(strTarget, strPrefix);
    if (kind == 't') strPath += 'd';
    strPath += std::to_string(number).c_str();
    if (kind != 't') strPath += ".tmp";
    return strPath;
}

CString BackupPathOf(const CString& strTarget, const CString& strPrefix, uint32_t number) {
    CString strPath = Beside(strTarget, strPrefix);
    strPath += std::to_string(number).c_str();
    strPath += ".old";
    return strPath;
}

InstallJournal::InstallJournal(FileSystem& files, const CString& strCustomDir,
                               const std::function<bool()>& keepWaiting)
    : m_files(files),
      m_strCustomDir(strCustomDir),
      m_strLockPath(strCustomDir + "\\" + kJournalName) {
    // From here on nothing below custom is reached through a link.
    m_files.ConfineBelow(m_strCustomDir);
    bool bCancelled = false;
    FileError error;
    while ((error = m_files.OpenLock(m_strLockPath, &m_hLock)).kind == FileError::lockHeld) {
        if (!keepWaiting()) {
            bCancelled = true;
            break;
        }
    }
    if (error) {
        // With no lock file there is no other installation to blame: custom refused it.
        CFileStatus status;
        const bool bLockExists = !m_files.GetPathStatus(m_strLockPath, status);
        m_files.ConfineBelow("");
        if (bCancelled) CInstallException::Throw(InstallFailure::Kind::cancelled, m_strLockPath);
        CFileException::Throw(error, bLockExists ? m_strLockPath : m_strCustomDir);
    }
    ULONGLONG length = 0;
    bool bClean = true;
    std::string record;
    if (!m_files.GetLength(m_hLock, &length) && length <= kMaxRecord &&
        ReadRecord(length, record)) {
        bClean = PutBack(record);
    }
    std::random_device random;
    m_strPrefix.Format("~tpx%08x-", static_cast<unsigned>(random()));
    const CString strHeader = CString(kHeader) + m_strPrefix + "\n";
    // What a killed run left and could not be put back stays recorded, and nothing
    // more is done until it can be.
    if (bClean && !(error = m_files.SetLength(m_hLock, 0))) {
        error = m_files.WriteAt(m_hLock, static_cast<LPCTSTR>(strHeader), strHeader.GetLength(), 0);
    }
    if (!bClean || error) {
        m_files.CloseLock(m_hLock, m_strLockPath, bClean);
        m_files.ConfineBelow("");
        CFileException::Throw(bClean ? error : FileError::accessDenied, m_strLockPath);
    }
    m_nSize = static_cast<ULONGLONG>(strHeader.GetLength());
}

InstallJournal::~InstallJournal() {
    if (!m_bFinished) {
        bool bClean = false;
        try {
            std::string record;
            if (ReadRecord(m_nSize, record)) {
                bClean = PutBack(record) && !m_files.SetLength(m_hLock, 0);
            }
        } catch (...) {
            // Left for the next run, which puts back what is recorded.
        }
        m_files.CloseLock(m_hLock, m_strLockPath, bClean);
    }
    m_files.ConfineBelow("");
}

bool InstallJournal::ReadRecord(ULONGLONG size, std::string& record) const {
    record.assign(static_cast<size_t>(size), '\0');
    UINT got = 0;
    if (size == 0 || m_files.ReadAt(m_hLock, &record[0], static_cast<UINT>(size), 0, &got)) {
        return false;
    }
    record.resize(got);
    return true;
}

void InstallJournal::NoteMadeDirectory(const CString& strDir) {
    Note("made ", strDir);
}

void InstallJournal::NoteTempDirectory(const CString& strDir) {
    Note("temp ", strDir);
}

void InstallJournal::NoteTempTree(const CString& strDir) {
    Note("tree ", strDir);
}

void InstallJournal::Note(const char* kind, const CString& strDir) {
    if (!m_noted.insert(Hash(kind, strDir)).second) return;
    CString strLine = kind;
    strLine += strDir.GetLength() > m_strCustomDir.GetLength()
                   ? strDir.Mid(m_strCustomDir.GetLength() + 1)
                   : CString(".");
    strLine += "\n";
    Append(strLine, static_cast<size_t>(strLine.GetLength()));
}

void InstallJournal::NoteMoves(const std::string& lines) {
    Append(lines.data(), lines.size());
}

void InstallJournal::NoteCommit() {
    Append("commit\n", 7);
}

// Once "done" is on the disk nothing is undone, so it must not be there unless the
// moves are: a flush that fails takes it back, and the run is undone instead.
void InstallJournal::NoteDone() {
    const ULONGLONG before = m_nSize;
    Append("done\n", 5);
    if (const FileError error = m_files.FlushVolume(m_strCustomDir)) {
        if (!m_files.SetLength(m_hLock, before)) m_nSize = before;
        CFileException::Throw(error, m_strCustomDir);
    }
}

void InstallJournal::Append(const char* text, size_t length) {
    if (m_nSize + length > kMaxRecord) {
        CFileException::Throw(FileError::diskFull, m_strLockPath);
    }
    if (const FileError error =
            m_files.WriteAt(m_hLock, text, static_cast<UINT>(length), m_nSize)) {
        CFileException::Throw(error, m_strLockPath);
    }
    m_nSize += length;
}

// Past "done" a record left behind only has its leftovers removed by the next run.
void InstallJournal::Finish(bool bLeftovers) {
    m_bFinished = true;
    bool bClean = true;
    if (bLeftovers) {
        try {
            std::string record;
            bClean = ReadRecord(m_nSize, record) && PutBack(record);
        } catch (...) {
            bClean = false;
        }
    }
    if (bClean) m_files.SetLength(m_hLock, 0);
    m_files.CloseLock(m_hLock, m_strLockPath, bClean);
}

// In one spelling (single separators, no "." components), so that a folder is known as
// itself however a record names it.
CString InstallJournal::PathOf(const std::string& relative, bool bFolder) const {
    // Only paths below custom: a record is a file anyone could have written.
    if (relative.empty() || relative.find(':') != std::string::npos || relative[0] == '\\' ||
        relative[0] == '/') {
        return CString();
    }
    std::string path;
    size_t start = 0;
    while (start <= relative.size()) {
        size_t end = relative.find_first_of("\\/", start);
        if (end == std::string::npos) end = relative.size();
        const std::string part = relative.substr(start, end - start);
        if (part == "..") return CString();
        if (!part.empty() && part != ".") (path += '\\') += part;
        start = end + 1;
    }
    // Only a folder to look into may be custom itself: nothing moves or goes from there.
    if (path.empty() && !bFolder) return CString();
    return m_strCustomDir + path.c_str();
}

// One pass over the record; each directory is looked at once however often it is
// named, so the work grows with the record's size, not with its square.
bool InstallJournal::PutBack(const std::string& record) {
    if (record.compare(0, sizeof kHeader - 1, kHeader) != 0) return true;  // not a record
    const std::string prefix = record.substr(sizeof kHeader - 1, kPrefixLength);
    if (!IsPrefix(prefix)) return true;
    const CString strPrefix = prefix.c_str();

    struct Move {
        char kind;
        uint32_t number;
        CString strTarget;
    };
    std::vector<Move> moves;
    std::vector<CString> made, temps, trees;
    std::unordered_set<std::string> seen;  // the temp folders, each listed once
    bool bCommitted = false, bDone = false;
    size_t pos = record.find('\n');
    while (pos != std::string::npos && pos + 1 < record.size()) {
        const size_t end = record.find('\n', pos + 1);
        if (end == std::string::npos) break;  // a line cut short by the kill
        const std::string_view line(record.data() + pos + 1, end - pos - 1);
        pos = end;
        bCommitted = bCommitted || line == "commit";
        bDone = bDone || line == "done";
        if (line.size() < 5) continue;
        const bool bMove = line[1] == ' ' && (line[0] == 'n' || line[0] == 'r' || line[0] == 't');
        if (!bMove && line.size() < 6) continue;
        const std::string rest(line.substr(bMove ? 2 : 5));
        if (bMove) {
            const size_t blank = rest.find(' ');
            if (blank == std::string::npos || blank == 0 || blank > 9 ||
                rest.find_first_not_of("0123456789") != blank) {
                continue;
            }
            const CString strTarget = PathOf(rest.substr(blank + 1), false);
            if (strTarget.IsEmpty()) continue;
            moves.push_back(
                Move{line[0], static_cast<uint32_t>(std::stoul(rest.substr(0, blank))), strTarget});
            continue;
        }
        const std::string_view kind = line.substr(0, 5);
        const CString strPath = PathOf(rest, kind == "temp ");
        if (strPath.IsEmpty()) continue;
        if (kind == "made ") made.push_back(strPath);
        if (kind == "temp " && seen.insert(static_cast<LPCTSTR>(strPath)).second) {
            temps.push_back(strPath);
        }
        // Only a tree that bears the run's name: anything else is not the run's to take.
        if (kind == "tree " &&
            strPath.Mid(AfxLastPathSeparator(strPath) + 1).Left(int(kPrefixLength)) == strPrefix) {
            trees.push_back(strPath);
        }
    }

    bool bClean = true;
    bool bUnknown = false;
    // The moves are undone last to first, each as far as it got: what stands at the
    // staged name tells whether a move was made.
    if (bCommitted && !bDone) {
        for (auto it = moves.rbegin(); it != moves.rend(); ++it) {
            const CString strStaged = StagedPathOf(it->strTarget, strPrefix, it->kind, it->number);
            if (!Exists(m_files, strStaged, &bUnknown) &&
                Exists(m_files, it->strTarget, &bUnknown)) {
                bClean = !m_files.MoveBack(it->strTarget, strStaged) && bClean;
            }
            if (it->kind != 'r' || Exists(m_files, it->strTarget, &bUnknown)) continue;
            const CString strBackup = BackupPathOf(it->strTarget, strPrefix, it->number);
            if (Exists(m_files, strBackup, &bUnknown)) {
                bClean = !m_files.MoveBack(strBackup, it->strTarget) && bClean;
            }
        }
    }
    if (bCommitted && !bDone) {
        // The staged names are the only evidence of how far each move got: they stay
        // until every move is undone, and then "done" keeps a later run from undoing
        // again what the cleanup below removes.
        if (!bClean || bUnknown ||
            m_files.WriteAt(m_hLock, "\ndone\n", 6, static_cast<ULONGLONG>(record.size()))) {
            return false;
        }
    }
    for (const CString& strTree : trees) {
        if (Exists(m_files, strTree, &bUnknown)) bClean = !m_files.RemoveTree(strTree) && bClean;
    }
    std::vector<std::string> names;
    for (const CString& strDir : temps) {
        if (const FileError error = m_files.ListDirectory(strDir, names)) {
            bClean = bClean && error.IsMissing();
            continue;
        }
        for (const std::string& name : names) {
            if (name.compare(0, prefix.size(), prefix) != 0) continue;
            // Never through a link, and never its attributes: only the name goes.
            bClean = !m_files.RemoveTree(strDir + "\\" + name.c_str()) && bClean;
        }
    }
    for (auto it = made.rbegin(); it != made.rend(); ++it) m_files.RemoveEmptyDirectory(*it);
    return bClean && !bUnknown;
}
