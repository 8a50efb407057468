// What the installer asks of the file system, handed to whatever reads or writes
// files. Windows answers with Win32, POSIX with POSIX calls, tests with memory.
// Paths are Windows paths (backslashes separate). A failure returns false (or
// INVALID_HANDLE_VALUE) and leaves a Win32 error code for LastError().
#pragma once

#include <string>
#include <vector>

#include "cstring.h"

struct CFileStatus;

class FileSystem {
  public:
    virtual ~FileSystem() = default;

    // openFlags are CFile::OpenFlags: access, sharing (Windows only) and creation.
    // Only regular files open; CFile::modeCreateNew creates a new one or fails, and
    // never through a link standing at the path.
    virtual HANDLE OpenFile(LPCTSTR path, UINT openFlags) = 0;
    // Positional I/O: a read fills as much of count as the file holds; a write writes
    // all of count or fails (a short write counts as a full disk).
    virtual bool ReadFileAt(HANDLE file, void* buffer, UINT count, ULONGLONG offset,
                            UINT* read) = 0;
    virtual bool WriteFileAt(HANDLE file, const void* buffer, UINT count, ULONGLONG offset) = 0;
    virtual bool GetFileLength(HANDLE file, ULONGLONG* length) = 0;
    virtual bool SetFileLength(HANDLE file, ULONGLONG length) = 0;
    // Times that are not zero, and the attributes, set on the open file itself.
    virtual bool SetFileStatus(HANDLE file, const CFileStatus& status, DWORD attributes) = 0;
    virtual bool CloseFile(HANDLE file) = 0;
    // Opens (creating it if need be) the lock file at path, held exclusively by this
    // process; while another holds it, fails at once with ERROR_LOCK_VIOLATION, so that
    // the caller decides how to wait. Only a regular file with one link, reached without
    // following a link, is a lock (else ERROR_ACCESS_DENIED); a lock file its holder
    // removed is never taken.
    virtual HANDLE OpenLockFile(LPCTSTR path) = 0;
    // Releases the lock; with bRemove, removes the lock file first, while still held.
    virtual bool CloseLockFile(HANDLE file, LPCTSTR path, bool bRemove) = 0;

    // Durability: written-out data, then one flush of the device.
    // Hands the file's data to its device without waiting for the device's own cache
    // (the cheap half of a flush; FlushVolume completes it).
    virtual bool WriteOutFile(HANDLE file) = 0;
    // Waits until the data written out, and every name changed, on the volume that
    // holds the directory `path` has reached the device.
    virtual bool FlushVolume(LPCTSTR path) = 0;

    // Until called again, every path below `root` (a full path; empty ends it) is
    // reached from root without following a link on the way: a link standing where a
    // directory was fails the call (ERROR_CANT_RESOLVE_FILENAME). Paths elsewhere are
    // unaffected.
    virtual void ConfineBelow(LPCTSTR root) = 0;

    virtual bool GetFullPath(LPCTSTR path, CString& fullPath) = 0;
    // Times, size and attribute byte of what stands at the path (a link itself, not
    // what it points to); m_szFullName is left alone.
    virtual bool GetPathStatus(LPCTSTR path, CFileStatus& status) = 0;
    virtual bool RenameFile(LPCTSTR oldPath, LPCTSTR newPath) = 0;  // replaces the target
    // Moves a file or directory this program made to a name where nothing stands
    // (ERROR_ALREADY_EXISTS otherwise); a link found at oldPath is not moved
    // (ERROR_CANT_RESOLVE_FILENAME).
    virtual bool MoveNew(LPCTSTR oldPath, LPCTSTR newPath) = 0;
    // Moves a finished file over an existing target, replacing a link there rather
    // than following it; the replaced file's permissions and owner carry over (POSIX).
    virtual bool MoveIntoPlace(LPCTSTR newFile, LPCTSTR target) = 0;
    virtual bool RemoveFile(LPCTSTR path) = 0;
    // Keeps the file (or link) at `target` under the new name `backup` too, until the
    // installation ends: where a file can be replaced atomically while it has a second
    // name, as that second name (POSIX); else moved there, which fails at once, with
    // nothing changed, when another program holds the file (Windows).
    virtual bool SetAside(LPCTSTR target, LPCTSTR backup) = 0;
    // One level; fails with ERROR_ALREADY_EXISTS when something is there.
    virtual bool MakeDirectory(LPCTSTR path) = 0;
    virtual bool RemoveEmptyDirectory(LPCTSTR path) = 0;
    // A directory and all it holds, read-only files too. A link inside, or at path, is
    // removed itself and never followed.
    virtual bool RemoveTree(LPCTSTR path) = 0;
    // The names in a directory, without "." and "..".
    virtual bool ListDirectory(LPCTSTR path, std::vector<std::string>& names) = 0;
    // Bytes free for this user on the volume that holds path.
    virtual bool GetAvailableSpace(LPCTSTR path, ULONGLONG* bytes) = 0;
    // A regular file's bytes; false when it cannot be read or holds more than `limit`.
    virtual bool ReadWholeFile(LPCTSTR path, size_t limit, std::string& bytes) = 0;
    virtual LONG LastError() = 0;
};

// The machine's own file system (one per platform side).
FileSystem& RealFileSystem();
