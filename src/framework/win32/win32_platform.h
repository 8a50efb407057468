// The Windows side: Win32 files, the C runtime's local time, message boxes, and the
// client's mutex, window and process. The outcome dialogs belong to the program's
// user interface, which completes this class (src/ui).
#pragma once

#include "platform.h"

class Win32Platform : public Platform {
  public:
    HANDLE OpenFile(LPCTSTR path, UINT openFlags) override;
    bool ReadFileAt(HANDLE file, void* buffer, UINT count, ULONGLONG offset, UINT* read) override;
    bool WriteFileAt(HANDLE file, const void* buffer, UINT count, ULONGLONG offset) override;
    bool GetFileLength(HANDLE file, ULONGLONG* length) override;
    bool SetFileLength(HANDLE file, ULONGLONG length) override;
    bool SetFileStatus(HANDLE file, const CFileStatus& status, DWORD attributes) override;
    bool FlushFile(HANDLE file) override;
    bool CloseFile(HANDLE file) override;
    HANDLE OpenLockFile(LPCTSTR path) override;
    bool CloseLockFile(HANDLE file, LPCTSTR path, bool bRemove) override;
    bool WriteOutFile(HANDLE file) override;
    bool FlushVolume(LPCTSTR path) override;
    void ConfineBelow(LPCTSTR root) override;
    bool GetFullPath(LPCTSTR path, CString& fullPath) override;
    bool GetPathStatus(LPCTSTR path, CFileStatus& status) override;
    bool SetPathTimes(LPCTSTR path, const CFileStatus& status) override;
    DWORD GetPathAttributes(LPCTSTR path) override;
    bool SetPathAttributes(LPCTSTR path, DWORD attributes) override;
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

    bool IsLeadByte(BYTE ch) override;
    bool LocalPartsToTime(const LocalTimeParts& parts, int64_t* time) override;
    bool TimeToLocalParts(int64_t time, LocalTimeParts* parts) override;
    int64_t CurrentTime() override;
    bool Utf8ToAnsi(const char* text, size_t length, CString& ansi) override;

    CString ModulePath() override;
    bool LoadStringResource(UINT nID, CString& text) override;
    bool CanElevate() override;
    bool RunElevated(LPCTSTR args, DWORD* exitCode) override;

    bool AskYesNo(const CString& strQuestion) override;
    void ShowError(const CString& strText) override;

    HANDLE CreateInstanceMutex(LPCTSTR name, bool* pbExisted) override;
    void CloseInstanceMutex(HANDLE mutex) override;
    HWND FindClientWindow(LPCTSTR className) override;
    void RestoreWindow(HWND window) override;
    void BringToTop(HWND window) override;
    void SetForeground(HWND window) override;
    void SendCopyData(HWND window, ULONG_PTR tag, DWORD size, const void* data) override;
    bool StartClient(LPCTSTR program, LPCTSTR service, LPCTSTR directory) override;

    void Trace(LPCTSTR text) override;

  private:
    // False, with ERROR_CANT_RESOLVE_FILENAME, when a directory between the confining
    // root and the path is a reparse point (a junction or a link).
    bool CheckConfined(LPCTSTR path);
    // A directory below the root moved or went: it is no longer known to be plain.
    void Forget(LPCTSTR path);

    CString m_strRoot;        // with its trailing backslash; empty: no confinement
    CString m_strCheckedDir;  // the last directory found free of reparse points
};
