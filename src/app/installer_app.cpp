#include "app/installer_app.h"

#include <vector>

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

// The executable's whole path. A path cut at 260 characters would name another
// directory, and packs would be installed into a "custom" folder somewhere else.
CString ModulePath(HINSTANCE hInstance) {
    std::vector<TCHAR> buffer(MAX_PATH);
    for (;;) {
        DWORD nSize = static_cast<DWORD>(buffer.size());
        DWORD nLength = ::GetModuleFileNameA(hInstance, buffer.data(), nSize);
        if (nLength < nSize) return CString(buffer.data(), static_cast<int>(nLength));
        if (nSize >= 65536) return CString();
        buffer.resize(buffer.size() * 4);
    }
}

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

    m_strInstallDir = InstallDirFromModulePath(ModulePath(m_hInstance));
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
