#include "app/install_journal.h"

#include <random>
#include <vector>

#include "framework/exception.h"
#include "framework/platform.h"

namespace {

const char kLockName[] = "~tpx.lock";
const char kHeader[] = "tpx journal ";
// "~tpx", eight hex digits and "-": the part of a temporary name that tells its run.
const size_t kPrefixLength = 13;
// A record longer than this was not written by an installation.
const size_t kMaxRecord = 16 << 20;

uint64_t Hash(const char* kind, const CString& text) {
    uint64_t h = 14695981039346656037ull;
    auto mix = [&h](const char* p) {
        for (; *p != '\0'; ++p) h = (h ^ static_cast<unsigned char>(*p)) * 1099511628211ull;
    };
    mix(kind);
    mix(text);
    return h;
}

[[noreturn]] void ThrowLastError(LPCTSTR path) {
    CFileException::ThrowOsError(Platform::Current().LastError(), path);
}

}  // namespace

InstallJournal::InstallJournal(const CString& strCustomDir) : m_strCustomDir(strCustomDir) {
    Platform& platform = Platform::Current();
    const CString strLock = m_strCustomDir + "\\" + kLockName;
    m_hLock = platform.OpenLockFile(strLock);
    if (m_hLock == INVALID_HANDLE_VALUE) ThrowLastError(strLock);

    ULONGLONG length = 0;
    if (platform.GetFileLength(m_hLock, &length) && length > 0 && length <= kMaxRecord) {
        std::string record(static_cast<size_t>(length), '\0');
        UINT got = 0;
        if (platform.ReadFileAt(m_hLock, &record[0], static_cast<UINT>(length), 0, &got)) {
            record.resize(got);
            RemoveLeftovers(record);
        }
    }
    std::random_device random;
    m_strPrefix.Format("~tpx%08x-", static_cast<unsigned>(random()));
    const CString strHeader = CString(kHeader) + m_strPrefix + "\n";
    if (!platform.SetFileLength(m_hLock, 0) ||
        !platform.WriteFileAt(m_hLock, static_cast<LPCTSTR>(strHeader), strHeader.GetLength(), 0)) {
        const LONG error = platform.LastError();
        platform.CloseFile(m_hLock);
        CFileException::ThrowOsError(error, strLock);
    }
    m_nSize = static_cast<ULONGLONG>(strHeader.GetLength());
}

InstallJournal::~InstallJournal() {
    Platform& platform = Platform::Current();
    if (!m_bCleared) {
        try {
            std::string record(static_cast<size_t>(m_nSize), '\0');
            UINT got = 0;
            if (m_nSize > 0 && platform.ReadFileAt(m_hLock, &record[0], UINT(m_nSize), 0, &got)) {
                record.resize(got);
                RemoveLeftovers(record);
                platform.SetFileLength(m_hLock, 0);
            }
        } catch (...) {
            // Left for the next run, which removes what is recorded.
        }
    }
    platform.CloseFile(m_hLock);
}

void InstallJournal::NoteMadeDirectory(const CString& strDir) {
    Append("made ", strDir);
}

void InstallJournal::NoteTempDirectory(const CString& strDir) {
    Append("temp ", strDir);
}

void InstallJournal::NoteTempTree(const CString& strDir) {
    Append("tree ", strDir);
}

void InstallJournal::Append(const char* kind, const CString& strDir) {
    if (!m_noted.insert(Hash(kind, strDir)).second) return;
    CString strLine = kind;
    strLine += strDir.GetLength() > m_strCustomDir.GetLength()
                   ? strDir.Mid(m_strCustomDir.GetLength() + 1)
                   : CString(".");
    strLine += "\n";
    if (!Platform::Current().WriteFileAt(m_hLock, static_cast<LPCTSTR>(strLine),
                                         strLine.GetLength(), m_nSize)) {
        ThrowLastError(m_strCustomDir + "\\" + kLockName);
    }
    m_nSize += static_cast<ULONGLONG>(strLine.GetLength());
}

void InstallJournal::Clear() {
    if (!Platform::Current().SetFileLength(m_hLock, 0)) return;  // the record still tells
    m_nSize = 0;
    m_bCleared = true;
}

CString InstallJournal::DirectoryOf(const std::string& relative) const {
    if (relative == ".") return m_strCustomDir;
    // Only folders below custom: a record is a file anyone could have written.
    if (relative.empty() || relative.find(':') != std::string::npos || relative[0] == '\\' ||
        relative[0] == '/') {
        return CString();
    }
    size_t start = 0;
    while (start <= relative.size()) {
        size_t end = relative.find_first_of("\\/", start);
        if (end == std::string::npos) end = relative.size();
        if (relative.compare(start, end - start, "..") == 0 && end - start == 2) return CString();
        start = end + 1;
    }
    return m_strCustomDir + "\\" + relative.c_str();
}

// Removes the temporary trees of the recorded run and its temporary files in the
// folders it named, then the folders it made, deepest first, where they are empty.
void InstallJournal::RemoveLeftovers(const std::string& record) {
    Platform& platform = Platform::Current();
    if (record.compare(0, sizeof kHeader - 1, kHeader) != 0) return;
    const std::string prefix = record.substr(sizeof kHeader - 1, kPrefixLength);
    if (prefix.size() != kPrefixLength || prefix.compare(0, 4, "~tpx") != 0 ||
        prefix.back() != '-') {
        return;
    }
    std::vector<CString> made;
    std::vector<std::string> names;
    size_t pos = record.find('\n');
    while (pos != std::string::npos && pos + 1 < record.size()) {
        const size_t end = record.find('\n', pos + 1);
        if (end == std::string::npos) break;  // a line cut short by the kill
        const std::string line = record.substr(pos + 1, end - pos - 1);
        pos = end;
        const CString strDir = DirectoryOf(line.size() > 5 ? line.substr(5) : std::string());
        if (strDir.IsEmpty()) continue;
        if (line.compare(0, 5, "made ") == 0) made.push_back(strDir);
        // Only a tree that bears the run's name: anything else is not the run's to take.
        if (line.compare(0, 5, "tree ") == 0 &&
            strDir.Mid(AfxLastPathSeparator(strDir) + 1).Left(int(kPrefixLength)) ==
                prefix.c_str()) {
            platform.RemoveTree(strDir);
        }
        if (line.compare(0, 5, "temp ") != 0 || !platform.ListDirectory(strDir, names)) continue;
        for (const std::string& name : names) {
            if (name.compare(0, prefix.size(), prefix) != 0) continue;
            const CString strPath = strDir + "\\" + name.c_str();
            platform.SetPathAttributes(strPath, FILE_ATTRIBUTE_NORMAL);  // it may be read-only
            platform.RemoveFile(strPath);
        }
    }
    for (auto it = made.rbegin(); it != made.rend(); ++it) platform.RemoveEmptyDirectory(*it);
}
