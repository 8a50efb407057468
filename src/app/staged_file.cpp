#include "staged_file.h"

#include <random>

#include "framework/exception.h"

namespace {

// Names only need to be unlikely to exist; they are checked before use.
CString RandomTempName() {
    static std::mt19937_64 generator{std::random_device{}()};
    unsigned long long value = generator();
    CString strName;
    strName.Format("~tpx%08lx%08lx.tmp", static_cast<unsigned long>(value >> 32),
                   static_cast<unsigned long>(value & 0xFFFFFFFFu));
    return strName;
}

}  // namespace

CString DirectoryOfPath(const CString& strPath) {
    int pos = strPath.ReverseFind('\\');
    int slash = strPath.ReverseFind('/');
    if (slash > pos) pos = slash;
    return strPath.Left(pos + 1);
}

StagedFile::StagedFile(const CString& strDirectory) {
    // The framework offers no exclusive create: a name that exists is skipped, and
    // the file is opened without truncation and used only if it is still empty, so
    // that another file of the same name can never be damaged.
    const UINT flags =
        CFile::modeCreate | CFile::modeNoTruncate | CFile::modeWrite | CFile::shareExclusive;
    for (int attempt = 0; attempt < 16; ++attempt) {
        CString strPath = strDirectory + RandomTempName();
        CFileStatus status;
        if (CFile::GetStatus(strPath, status)) continue;
        CFileException error;
        if (!m_file.Open(strPath, flags, &error)) {
            CFileException::Throw(error.m_cause, error.m_lOsError, strPath);
        }
        if (m_file.GetLength() == 0) {
            m_strTempPath = strPath;
            return;
        }
        m_file.Abort();
    }
    CFileException::Throw(CFileException::generic, -1, strDirectory);
}

StagedFile::~StagedFile() {
    if (m_bCommitted || m_strTempPath.IsEmpty()) return;
    m_file.Abort();
    // The entry's attributes may already have made it read-only, which Windows
    // would not delete.
    SetFileAttributesA(m_strTempPath, FILE_ATTRIBUTE_NORMAL);
    try {
        CFile::Remove(m_strTempPath);
    } catch (CException* e) {
        e->Delete();
    }
}

void StagedFile::Commit(const CString& strTarget) {
    if (m_file.m_hFile != CFile::hFileNull) m_file.Close();
    CFile::Rename(m_strTempPath, strTarget);
    m_bCommitted = true;
}
