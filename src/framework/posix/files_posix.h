// The POSIX file system: POSIX calls, with a backslash in a path taken as a directory
// separator, as on Windows, so that the portable code's paths work unchanged.
#pragma once

#include "confined_paths.h"
#include "file_system.h"
#include "writeback_posix.h"

class PosixFiles : public FileSystem {
  public:
    FileError OpenForReading(LPCTSTR path, FileHandle* file) override;
    FileError CreateNew(LPCTSTR path, FileHandle* file) override;
    FileError ReadAt(FileHandle file, void* buffer, UINT count, ULONGLONG offset,
                     UINT* read) override;
    FileError WriteAt(FileHandle file, const void* buffer, UINT count, ULONGLONG offset) override;
    FileError GetLength(FileHandle file, ULONGLONG* length) override;
    FileError SetLength(FileHandle file, ULONGLONG length) override;
    FileError Stamp(FileHandle file, const CFileStatus& status, DWORD attributes) override;
    FileError Close(FileHandle file) override;
    FileError OpenLock(LPCTSTR path, FileHandle* file) override;
    FileError CloseLock(FileHandle file, LPCTSTR path, bool bRemove) override;
    bool TakesTwoThreads() const override { return true; }
    FileError WriteOut(FileHandle file) override;
    FileError FlushVolume(LPCTSTR path) override;
    void ConfineBelow(LPCTSTR root) override;
    FileError GetFullPath(LPCTSTR path, CString& fullPath) override;
    FileError GetPathStatus(LPCTSTR path, CFileStatus& status) override;
    FileError MoveBack(LPCTSTR oldPath, LPCTSTR newPath) override;
    FileError MoveNew(LPCTSTR oldPath, LPCTSTR newPath) override;
    FileError Replace(LPCTSTR newFile, LPCTSTR target) override;
    FileError RemoveFile(LPCTSTR path) override;
    FileError SetAside(LPCTSTR target, LPCTSTR backup) override;
    FileError MakeDirectory(LPCTSTR path) override;
    FileError RemoveEmptyDirectory(LPCTSTR path) override;
    FileError RemoveTree(LPCTSTR path) override;
    FileError ListDirectory(LPCTSTR path, std::vector<std::string>& names) override;
    FileError GetAvailableSpace(LPCTSTR path, ULONGLONG* bytes) override;
    FileError ReadWholeFile(LPCTSTR path, size_t limit, std::string& bytes) override;

  private:
    ConfinedPaths m_paths;
    Writeback m_writeback;  // while confined to an installation's folder
};

// The executable's own path, as the system has it.
std::string OwnPath();
// The path with every backslash turned into a slash, ready for a system call.
std::string NativePath(LPCTSTR path);
// The failure errno stands for, after a call on `path` (when given): a missing entry
// whose folder is missing too is `pathNotFound`, as on Windows.
FileError ErrnoError(LPCTSTR path = nullptr);
