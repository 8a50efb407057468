// The hand-off of a service to the client: started with it, or, when it runs
// already, sent it in WM_COPYDATA.
#include <cstring>

#include "app/installer_app.h"
#include "app/instance_probe.h"
#include "framework/client_program.h"
#include "profile/profile_reader.h"
#include "ui/resources.h"
#include "ui/user.h"

namespace {

const int kServiceSize = 256;
const int kPathSize = 520;
const ULONG_PTR kServiceHandOffTag = 1;
const char kClientProgram[] = "zilno.exe";
const char kLaunchFailed[] = "Unable to launch Brenvo";

}  // namespace

// What does not fit a buffer is refused, never cut: a profile path that is too long,
// or a service name that fills its buffer (the reader may have cut it), is treated
// like an unreadable profile (nothing happens, no message); a client that cannot be
// started, its command line too long included, is told with the "Unable to launch" box.
void InstallerApp::LaunchService(CString& strCmdLine) {
    const int nBlank = strCmdLine.Find(' ');
    if (nBlank < 0) return;
    CString strPath = strCmdLine.Mid(nBlank + 1);
    strPath.TrimLeft();
    if (strPath.GetLength() >= kPathSize) return;

    char szService[kServiceSize];
    const int nService =
        ReadProfileString("launch", "service", "", szService, kServiceSize, strPath);
    if (nService == 0) return;
    if (nService >= kServiceSize - 1) {
        Trace("* Service name in %s too long - nothing launched\n", static_cast<LPCTSTR>(strPath));
        return;
    }

    ClientProgram& client = m_roles.client;
    InstanceProbe probe(client);
    HWND hWnd = nullptr;
    if (!probe.IsFirstInstance(IDS_CLIENT_TITLE, &hWnd)) {
        if (hWnd != nullptr) {
            client.SendCopyData(hWnd, kServiceHandOffTag,
                                static_cast<DWORD>(std::strlen(szService) + 1), szService);
        }
        return;
    }
    const CString strProgram = m_strInstallDir + kClientProgram;
    if (const FileError error = client.StartClient(strProgram, szService, m_strInstallDir)) {
        // The box's own words, then the cause in the words of a failed installation.
        InstallFailure failure;
        failure.strPath = strProgram;
        failure.bMissing = error.IsMissing();
        failure.nOsError = error.osCode;
        m_roles.user.ShowError(CString(kLaunchFailed) + "\n\n" +
                               DescribeFailure(failure, m_strCustomDir));
    }
}
