// The directories an installation makes for its entries. A directory that is missing
// below one that exists is made under a temporary name (a temporary tree) and filled
// under that name: the whole tree moves into place with one rename when the
// installation commits, and goes with one removal when it fails.
#pragma once

#include <map>
#include <vector>

#include "framework/cstring.h"

class FileSystem;
class InstallJournal;
class StagedFiles;
class Tracer;

// An entry's directory.
struct EntryDirectory {
    CString strPath;       // where it belongs; empty when the entry has no directory part
    CString strOnDisk;     // where it is until the installation commits
    bool bNew = false;     // made by this run: nothing but this run's files stands in it
    bool bInTree = false;  // in a temporary tree, so strOnDisk differs from strPath
};

class EntryDirectories {
  public:
    // strBaseDir: the custom folder with its backslash.
    EntryDirectories(FileSystem& files, Tracer& tracer, InstallJournal& journal,
                     StagedFiles& staged, const CString& strBaseDir);

    // Makes every missing ancestor directory of the entry, from the top, each recorded
    // in the journal before it is made. The install directory keeps its own letter case.
    // A file (of the pack or on the disk) or a link where a directory belongs fails the
    // installation: throws CFileException*.
    EntryDirectory Create(const CString& strEntryName);
    // Whether strPath (where it is until the commit: strOnDisk) is a directory found or
    // made in this run.
    bool IsDirectory(const CString& strPath, const CString& strOnDisk) const;
    // A name used both for a file and for a directory.
    [[noreturn]] static void ThrowConflict(const CString& strPath);

  private:
    // A directory found or made in this run, and the tree it roots, if any (an index
    // into m_trees, or -1).
    struct Known {
        bool bNew;
        int tree;
    };
    // The memory of directories is bounded, so that no pack can make it grow; past
    // that bound no more trees are started, and missing directories are made in place.
    static constexpr size_t kRemembered = 4096;

    FileSystem& m_files;
    Tracer& m_tracer;
    InstallJournal& m_journal;
    StagedFiles& m_staged;
    const CString m_strBaseDir;
    std::map<CString, Known> m_known;
    std::vector<CString> m_trees;  // each tree's temporary path
};
