// The application object and the process start-up around it. The program defines
// exactly one object of a class derived from CWinApp; the process entry sets its
// instance handle and command line and calls InitInstance once. There is no message
// loop: the process ends when InitInstance returns.
#pragma once

#include "cstring.h"

class CWnd;
class Host;

class CWinApp {
  public:
    // Registers this object as the application (see AfxGetApp).
    explicit CWinApp(LPCTSTR lpszAppName = nullptr);
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // The application's work.
    virtual BOOL InitInstance();
    // The process exit status.
    virtual int ExitInstance();

    // Kept for the dialogs' three-dimensional look; every supported system draws
    // that by default, so there is nothing left to switch on.
    BOOL Enable3dControls();

    // The title for message boxes: the name given to the constructor or else the
    // executable's file name without its extension.
    CString GetAppTitle() const;

    void SetExitCode(int nExitCode) { m_nExitCode = nExitCode; }

    HINSTANCE m_hInstance = nullptr;
    LPTSTR m_lpCmdLine = nullptr;  // the command line without the program's path
    CWnd* m_pMainWnd = nullptr;    // the dialog on show (Windows)
    LPCTSTR m_pszAppName;

  private:
    int m_nExitCode = 0;
};

// The one application object (null when none exists).
CWinApp* AfxGetApp();

// Runs the application on `host`: puts it in place, sets the instance handle and
// command line, calls InitInstance, and returns the process exit status. Called by the
// process entry.
int AfxWinMain(Host& host, HINSTANCE hInstance, LPTSTR lpCmdLine);

// The command line minus the program path: a quoted path is skipped up to and past
// its closing quote, an unquoted one up to the first character <= 32; then every
// character from 1 to 32 is skipped. Points into lpszCmdLine.
LPCTSTR AfxSkipProgramPath(LPCTSTR lpszCmdLine);

// Piece iSubString of lpszFullString, pieces separated by chSep; FALSE (and rString
// empty) when there are fewer pieces.
BOOL AfxExtractSubString(CString& rString, LPCTSTR lpszFullString, int iSubString,
                         TCHAR chSep = '\n');
