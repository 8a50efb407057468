// Raw file access behind CFile, one implementation per platform. Every call that
// fails leaves a Win32 error code for LastError(); none of them throws.
#pragma once

#include "cstring.h"
#include "platform_api.h"

struct CFileStatus;

namespace platform {

// CFile::OpenFlags decide access, sharing (Windows only) and creation.
// Returns INVALID_HANDLE_VALUE on failure.
HANDLE OpenFile(LPCTSTR path, UINT openFlags);
// Positional I/O: CFile keeps the file position itself, so a seek costs no system
// call and a read costs one. Reads fill as much of count as the file holds.
bool ReadFileAt(HANDLE file, void* buffer, UINT count, ULONGLONG offset, UINT* read);
// Writes all of count or fails (a short write counts as a full disk).
bool WriteFileAt(HANDLE file, const void* buffer, UINT count, ULONGLONG offset);
bool GetFileLength(HANDLE file, ULONGLONG* length);
bool FlushFile(HANDLE file);
bool CloseFile(HANDLE file);

// Absolute form of a path, backslash-separated as on Windows.
bool GetFullPath(LPCTSTR path, CString& fullPath);
// Times, size and attribute byte; m_szFullName is left to the caller.
bool GetPathStatus(LPCTSTR path, CFileStatus& status);
// Times of zero are left alone.
bool SetPathTimes(LPCTSTR path, const CFileStatus& status);
bool SetPathAttributes(LPCTSTR path, DWORD attributes);
DWORD GetPathAttributes(LPCTSTR path);              // INVALID_FILE_ATTRIBUTES when absent
bool RenameFile(LPCTSTR oldPath, LPCTSTR newPath);  // replaces an existing target
bool RemoveFile(LPCTSTR path);

LONG LastError();

}  // namespace platform
