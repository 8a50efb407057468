#include "archive/archive_reader.h"

ArchiveBase::ArchiveBase()
    : m_bTrackAllocations(1), m_allocations(10), m_pStorage(nullptr), m_bExceptionTag(1) {}

ArchiveBase::~ArchiveBase() {
    // Whatever zlib still held when the reader went away without inflateEnd.
    POSITION pos = m_allocations.GetHeadPosition();
    while (pos != nullptr) ::operator delete(m_allocations.GetNext(pos));
    m_allocations.RemoveAll();
}

bool ArchiveBase::IsClosed() const {
    return m_pStorage == nullptr || m_pStorage->m_hFile == CFile::hFileNull;
}

void ArchiveBase::RaiseError(int code) {
    CString path;
    if (!IsClosed()) path = m_pStorage->GetFilePath();
    ThrowZipException(code, path, m_bExceptionTag);
}

int ArchiveBase::CheckError(int code) {
    if (code == 0 || code == 2) return code;  // Z_OK, Z_NEED_DICT
    RaiseError(code);
}
