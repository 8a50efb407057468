#include "target_file.h"

#include <random>

#include "framework/exception.h"
#include "framework/platform.h"

namespace {

// Names only need to be unlikely to exist.
CString RandomTempName() {
    static std::mt19937_64 generator{std::random_device{}()};
    unsigned long long value = generator();
    CString strName;
    strName.Format("~tpx%08lx%08lx.tmp", static_cast<unsigned long>(value >> 32),
                   static_cast<unsigned long>(value & 0xFFFFFFFFu));
    return strName;
}

}  // namespace

TargetFile::TargetFile(const CString& strTarget, bool bExists) : m_strTarget(strTarget) {
    // A target that appeared since it was looked for is staged like any other.
    if (!bExists && OpenEmpty(strTarget)) {
        m_strWritten = strTarget;
        return;
    }
    const CString strDirectory = strTarget.Left(AfxLastPathSeparator(strTarget) + 1);
    for (int attempt = 0; attempt < 16; ++attempt) {
        CString strPath = strDirectory + RandomTempName();
        if (OpenEmpty(strPath)) {
            m_strWritten = strPath;
            return;
        }
    }
    CFileException::Throw(CFileException::generic, -1, strDirectory);
}

bool TargetFile::OpenEmpty(const CString& strPath) {
    // The framework offers no exclusive create. Opening without truncation and using
    // the file only while it is empty means no other file is ever damaged.
    const UINT flags =
        CFile::modeCreate | CFile::modeNoTruncate | CFile::modeWrite | CFile::shareExclusive;
    CFileException error;
    if (!m_file.Open(strPath, flags, &error)) {
        CFileException::Throw(error.m_cause, error.m_lOsError, strPath);
    }
    if (m_file.GetLength() == 0) return true;
    m_file.Abort();
    return false;
}

TargetFile::~TargetFile() {
    if (m_bCommitted || m_strWritten.IsEmpty()) return;
    m_file.Abort();
    // The entry's attributes may already have made it read-only, which Windows
    // would not delete.
    Platform::Current().SetPathAttributes(m_strWritten, FILE_ATTRIBUTE_NORMAL);
    try {
        CFile::Remove(m_strWritten);
    } catch (CException* e) {
        e->Delete();
    }
}

void TargetFile::Commit() {
    if (m_file.m_hFile != CFile::hFileNull) m_file.Close();
    if (IsStaged()) CFile::Rename(m_strWritten, m_strTarget);
    m_bCommitted = true;
}
