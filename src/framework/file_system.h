// What the installer asks of the file system, handed to whatever reads or writes
// files. Windows answers with Win32, POSIX with POSIX calls, tests with memory.
// Paths are Windows paths (backslashes separate). Every call says how it failed.
#pragma once

#include <string>
#include <vector>

#include "cstring.h"
#include "file_error.h"

struct CFileStatus;

class FileSystem {
  public:
    virtual ~FileSystem() = default;

    // Only regular files open. Others may read the file meanwhile, never write it.
    virtual FileError OpenForReading(LPCTSTR path, FileHandle* file) = 0;
    // A new file or nothing: `exists` when anything, a link included, stands at path.
    virtual FileError CreateNew(LPCTSTR path, FileHandle* file) = 0;
    // Positional I/O: a read fills as much of count as the file holds; a write writes
    // all of count or fails (a short write counts as a full disk).
    virtual FileError ReadAt(FileHandle file, void* buffer, UINT count, ULONGLONG offset,
                             UINT* read) = 0;
    virtual FileError WriteAt(FileHandle file, const void* buffer, UINT count,
                              ULONGLONG offset) = 0;
    virtual FileError GetLength(FileHandle file, ULONGLONG* length) = 0;
    virtual FileError SetLength(FileHandle file, ULONGLONG length) = 0;
    // Stamps the open file with the times that are not zero, and the attributes.
    virtual FileError Stamp(FileHandle file, const CFileStatus& status, DWORD attributes) = 0;
    virtual FileError Close(FileHandle file) = 0;
    // Opens (creating it if need be) the lock file at path, held exclusively by this
    // process; while another holds it, fails at once with `lockHeld`, so that the caller
    // decides how to wait. Only a regular file with one link, reached without following
    // a link, is a lock (else `accessDenied`); a lock file its holder removed is never
    // taken.
    virtual FileError OpenLock(LPCTSTR path, FileHandle* file) = 0;
    // Releases the lock; with bRemove, removes the lock file first, while still held.
    virtual FileError CloseLock(FileHandle file, LPCTSTR path, bool bRemove) = 0;
    // Whether a second thread may read, write, write out, stamp and close open files
    // while the first goes on with every other call.
    virtual bool TakesTwoThreads() const { return false; }

    // Durability: written-out data, then one flush of the device.
    // Hands the file's data to its device without waiting for the device's own cache
    // (the cheap half of a flush; FlushVolume completes it).
    virtual FileError WriteOut(FileHandle file) = 0;
    // Waits until the data written out, and every name changed, on the volume that
    // holds the directory `path` has reached the device.
    virtual FileError FlushVolume(LPCTSTR path) = 0;

    // Until called again, every path below `root` (a full path; empty ends it) is
    // reached from root without following a link on the way: a link standing where a
    // directory was fails the call with `linkInTheWay`. Paths elsewhere are unaffected.
    virtual void ConfineBelow(LPCTSTR root) = 0;

    virtual FileError GetFullPath(LPCTSTR path, CString& fullPath) = 0;
    // Times, size and attribute byte of what stands at the path (a link itself, not
    // what it points to); m_szFullName is left alone.
    virtual FileError GetPathStatus(LPCTSTR path, CFileStatus& status) = 0;
    // Moves whatever stands at oldPath, a link itself, back to newPath, replacing
    // what is there: how an interrupted installation is undone.
    virtual FileError MoveBack(LPCTSTR oldPath, LPCTSTR newPath) = 0;
    // Moves a file or directory this program made to a name where nothing stands
    // (`exists` otherwise); a link found at oldPath is not moved (`linkInTheWay`).
    virtual FileError MoveNew(LPCTSTR oldPath, LPCTSTR newPath) = 0;
    // Moves a finished file over an existing target, replacing a link there rather
    // than following it; the replaced file's permissions and owner carry over (POSIX).
    virtual FileError Replace(LPCTSTR newFile, LPCTSTR target) = 0;
    virtual FileError RemoveFile(LPCTSTR path) = 0;
    // Keeps the file (or link) at `target` under the new name `backup` too, until the
    // installation ends: where a file can be replaced atomically while it has a second
    // name, as that second name (POSIX); else moved there, which fails at once, with
    // nothing changed, when another program holds the file (Windows).
    virtual FileError SetAside(LPCTSTR target, LPCTSTR backup) = 0;
    // One level; `exists` when something is there.
    virtual FileError MakeDirectory(LPCTSTR path) = 0;
    virtual FileError RemoveEmptyDirectory(LPCTSTR path) = 0;
    // A directory and all it holds, read-only files too. A link inside, or at path, is
    // removed itself and never followed.
    virtual FileError RemoveTree(LPCTSTR path) = 0;
    // The names in a directory, without "." and "..".
    virtual FileError ListDirectory(LPCTSTR path, std::vector<std::string>& names) = 0;
    // Bytes free for this user on the volume that holds path.
    virtual FileError GetAvailableSpace(LPCTSTR path, ULONGLONG* bytes) = 0;
    // A regular file's bytes; fails (`other`) when it holds more than `limit`.
    virtual FileError ReadWholeFile(LPCTSTR path, size_t limit, std::string& bytes) = 0;
};

// The machine's own file system (one per platform side).
FileSystem& RealFileSystem();
