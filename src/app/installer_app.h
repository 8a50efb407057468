// The application object: start-up, dispatch, installation and client hand-off.
#pragma once

#include "app/install_outcome.h"
#include "framework/app.h"
#include "framework/cstring.h"

class ClientProgram;
class FileSystem;
class Tracer;
class User;

// The parts of the machine the installer works with. The program's one application
// object gets the real ones; a test hands in its own.
struct InstallerRoles {
    FileSystem& files;
    User& user;
    ClientProgram& client;
    Tracer& tracer;
};

class InstallerApp : public CWinApp {
  public:
    explicit InstallerApp(const InstallerRoles& roles);
    ~InstallerApp() override;

    BOOL InitInstance() override;

    // Formats a trace message for the platform's diagnostics.
    void Trace(LPCTSTR lpszFormat, ...);
    InstallOutcome InstallPackage(const CString& strPackPath);
    void LaunchService(CString& strCmdLine);

    CString m_strInstallDir;   // the executable's directory, ending in a backslash
    CString m_strCustomDir;    // m_strInstallDir + "custom"
    CString m_strServiceName;  // the name line of the dialogs
    BOOL m_bError;
    bool m_bElevatedRun = false;  // started elevated by this program: never asks again

  private:
    // Shows what an installation came to (the one place that does).
    void ShowOutcome(const InstallOutcome& outcome);

    InstallerRoles m_roles;
};

// Formats a trace line for `tracer`, when anyone listens.
void TraceTo(Tracer& tracer, LPCTSTR lpszFormat, ...);
