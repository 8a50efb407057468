#include "app/installer_app.h"

#include <cstdarg>

#include "app/elevation.h"
#include "app/start_up.h"
#include "framework/file_system.h"
#include "framework/host.h"
#include "framework/tracer.h"
#include "profile/profile_reader.h"
#include "ui/resources.h"
#include "ui/user.h"

namespace {

const char kCancelled[] = "The installation was cancelled. Nothing was changed.";

void TraceV(Tracer& tracer, LPCTSTR lpszFormat, va_list args) {
    if (!tracer.IsTracing()) return;
    CString strMessage;
    strMessage.FormatV(lpszFormat, args);
    tracer.Trace(strMessage);
}

}  // namespace

void TraceTo(Tracer& tracer, LPCTSTR lpszFormat, ...) {
    va_list args;
    va_start(args, lpszFormat);
    TraceV(tracer, lpszFormat, args);
    va_end(args);
}

InstallerApp::InstallerApp(const InstallerRoles& roles)
    : m_strServiceName(""), m_bError(FALSE), m_roles(roles) {}

InstallerApp::~InstallerApp() = default;

void InstallerApp::Trace(LPCTSTR lpszFormat, ...) {
    va_list args;
    va_start(args, lpszFormat);
    TraceV(m_roles.tracer, lpszFormat, args);
    va_end(args);
}

BOOL InstallerApp::InitInstance() {
    Enable3dControls();
    Trace("\n**********************************************\n");
    ProfileStartup(m_roles.files);

    m_strInstallDir = InstallDirFromModulePath(AfxGetHost().ModulePath());
    m_strCustomDir = m_strInstallDir + "custom";
    m_roles.files.MakeDirectory(m_strCustomDir);

    CString strCmdLine = RemoveQuotes(TakeElevatedRunMarker(m_lpCmdLine, &m_bElevatedRun));
    StartMode mode = ChooseStartMode(strCmdLine);
    if (mode == StartMode::NoPack) {
        Trace("* Command line empty - showing dialog...\n");
        m_strServiceName = "";
        m_roles.user.ShowOutcome(IDD_NO_FILES, m_strServiceName, CString());
    } else {
        Trace("m_lpCmdLine = [%s]\n", m_lpCmdLine);
        if (mode == StartMode::Launch) {
            CString strLaunch = LaunchCommandLine(strCmdLine);
            LaunchService(strLaunch);
        } else {
            ShowOutcome(InstallPackage(strCmdLine));
        }
    }

    ProfileShutdown();
    return FALSE;
}

void InstallerApp::ShowOutcome(const InstallOutcome& outcome) {
    switch (outcome.kind) {
        case InstallOutcome::Kind::installed:
            Trace("* Successful Installation! Showing dialog...\n");
            m_roles.user.ShowOutcome(IDD_INSTALL_OK, outcome.strName, CString());
            return;
        case InstallOutcome::Kind::installedQuietly:
        case InstallOutcome::Kind::stopped:
            return;
        case InstallOutcome::Kind::cancelled:
            m_roles.user.ShowError(kCancelled);
            SetExitCode(1);  // nothing was installed
            return;
        case InstallOutcome::Kind::elevated:
            Trace("* Elevated run ended with %d\n", outcome.nExitCode);
            SetExitCode(outcome.nExitCode);
            return;
        case InstallOutcome::Kind::failed:
            Trace("* Error During Installation! Showing err dialog...\n");
            m_roles.user.ShowOutcome(IDD_INSTALL_FAILED, outcome.strName,
                                     DescribeFailure(outcome.failure, m_strCustomDir));
            SetExitCode(1);  // so that scripts can tell
            return;
    }
}
