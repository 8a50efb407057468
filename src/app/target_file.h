// The output file of one entry. An existing target is not touched until the new
// content is complete: the data goes to a temporary file beside it, which replaces the
// target on Commit. A target that does not exist yet is written in place. Either way, a
// file that was not committed is removed again, so a failed entry leaves nothing.
#pragma once

#include "framework/cstring.h"
#include "framework/file.h"

class TargetFile {
  public:
    // Opens the file to write; throws CFileException*. bExists: something is at the
    // target path (it is then staged, whatever it is).
    TargetFile(const CString& strTarget, bool bExists);
    // Removes the written file unless Commit succeeded; never throws.
    ~TargetFile();
    TargetFile(const TargetFile&) = delete;
    TargetFile& operator=(const TargetFile&) = delete;

    // Open for writing until the caller closes it.
    CFile& File() { return m_file; }
    // Whether the data goes to a temporary file.
    bool IsStaged() const { return m_strWritten != m_strTarget; }

    // Closes the file if still open and, when staged, renames it over the target,
    // replacing the existing file; throws CFileException*. Time and attributes that
    // were applied to the closed file stay with it.
    void Commit();

  private:
    // Opens a new, empty file without truncating anything; false when the path holds
    // a file with content.
    bool OpenEmpty(const CString& strPath);

    CFile m_file;
    CString m_strTarget;
    CString m_strWritten;  // the path being written: the target or a temporary file
    bool m_bCommitted = false;
};
