// The POSIX file system: POSIX calls, with a backslash in a path taken as a directory
// separator, as on Windows, so that the portable code's paths work unchanged.
#pragma once

#include "confined_paths.h"
#include "file_system.h"

class PosixFiles : public FileSystem {
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
    ConfinedPaths m_paths;
};

// The executable's own path, as the system has it.
std::string OwnPath();
// The path with every backslash turned into a slash, ready for a system call.
std::string NativePath(LPCTSTR path);
// Set the last error from errno (after a call on path, when given) or to the given
// code, and return false.
bool FailWithErrno(LPCTSTR path = nullptr);
bool FailWith(DWORD error);
