// The Windows file system: Win32 calls.
#pragma once

#include "file_system.h"

class Win32Files : public FileSystem {
  public:
    HANDLE OpenFile(LPCTSTR path, UINT openFlags) override;
    bool ReadFileAt(HANDLE file, void* buffer, UINT count, ULONGLONG offset, UINT* read) override;
    bool WriteFileAt(HANDLE file, const void* buffer, UINT count, ULONGLONG offset) override;
    bool GetFileLength(HANDLE file, ULONGLONG* length) override;
    bool SetFileLength(HANDLE file, ULONGLONG length) override;
    bool SetFileStatus(HANDLE file, const CFileStatus& status, DWORD attributes) override;
    bool CloseFile(HANDLE file) override;
    HANDLE OpenLockFile(LPCTSTR path) override;
    bool CloseLockFile(HANDLE file, LPCTSTR path, bool bRemove) override;
    bool WriteOutFile(HANDLE file) override;
    bool FlushVolume(LPCTSTR path) override;
    void ConfineBelow(LPCTSTR root) override;
    bool GetFullPath(LPCTSTR path, CString& fullPath) override;
    bool GetPathStatus(LPCTSTR path, CFileStatus& status) override;
    bool RenameFile(LPCTSTR oldPath, LPCTSTR newPath) override;
    bool MoveNew(LPCTSTR oldPath, LPCTSTR newPath) override;
    bool MoveIntoPlace(LPCTSTR newFile, LPCTSTR target) override;
    bool RemoveFile(LPCTSTR path) override;
    bool SetAside(LPCTSTR target, LPCTSTR backup) override;
    bool MakeDirectory(LPCTSTR path) override;
    bool RemoveEmptyDirectory(LPCTSTR path) override;
    bool RemoveTree(LPCTSTR path) override;
    bool ListDirectory(LPCTSTR path, std::vector<std::string>& names) override;
    bool GetAvailableSpace(LPCTSTR path, ULONGLONG* bytes) override;
    bool ReadWholeFile(LPCTSTR path, size_t limit, std::string& bytes) override;
    LONG LastError() override;

  private:
    // False, with ERROR_CANT_RESOLVE_FILENAME, when a directory between the confining
    // root and the path is a reparse point (a junction or a link).
    bool CheckConfined(LPCTSTR path);
    // A directory below the root moved or went: it is no longer known to be plain.
    void Forget(LPCTSTR path);

    CString m_strRoot;        // with its trailing backslash; empty: no confinement
    CString m_strCheckedDir;  // the last directory found free of reparse points
};
