// The application object: start-up, dispatch, installation and client hand-off.
#pragma once

#include "framework/app.h"
#include "framework/cstring.h"

class InstallerApp : public CWinApp {
  public:
    InstallerApp();
    ~InstallerApp() override;

    BOOL InitInstance() override;

    // Formats a trace message for the platform's diagnostics.
    void Trace(LPCTSTR lpszFormat, ...);
    void InstallPackage(const CString& strPackPath);
    void LaunchService(CString& strCmdLine);

    CString m_strInstallDir;   // the executable's directory, ending in a backslash
    CString m_strCustomDir;    // m_strInstallDir + "custom"
    CString m_strServiceName;  // the name line of the dialogs
    BOOL m_bError;
    bool m_bElevatedRun = false;  // started elevated by this program: never asks again
};
