// Installations into one custom folder run one at a time, and each one keeps a record
// of what it leaves on disk until it is done, so that the next one can remove what a
// killed one left behind. Both live in the lock file ~tpx.lock in the custom folder:
// whoever holds it installs, and its contents are the running installation's record.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_set>

#include "framework/cstring.h"

class InstallJournal {
  public:
    // Waits until no other installation runs in strCustomDir, then removes what a
    // killed one left there. Throws CFileException*.
    explicit InstallJournal(const CString& strCustomDir);
    // Unless Clear was called, first removes what this run left (a failed run changes
    // nothing); then releases the lock. A killed run leaves its record for the next.
    ~InstallJournal();
    InstallJournal(const InstallJournal&) = delete;
    InstallJournal& operator=(const InstallJournal&) = delete;

    // Temporary files and trees of this run are named TempPrefix() + a number and more.
    const CString& TempPrefix() const { return m_strPrefix; }
    // Written before the fact: a directory this run is about to make, or to put
    // temporary files in, or a temporary tree (a directory under a temporary name,
    // whole contents this run's) it is about to make. Throws CFileException*.
    void NoteMadeDirectory(const CString& strDir);
    void NoteTempDirectory(const CString& strDir);
    void NoteTempTree(const CString& strDir);
    // Everything of this run is where it belongs: nothing is left to clean up.
    void Clear();

  private:
    void Append(const char* kind, const CString& strDir);
    void RemoveLeftovers(const std::string& record);
    // The directory named in a record line, inside the custom folder; empty when the
    // line names none.
    CString DirectoryOf(const std::string& relative) const;

    CString m_strCustomDir;
    CString m_strPrefix;
    HANDLE m_hLock;
    ULONGLONG m_nSize = 0;  // bytes of the record written so far
    bool m_bCleared = false;
    std::unordered_set<uint64_t> m_noted;  // directories already in the record, hashed
};
