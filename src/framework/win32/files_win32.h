// The Windows file system: Win32 calls.
#pragma once

#include "file_system.h"

class Win32Files : public FileSystem {
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
    // `linkInTheWay` when a directory between the confining root and the path is a
    // reparse point (a junction or a link).
    FileError CheckConfined(LPCTSTR path);
    // A directory below the root moved or went: it is no longer known to be plain.
    void Forget(LPCTSTR path);

    CString m_strRoot;        // with its trailing backslash; empty: no confinement
    CString m_strCheckedDir;  // the last directory found free of reparse points
};

// The failure a Win32 error code (GetLastError by default) stands for.
FileError Win32Error(DWORD error);
FileError Win32Error();
