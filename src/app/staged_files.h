// The files of one installation. Each entry is first written completely to a new
// temporary file beside its target, checked and stamped (Stage); only when every entry
// got that far are they moved into place, in entry order (Commit). In a temporary tree
// (see EntryDirectories) a file is written under its own name instead: the tree moves
// as a whole. Whatever is not committed is removed by the journal when the
// installation ends.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "archive/archive_reader.h"
#include "framework/cstring.h"

class EntryCopier;
class FileSystem;
class InstallJournal;

class StagedFiles {
  public:
    // strBaseDir: the custom folder with its backslash; entry names are relative to it.
    // The expected number of entries and bytes of their names size the memory once.
    StagedFiles(FileSystem& files, InstallJournal& journal, EntryCopier& copier,
                const CString& strBaseDir, size_t nEntries, size_t nNameBytes);
    StagedFiles(const StagedFiles&) = delete;
    StagedFiles& operator=(const StagedFiles&) = delete;

    // Whether an earlier entry of this installation staged a file for the same name.
    bool Holds(const CString& strEntryName) const;

    // A temporary tree made at strTemp, to move to strTarget when the entries staged
    // so far have moved.
    void AddTree(const CString& strTemp, const CString& strTarget);

    // Checks the current entry's local header and makes its new file, for the copier to
    // fill, check and stamp (see EntryCopier; its Finish waits for it). strOnDisk: where the
    // target is until the commit, inside a temporary tree when bInTree. The new file is
    // a temporary one beside it, or in a tree the target itself when nothing stands
    // there yet. bReplaces: a file stands at the target. Throws CException*.
    void Stage(ArchiveReader& reader, const EntryInfo& info, const CString& strEntryName,
               const CString& strOnDisk, bool bInTree, bool bReplaces);

    // Moves every staged file and tree into place, in the order staged, and has them
    // on the disk. Throws CFileException*: the journal then undoes what moved.
    void Commit();
    // Whether the commit left something of this run behind (an old file it could not
    // remove).
    bool HasLeftovers() const { return m_bLeftovers; }

  private:
    // A staged file is its number (its place in m_staged) and this word: where its
    // name begins in m_names, kReplaces when a file stood at its target, and kInPlace
    // when it was written under its own name in a tree (it moves with the tree).
    static constexpr uint32_t kReplaces = 0x80000000u;
    static constexpr uint32_t kInPlace = 0x40000000u;
    static constexpr uint32_t kFlags = kReplaces | kInPlace;
    struct Tree {
        uint32_t firstFile;  // the number of the first file staged after it was made
        CString strTemp;
        CString strTarget;
    };

    CString TempPath(const CString& strTarget, uint32_t number) const;
    // Calls visit(kind, number, target) for each move of the commit, in order: 'n' a new
    // file, 'r' a file replacing another, 't' a tree (number: its index).
    template <class Visit>
    void ForEachMove(Visit visit) const;
    const char* NameOf(uint32_t number) const {
        return m_names.c_str() + (m_staged[number] & ~kFlags);
    }
    // The slot for strEntryName: its own, or the free one where it would go.
    size_t Slot(const CString& strEntryName) const;
    void Grow();

    FileSystem& m_files;
    InstallJournal& m_journal;
    EntryCopier& m_copier;
    const CString m_strBaseDir;
    std::vector<uint32_t> m_staged;
    std::vector<Tree> m_trees;
    std::string m_names;            // the staged entry names, each ending in a NUL
    std::vector<uint32_t> m_slots;  // open addressing by name: number + 1, or 0 when free
    bool m_bLeftovers = false;
};
