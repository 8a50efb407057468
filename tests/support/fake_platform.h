// Every role of the machine for tests: files in memory (or the machine's real files,
// with its time rules), a scripted person, a scripted client, and a record of every
// call that does something, one line each, in order:
//   open create-new C:\custom\a.txt      open read <path>
//   write C:\custom\a.txt 100        read, close, write-out <path>; write <path> <bytes>
//   rename <from> -> <to> (MoveBack)    move-new <from> -> <to>    remove, mkdir <path>
//   set-status C:\custom\a.txt 2003-07-14 09:41:18 0x21   (times and attributes by handle)
//   replace <from> -> <to>    set-aside <from> -> <to>    rmdir, rmtree <path>
//   lock, unlock, unlock-remove <path>    set-length <path> <n>    flush-volume <path>
//   read-whole <path>
//   ask <question>    cause <cause line>, then outcome 103 <name line>    error <text>
//   mutex <name>    find-window <class>    restore    top    foreground
//   copydata 1 6 my svc\0    start <program> | <service> | <directory>    trace <text>
//   run-elevated <args>
// Pure queries (status, attributes, full path, length, listing, free space, time, lead
// bytes) are not recorded. The files in memory fail with the kinds Win32 would, and
// with its codes.
#pragma once

#include <climits>
#include <deque>
#include <initializer_list>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "framework/client_program.h"
#include "framework/file_system.h"
#include "framework/host.h"
#include "framework/tracer.h"
#include "ui/user.h"
#include "win32_codes.h"

class FakePlatform : public FileSystem,
                     public User,
                     public ClientProgram,
                     public Tracer,
                     public Host {
  public:
    // Files and time in memory (local time is UTC), or those of `pFiles` when given.
    explicit FakePlatform(FileSystem* pFiles = nullptr);

    // --- What happened.
    std::vector<std::string> calls;
    // The recorded lines that begin with `prefix`, and how many there are.
    std::vector<std::string> Calls(const std::string& prefix) const;
    // The recorded lines that begin with any of `prefixes`, in order.
    std::vector<std::string> Calls(std::initializer_list<const char*> prefixes) const;
    int Count(const std::string& prefix) const;

    // --- The script.
    std::deque<bool> answers;  // for the questions, in order; No when they run out
    std::string modulePath = "C:\\Games\\Quorvix Brenvo\\tpxinstall.exe";
    std::map<UINT, std::string> strings = {{1, "Quorvix Brenvo"}};
    std::set<BYTE> leadBytes;    // the ANSI code page's lead bytes (none: single-byte)
    bool clientRunning = false;  // its mutex exists
    bool clientWindow = true;    // a running client's window can be found
    bool clientStarts = true;    // StartClient succeeds (else finds no program)
    int64_t now = 1700000000;    // CurrentTime
    ULONGLONG freeSpace = 1ull << 40;
    bool freeSpaceUnknown = false;  // GetAvailableSpace fails
    // Utf8ToAnsi: with ansiIsUtf8 valid UTF-8 passes unchanged; otherwise ASCII passes,
    // ansiChars gives the bytes of other characters, and any other character fails.
    bool ansiIsUtf8 = true;
    std::map<uint32_t, std::string> ansiChars;
    bool canElevate = false;  // CanElevate
    // OpenLock finds the lock held this many times, and while a handle of it is open.
    int lockHeldTries = 0;
    // Long work: Waiting answers false (cancel) after this many calls, Progress once
    // `done` reaches cancelAtProgress.
    int cancelAfterWaits = INT_MAX;
    ULONGLONG cancelAtProgress = ULLONG_MAX;
    int waits = 0;          // Waiting calls so far
    int progressCalls = 0;  // Progress calls so far (not recorded, there are many)
    // RunElevated: the exit status of the elevated run, or the error it fails with.
    DWORD elevatedExitCode = 0;
    LONG elevationError = ERROR_SUCCESS;
    // A call whose record line begins with this throws std::bad_alloc.
    std::string outOfMemoryAt;
    // A call whose record line begins with `prefix` fails with `error` (recorded with
    // " -> failed" after it); without an osCode, with Win32's code for its kind. Also
    // "list <path>", though listings are not recorded.
    void FailCalls(const std::string& prefix, FileError error);
    void ClearFaults() { m_faults.clear(); }
    // The call recorded as calls[failAt] fails with accessDenied.
    size_t failAt = SIZE_MAX;

    // --- The files in memory. Paths are taken as given; "C:" always exists.
    void AddFile(const std::string& path, const std::string& bytes,
                 DWORD attributes = FILE_ATTRIBUTE_NORMAL);
    void AddDirectory(const std::string& path);
    bool HasFile(const std::string& path) const;
    bool HasDirectory(const std::string& path) const;
    std::string FileBytes(const std::string& path) const;
    DWORD FileAttributes(const std::string& path) const;
    int64_t FileTime(const std::string& path) const;  // last write
    std::vector<std::string> Paths() const;           // every file and directory, sorted

    // The roles.
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
    bool IsLeadByte(BYTE ch) override;
    bool LocalPartsToTime(const LocalTimeParts& parts, int64_t* time) override;
    bool TimeToLocalParts(int64_t time, LocalTimeParts* parts) override;
    int64_t CurrentTime() override;
    bool Utf8ToAnsi(const char* text, size_t length, CString& ansi) override;
    CString ModulePath() override;
    bool LoadStringResource(UINT nID, CString& text) override;
    bool CanElevate() override;
    bool RunElevated(LPCTSTR args, DWORD* exitCode, LONG* pError) override;
    bool Waiting() override;
    bool Progress(const CString& strName, ULONGLONG done, ULONGLONG total) override;
    void EndWork() override;
    bool AskYesNo(const CString& strQuestion) override;
    void ShowOutcome(UINT nIDTemplate, const CString& strName, const CString& strCause) override;
    void ShowError(const CString& strText) override;
    HANDLE CreateInstanceMutex(LPCTSTR name, bool* pbExisted) override;
    void CloseInstanceMutex(HANDLE mutex) override;
    HWND FindClientWindow(LPCTSTR className) override;
    void RestoreWindow(HWND window) override;
    void BringToTop(HWND window) override;
    void SetForeground(HWND window) override;
    void SendCopyData(HWND window, ULONG_PTR tag, DWORD size, const void* data) override;
    FileError StartClient(LPCTSTR program, LPCTSTR service, LPCTSTR directory) override;
    void Trace(LPCTSTR text) override;

  private:
    struct Node {
        bool directory = false;
        std::string bytes;
        DWORD attributes = FILE_ATTRIBUTE_NORMAL;
        int64_t ctime = 0, mtime = 0, atime = 0;
    };
    struct Open {
        std::string path;
        bool writable = false;  // else read only; a new file is written only
        bool lock = false;
    };

    // Records line; the fault's error when one matches it.
    FileError Record(const std::string& line);
    // A query's fault (not recorded): "list <path>" for ListDirectory.
    FileError Query(const std::string& line) const;
    FileError Move(const std::string& verb, LPCTSTR from, LPCTSTR to);
    FileError OpenPath(LPCTSTR path, FileHandle* file, bool bCreateNew);
    bool ParentExists(const std::string& path) const;
    Node* Find(const std::string& path);
    const Node* Find(const std::string& path) const;
    std::string PathOf(FileHandle file) const;

    FileSystem* m_pFiles;
    std::map<std::string, Node> m_nodes;
    std::map<FileHandle, Open> m_open;
    FileHandle m_nextHandle = 100;
    std::vector<std::pair<std::string, FileError>> m_faults;
};
