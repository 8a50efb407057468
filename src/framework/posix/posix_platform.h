// The POSIX side: files through POSIX calls, the person through the terminal, the
// client started as a process. A backslash in a path is a directory separator, as on
// Windows, so that the portable code's paths work unchanged.
#pragma once

#include "confined_paths.h"
#include "platform.h"

class PosixPlatform : public Platform {
  public:
    PosixPlatform();

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

    bool IsLeadByte(BYTE) override { return false; }  // UTF-8: every byte is its own unit
    bool LocalPartsToTime(const LocalTimeParts& parts, int64_t* time) override;
    bool TimeToLocalParts(int64_t time, LocalTimeParts* parts) override;
    int64_t CurrentTime() override;
    bool Utf8ToAnsi(const char* text, size_t length, CString& ansi) override;

    CString ModulePath() override;
    bool LoadStringResource(UINT, CString&) override { return false; }  // no resources here
    // Nobody is asked for rights here: a denied folder simply fails the installation.
    bool CanElevate() override { return false; }
    bool RunElevated(LPCTSTR args, DWORD* exitCode) override;

    bool AskYesNo(const CString& strQuestion) override;
    void ShowOutcome(UINT nIDTemplate, const CString& strName) override;
    void ShowError(const CString& strText) override;

    // No client runs natively as far as the installer can tell: it always starts one.
    HANDLE CreateInstanceMutex(LPCTSTR name, bool* pbExisted) override;
    void CloseInstanceMutex(HANDLE) override {}
    HWND FindClientWindow(LPCTSTR) override { return nullptr; }
    void RestoreWindow(HWND) override {}
    void BringToTop(HWND) override {}
    void SetForeground(HWND) override {}
    void SendCopyData(HWND, ULONG_PTR, DWORD, const void*) override {}
    bool StartClient(LPCTSTR program, LPCTSTR service, LPCTSTR directory) override;

    void Trace(LPCTSTR text) override;
    bool IsTracing() override;

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
