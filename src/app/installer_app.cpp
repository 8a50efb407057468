#include "app/installer_app.h"

#include "app/elevation.h"
#include "app/start_up.h"
#include "framework/platform.h"
#include "profile/profile_reader.h"
#include "ui/resources.h"

InstallerApp::InstallerApp() : m_strServiceName(""), m_bError(FALSE) {}

InstallerApp::~InstallerApp() = default;

void InstallerApp::Trace(LPCTSTR lpszFormat, ...) {
    if (!Platform::Current().IsTracing()) return;
    va_list args;
    va_start(args, lpszFormat);
    CString strMessage;
    strMessage.FormatV(lpszFormat, args);
    va_end(args);
    Platform::Current().Trace(strMessage);
}

BOOL InstallerApp::InitInstance() {
    Platform& platform = Platform::Current();
    Enable3dControls();
    Trace("\n**********************************************\n");
    ProfileStartup();

    m_strInstallDir = InstallDirFromModulePath(platform.ModulePath());
    m_strCustomDir = m_strInstallDir + "custom";
    platform.MakeDirectory(m_strCustomDir);

    CString strCmdLine = RemoveQuotes(TakeElevatedRunMarker(m_lpCmdLine, &m_bElevatedRun));
    StartMode mode = ChooseStartMode(strCmdLine);
    if (mode == StartMode::NoPack) {
        Trace("* Command line empty - showing dialog...\n");
        m_strServiceName = "";
        platform.ShowOutcome(IDD_NO_FILES, m_strServiceName);
    } else {
        Trace("m_lpCmdLine = [%s]\n", m_lpCmdLine);
        if (mode == StartMode::Launch) {
            CString strLaunch = LaunchCommandLine(strCmdLine);
            LaunchService(strLaunch);
        } else {
            InstallPackage(strCmdLine);
        }
    }

    if (m_bError) {
        Trace("* Error During Installation! Showing err dialog...\n");
        platform.ShowOutcome(IDD_INSTALL_FAILED, m_strServiceName);
        SetExitCode(1);  // so that scripts can tell
    }

    ProfileShutdown();
    return FALSE;
}
