// A file written under a temporary name beside its target and moved over the target
// only when complete, so that a failed write never destroys what was there before.
#pragma once

#include "framework/cstring.h"
#include "framework/file.h"

class StagedFile {
  public:
    // Creates a new, empty "~tpx<random>.tmp" in the directory (which ends in a
    // backslash or is empty for the current directory); throws CFileException*.
    explicit StagedFile(const CString& strDirectory);
    // Removes the temporary file unless Commit succeeded; never throws.
    ~StagedFile();
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    // Open for writing until the caller closes it.
    CFile& File() { return m_file; }
    const CString& TempPath() const { return m_strTempPath; }

    // Closes the file if still open and renames it over the target, replacing an
    // existing file; throws CFileException*. Name, time and attributes move along.
    void Commit(const CString& strTarget);

  private:
    CFile m_file;
    CString m_strTempPath;
    bool m_bCommitted = false;
};

// The directory part of a path, up to and including its last backslash; empty when
// the path has none.
CString DirectoryOfPath(const CString& strPath);
