// Calls that hand a service to the client, with a local meaning on POSIX:
// - a named mutex is a lock file in the runtime directory (runtime_dir.h) that
//   exists while some process holds a lock on it;
// - a top-level window of another process is a Unix domain socket named after its
//   class, and the window calls travel over it (window_link_posix.cpp);
// - CreateProcessA resolves its command line as Windows does and spawns the program.
#pragma once

#include "api_types.h"

#ifndef ERROR_INVALID_HANDLE
#define ERROR_INVALID_HANDLE 6L
#endif
#ifndef ERROR_NOT_ENOUGH_MEMORY
#define ERROR_NOT_ENOUGH_MEMORY 8L
#endif
#ifndef ERROR_INVALID_PARAMETER
#define ERROR_INVALID_PARAMETER 87L
#endif
#ifndef ERROR_INVALID_NAME
#define ERROR_INVALID_NAME 123L
#endif
#ifndef ERROR_BAD_EXE_FORMAT
#define ERROR_BAD_EXE_FORMAT 193L
#endif
#ifndef ERROR_DIRECTORY
#define ERROR_DIRECTORY 267L
#endif
#ifndef ERROR_NOT_OWNER
#define ERROR_NOT_OWNER 288L
#endif

// --- kernel objects -----------------------------------------------------------------

BOOL CloseHandle(HANDLE handle);

// GetLastError() is ERROR_ALREADY_EXISTS when another handle to the name was open
// before, ERROR_SUCCESS when this call created it. A null name makes a private one.
HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES attributes, BOOL initialOwner, LPCSTR name);
// There is no waiting here, so a mutex is owned only when created initially owned.
BOOL ReleaseMutex(HANDLE mutex);

#define NORMAL_PRIORITY_CLASS 0x00000020

typedef struct _STARTUPINFOA {
    DWORD cb;
    LPSTR lpReserved;
    LPSTR lpDesktop;
    LPSTR lpTitle;
    DWORD dwX;
    DWORD dwY;
    DWORD dwXSize;
    DWORD dwYSize;
    DWORD dwXCountChars;
    DWORD dwYCountChars;
    DWORD dwFillAttribute;
    DWORD dwFlags;
    WORD wShowWindow;
    WORD cbReserved2;
    BYTE* lpReserved2;
    HANDLE hStdInput;
    HANDLE hStdOutput;
    HANDLE hStdError;
} STARTUPINFOA, *LPSTARTUPINFOA;

typedef struct _PROCESS_INFORMATION {
    HANDLE hProcess;
    HANDLE hThread;
    DWORD dwProcessId;
    DWORD dwThreadId;
} PROCESS_INFORMATION, *LPPROCESS_INFORMATION;

// Starts the program and returns without waiting. Without an application name the
// program is the command line's quoted first word, or else the shortest prefix
// ending at a blank that names an existing file ("C:\a" before "C:\a b\c"), with
// backslashes read as '/'. The text after the program becomes the arguments, split
// as the C runtime splits them. Start-up information, priority and handle
// inheritance have no meaning here (descriptors are not inherited).
BOOL CreateProcessA(LPCSTR applicationName, LPSTR commandLine,
                    LPSECURITY_ATTRIBUTES processAttributes, LPSECURITY_ATTRIBUTES threadAttributes,
                    BOOL inheritHandles, DWORD creationFlags, LPVOID environment,
                    LPCSTR currentDirectory, LPSTARTUPINFOA startupInfo,
                    LPPROCESS_INFORMATION processInformation);

// --- windows of other processes -----------------------------------------------------

#include "api_user.h"

#ifndef WM_COPYDATA
#define WM_COPYDATA 0x004A
#endif
#ifndef WM_USER
#define WM_USER 0x0400
#endif

typedef struct tagCOPYDATASTRUCT {
    ULONG_PTR dwData;
    DWORD cbData;
    LPVOID lpData;
} COPYDATASTRUCT, *PCOPYDATASTRUCT;

#ifndef SW_HIDE
#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_NORMAL 1
#define SW_SHOWMINIMIZED 2
#define SW_SHOWMAXIMIZED 3
#define SW_MAXIMIZE 3
#define SW_SHOWNOACTIVATE 4
#define SW_SHOW 5
#define SW_MINIMIZE 6
#define SW_SHOWMINNOACTIVE 7
#define SW_SHOWNA 8
#define SW_RESTORE 9
#define SW_SHOWDEFAULT 10
#endif

// Top-level windows only: a client window is found by its class through the socket
// it listens on; a search by title, below a parent or after a previous match finds
// nothing. The handle stays valid for the rest of the process.
HWND FindWindowExA(HWND parent, HWND childAfter, LPCSTR className, LPCSTR windowName);
// These three act on windows of this process too; for another process's window they
// are requests that its owner carries out. The result is the owner's answer.
BOOL ShowWindow(HWND hWnd, int nCmdShow);
BOOL BringWindowToTop(HWND hWnd);
BOOL SetForegroundWindow(HWND hWnd);
