#include "app/installer_app.h"

#include "app/start_up.h"
#include "framework/resource_table.h"
#include "profile/profile_reader.h"
#include "ui/installer_dialog.h"
#include "ui/resources.h"

namespace {

const char kLaunchWord[] = "-launch";

// Index of the first character above 32, or the length.
int SkipBlanks(const CString& str) {
    int i = 0;
    while (i < str.GetLength() && static_cast<unsigned char>(str[i]) <= ' ') ++i;
    return i;
}

// Shows one outcome dialog as the application's main window until it is closed.
void RunOutcomeDialog(CWinApp& app, UINT nIDTemplate) {
    InstallerDialog dlg(nIDTemplate);
    app.m_pMainWnd = &dlg;
    dlg.DoModal();
}  // the dialog's destructor takes it back out of m_pMainWnd

}  // namespace

CString InstallDirFromModulePath(LPCTSTR lpszModulePath) {
    CString strDir(lpszModulePath != nullptr ? lpszModulePath : "");
    int nSlash = strDir.ReverseFind('\\');
    if (nSlash >= 0) strDir = strDir.Left(nSlash + 1);
    return strDir;
}

CString RemoveQuotes(LPCTSTR lpszCmdLine) {
    CString str(lpszCmdLine != nullptr ? lpszCmdLine : "");
    str.Remove('"');
    return str;
}

StartMode ChooseStartMode(const CString& strCmdLine) {
    if (strCmdLine.IsEmpty()) return StartMode::NoPack;
    const int nWord = static_cast<int>(sizeof(kLaunchWord) - 1);
    int nStart = SkipBlanks(strCmdLine);
    if (strCmdLine.Mid(nStart, nWord) == kLaunchWord) {
        int nAfter = nStart + nWord;
        if (nAfter == strCmdLine.GetLength() ||
            static_cast<unsigned char>(strCmdLine[nAfter]) <= ' ') {
            return StartMode::Launch;
        }
    }
    return StartMode::Install;
}

CString LaunchCommandLine(const CString& strCmdLine) {
    return strCmdLine.Mid(SkipBlanks(strCmdLine));
}

BEGIN_MESSAGE_MAP(InstallerApp, CWinApp)
ON_COMMAND(ID_HELP, CWinApp::OnHelp)
END_MESSAGE_MAP()

InstallerApp::InstallerApp() : m_strServiceName(""), m_bError(FALSE) {
    // The dialogs and strings of the POSIX build come from this table.
    AfxSetResourceTable(&g_resourceTable);
}

InstallerApp::~InstallerApp() = default;

void InstallerApp::Trace(LPCTSTR lpszFormat, ...) {
    va_list args;
    va_start(args, lpszFormat);
    CString strMessage;
    strMessage.FormatV(lpszFormat, args);
    va_end(args);
}

BOOL InstallerApp::InitInstance() {
    Enable3dControls();
    Trace("\n**********************************************\n");
    ProfileStartup();

    TCHAR szModulePath[MAX_PATH] = {};
    ::GetModuleFileNameA(m_hInstance, szModulePath, MAX_PATH);
    szModulePath[MAX_PATH - 1] = '\0';  // older systems leave a cut path unterminated
    m_strInstallDir = InstallDirFromModulePath(szModulePath);
    m_strCustomDir = m_strInstallDir + "custom";
    ::CreateDirectoryA(m_strCustomDir, nullptr);

    CString strCmdLine = RemoveQuotes(m_lpCmdLine);
    StartMode mode = ChooseStartMode(strCmdLine);
    if (mode == StartMode::NoPack) {
        Trace("* Command line empty - showing dialog...\n");
        m_strServiceName = "";
        RunOutcomeDialog(*this, IDD_NO_FILES);
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
        RunOutcomeDialog(*this, IDD_INSTALL_FAILED);
        SetExitCode(1);  // so that scripts can tell
    }

    ProfileShutdown();
    return FALSE;
}
