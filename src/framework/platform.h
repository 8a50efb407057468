// What the installer asks of the machine it runs on: files and directories, local
// time, the person in front of it, the client program, and a place for traces.
// Windows answers with Win32 and real dialogs, POSIX with files, a terminal and
// processes, tests with an in-memory fake that records every call. Everything above
// this line is the same code on every platform.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cstring.h"
#include "local_time.h"

struct CFileStatus;

class Platform {
  public:
    virtual ~Platform() = default;

    // The platform the program was built for (defined once per build).
    static Platform& Default();
    // The one in use: Default(), unless a Scope has put another in its place.
    static Platform& Current();

    // Puts `platform` in use for the lifetime of the object.
    class Scope {
      public:
        explicit Scope(Platform& platform);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

      private:
        Platform* m_pPrevious;
    };

    // --- Files and directories. Paths are Windows paths (backslashes separate). A
    // failure returns false (or INVALID_HANDLE_VALUE) and leaves a Win32 error code
    // for LastError().

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
    virtual bool FlushFile(HANDLE file) = 0;
    virtual bool CloseFile(HANDLE file) = 0;
    // Opens (creating it if need be) the lock file at path and waits until this
    // process holds it exclusively. Only a regular file with one link, reached without
    // following a link, is a lock (else ERROR_ACCESS_DENIED); a lock file removed by its
    // holder while this one waited is never taken.
    virtual HANDLE OpenLockFile(LPCTSTR path) = 0;
    // Releases the lock; with bRemove, removes the lock file first, while still held.
    virtual bool CloseLockFile(HANDLE file, LPCTSTR path, bool bRemove) = 0;

    // --- Durability: written-out data, then one flush of the device.

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
    // Times of zero are left alone.
    virtual bool SetPathTimes(LPCTSTR path, const CFileStatus& status) = 0;
    virtual DWORD GetPathAttributes(LPCTSTR path) = 0;  // INVALID_FILE_ATTRIBUTES when absent
    virtual bool SetPathAttributes(LPCTSTR path, DWORD attributes) = 0;
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

    // --- Text and time.

    // Whether ch starts a double-byte character in the ANSI code page.
    virtual bool IsLeadByte(BYTE ch) = 0;
    // Local-time rules (mktime and localtime) in 64-bit seconds; out-of-range fields are
    // normalised; false when the rules cannot place the moment.
    virtual bool LocalPartsToTime(const LocalTimeParts& parts, int64_t* time) = 0;
    virtual bool TimeToLocalParts(int64_t time, LocalTimeParts* parts) = 0;
    virtual int64_t CurrentTime() = 0;
    // `length` bytes of UTF-8 in the ANSI code page. False, with
    // ERROR_NO_UNICODE_TRANSLATION, for bytes that are not UTF-8 and for a character the
    // code page cannot hold (no look-alike stands in for it).
    virtual bool Utf8ToAnsi(const char* text, size_t length, CString& ansi) = 0;

    // --- The program itself.

    // The executable's full path, backslash-separated.
    virtual CString ModulePath() = 0;
    // String resource nID; false when there is none.
    virtual bool LoadStringResource(UINT nID, CString& text) = 0;
    // Whether the program can be run again with more rights (RunElevated): false where
    // there is no one to ask (POSIX).
    virtual bool CanElevate() = 0;
    // Runs the program again with `args` after the system has asked the user for
    // administrator rights, waits for it and gives its exit status. False when it did
    // not run: ERROR_CANCELLED when the user declined.
    virtual bool RunElevated(LPCTSTR args, DWORD* exitCode) = 0;

    // --- The user.

    // A yes/no question with the question icon; true for Yes.
    virtual bool AskYesNo(const CString& strQuestion) = 0;
    // Outcome dialog nIDTemplate (102, 103 or 104), modal; strName is its name line
    // (empty: the dialog's own default).
    virtual void ShowOutcome(UINT nIDTemplate, const CString& strName) = 0;
    // A message with the stop icon and an OK button, modal.
    virtual void ShowError(const CString& strText) = 0;

    // --- The client program.

    // Creates the named mutex a running client holds, not owned; *pbExisted tells that
    // it existed already. Null when it could not be created.
    virtual HANDLE CreateInstanceMutex(LPCTSTR name, bool* pbExisted) = 0;
    virtual void CloseInstanceMutex(HANDLE mutex) = 0;
    // The client's top-level window by class, or null.
    virtual HWND FindClientWindow(LPCTSTR className) = 0;
    virtual void RestoreWindow(HWND window) = 0;
    virtual void BringToTop(HWND window) = 0;
    virtual void SetForeground(HWND window) = 0;
    // WM_COPYDATA, waiting until the window has handled it; its answer is not used.
    virtual void SendCopyData(HWND window, ULONG_PTR tag, DWORD size, const void* data) = 0;
    // Starts `program` with the two arguments "+svc" and the service name, exactly as
    // given, in `directory`, without waiting; false when it could not be started.
    virtual bool StartClient(LPCTSTR program, LPCTSTR service, LPCTSTR directory) = 0;

    // --- Diagnostics: a formatted trace line, for whoever listens.
    virtual void Trace(LPCTSTR text) = 0;
    // Whether anyone listens: when not, nothing needs formatting for Trace.
    virtual bool IsTracing() { return true; }
};
