// The files of one installation. Each entry is first written completely to a new
// temporary file beside its target, checked and stamped (Stage); only when every entry
// got that far are they moved into place, in entry order (Commit). Whatever is not
// committed is removed by the journal when the installation ends.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "archive/archive_reader.h"
#include "framework/cstring.h"

class InstallJournal;

class StagedFiles {
  public:
    // strBaseDir: the custom folder with its backslash; entry names are relative to it.
    StagedFiles(InstallJournal& journal, const CString& strBaseDir);
    StagedFiles(const StagedFiles&) = delete;
    StagedFiles& operator=(const StagedFiles&) = delete;

    // Whether an earlier entry of this installation staged a file for the same name.
    bool Holds(const CString& strEntryName) const;

    // Copies the current entry (already described by info) into a new temporary file
    // beside its target, checks its CRC and size, and gives it the entry's times and
    // attributes. bReplaces: a file stands at the target. Throws CException*.
    void Stage(ArchiveReader& reader, const EntryInfo& info, const CString& strEntryName,
               bool bReplaces);

    // Moves every staged file into place, in the order staged. Throws CFileException*.
    void Commit();

  private:
    struct Staged {
        uint32_t nameOffset;  // into m_names
        uint32_t number;      // of its temporary file
        bool replaces;
    };

    CString TempPath(const CString& strTarget, uint32_t number) const;
    void Remember(uint64_t hash);

    InstallJournal& m_journal;
    const CString m_strBaseDir;
    std::vector<Staged> m_staged;
    std::string m_names;             // the staged entry names, each ending in a NUL
    std::vector<uint64_t> m_hashes;  // open addressing; 0 marks a free slot
    size_t m_nHashes = 0;
    std::vector<char> m_data;  // one piece of entry data, or a few
};
