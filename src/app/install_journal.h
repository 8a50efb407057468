// Installations into one custom folder run one at a time, and each one keeps a record
// of what it leaves on disk until it is done, so that a failed run, or the next one
// after a kill, can put everything back. Both live in the lock file ~tpx.lock in the
// custom folder, a name no entry may take: whoever holds it installs, and its contents
// are the running installation's record. The file is removed when a run ends, so it
// stays only after a kill.
//
// The record is a header naming the run, then lines written before the fact:
//   made <dir>    a directory about to be made in place
//   temp <dir>    a directory about to receive temporary files
//   tree <dir>    a temporary tree about to be made
//   n|r|t <number> <target>   the moves of the commit, in order: a new file, a file
//                 replacing another, a temporary tree
//   commit        every move above is about to be made
//   done          every move was made and reached the disk
// Paths are relative to the custom folder. A commit begun and not done is undone.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_set>

#include "framework/cstring.h"
#include "framework/file_error.h"

// The name of the installer's own file in the custom folder.
extern const char kJournalName[];

// Where the thing that move `number` of `kind` ('n', 'r' or 't') puts at strTarget
// waits before it moves: beside the target, named by the run's prefix.
CString StagedPathOf(const CString& strTarget, const CString& strPrefix, char kind,
                     uint32_t number);
// Where the file that a move of kind 'r' replaces goes until the installation ends.
CString BackupPathOf(const CString& strTarget, const CString& strPrefix, uint32_t number);

class FileSystem;

class InstallJournal {
  public:
    // Waits until no other installation runs in strCustomDir, then puts back what a
    // killed one left there. Throws CFileException*.
    // While another installation holds the lock, keepWaiting is called between tries
    // (it paces them); when it answers false the wait ends, with nothing done, in a
    // cancellation (CInstallException*).
    InstallJournal(FileSystem& files, const CString& strCustomDir,
                   const std::function<bool()>& keepWaiting);
    // Unless Finish was called, undoes what this run did (a failed run changes
    // nothing); then releases the lock, and removes it unless something could not be
    // undone. A killed run leaves its record for the next.
    ~InstallJournal();
    InstallJournal(const InstallJournal&) = delete;
    InstallJournal& operator=(const InstallJournal&) = delete;

    // Temporary files and trees of this run are named TempPrefix() + a number and more;
    // the file moved aside for file number n ends in ".old" instead of ".tmp".
    const CString& TempPrefix() const { return m_strPrefix; }
    // Written before the fact (see above). Throws CFileException*.
    void NoteMadeDirectory(const CString& strDir);
    void NoteTempDirectory(const CString& strDir);
    void NoteTempTree(const CString& strDir);
    // Lines of the commit's moves, whole, as the record states them.
    void NoteMoves(const std::string& lines);
    void NoteCommit();
    // Every move was made and is on the disk; "done" is on the disk when this returns.
    void NoteDone();
    // Everything of this run is where it belongs: the record and the lock go, once
    // bLeftovers (files of the run still on the disk) are found and removed; the record
    // stays for the next run when they cannot be.
    void Finish(bool bLeftovers);

  private:
    // The first `size` bytes of the lock file; false when there are none to read.
    bool ReadRecord(ULONGLONG size, std::string& record) const;
    void Append(const char* text, size_t length);
    void Note(const char* kind, const CString& strDir);
    // Undoes a commit begun and not done, then removes the recorded run's temporary
    // files and trees and the directories it made, where empty. False when something
    // stayed.
    bool PutBack(const std::string& record);
    // The path a record line names below the custom folder (or custom itself, for a
    // folder to look into); empty when it names none.
    CString PathOf(const std::string& relative, bool bFolder) const;

    FileSystem& m_files;
    CString m_strCustomDir;
    CString m_strLockPath;
    CString m_strPrefix;
    FileHandle m_hLock = kNoFile;
    ULONGLONG m_nSize = 0;  // bytes of the record written so far
    bool m_bFinished = false;
    std::unordered_set<uint64_t> m_noted;  // directories already in the record, hashed
};
