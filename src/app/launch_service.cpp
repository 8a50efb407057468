// The hand-off of a service to the client: started with it, or, when it runs
// already, sent it in WM_COPYDATA.
#include <cstdio>
#include <cstring>

#include "app/installer_app.h"
#include "app/instance_probe.h"
#include "framework/message_box.h"
#include "profile/profile_reader.h"
#include "ui/resources.h"

namespace {

const int kServiceSize = 256;
const int kPathAndCommandSize = 520;
const ULONG_PTR kServiceHandOffTag = 1;
const char kClientProgram[] = "zilno.exe";
const char kLaunchFailed[] = "Unable to launch Brenvo";

}  // namespace

// What does not fit a buffer is refused, never cut: a profile path that is too long
// is treated like an unreadable profile (nothing happens, no message); a client
// command line that is too long means the client cannot be started, so it is told
// like a failed start, with the "Unable to launch" box.
void InstallerApp::LaunchService(CString& strCmdLine) {
    const int nBlank = strCmdLine.Find(' ');
    if (nBlank < 0) return;
    CString strPath = strCmdLine.Mid(nBlank + 1);
    strPath.TrimLeft();

    char szPathAndCommand[kPathAndCommandSize];
    if (strPath.GetLength() >= kPathAndCommandSize) return;
    std::memcpy(szPathAndCommand, static_cast<LPCTSTR>(strPath), strPath.GetLength() + 1);

    char szService[kServiceSize];
    ReadProfileString("launch", "service", "", szService, kServiceSize, szPathAndCommand);
    if (szService[0] == '\0') return;

    InstanceProbe probe;
    HWND hWnd = nullptr;
    if (!probe.IsFirstInstance(IDS_CLIENT_TITLE, &hWnd)) {
        if (hWnd != nullptr) {
            COPYDATASTRUCT cds;
            cds.dwData = kServiceHandOffTag;
            cds.cbData = static_cast<DWORD>(std::strlen(szService) + 1);
            cds.lpData = szService;
            ::SendMessageA(hWnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds));
        }
        return;
    }

    // The program is named on its own as well, so that an install directory with
    // blanks cannot make the unquoted command line start another program (say
    // "C:\Games\Quorvix.exe" for "C:\Games\Quorvix Brenvo\zilno.exe").
    const CString strProgram = m_strInstallDir + kClientProgram;
    const int nLength =
        std::snprintf(szPathAndCommand, kPathAndCommandSize, "%s%s +svc %s",
                      static_cast<LPCTSTR>(m_strInstallDir), kClientProgram, szService);
    STARTUPINFOA si;
    std::memset(&si, 0, sizeof si);
    si.cb = sizeof si;
    PROCESS_INFORMATION pi;
    if (nLength >= 0 && nLength < kPathAndCommandSize &&
        ::CreateProcessA(strProgram, szPathAndCommand, nullptr, nullptr, FALSE,
                         NORMAL_PRIORITY_CLASS, nullptr, m_strInstallDir, &si, &pi)) {
        ::CloseHandle(pi.hThread);
        ::CloseHandle(pi.hProcess);
        return;
    }
    AfxMessageBox(kLaunchFailed, MB_ICONHAND, 0);
}
