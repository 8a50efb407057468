// Benchmark stand-in for the output file: every target is created or truncated in
// place, as a plain extractor writes it, so that run.sh can show what staging existing
// files costs. Linked only into tpxinstall_direct, which is never shipped.
#include "app/target_file.h"

TargetFile::TargetFile(const CString& strTarget, bool /*bExists*/)
    : m_strTarget(strTarget), m_strWritten(strTarget) {
    CFileException error;
    if (!m_file.Open(strTarget, CFile::modeCreate | CFile::modeWrite, &error)) {
        CFileException::Throw(error.m_cause, error.m_lOsError, strTarget);
    }
}

TargetFile::~TargetFile() = default;

bool TargetFile::OpenEmpty(const CString&) {
    return false;
}

void TargetFile::Commit() {
    if (m_file.m_hFile != CFile::hFileNull) m_file.Close();
    m_bCommitted = true;
}
