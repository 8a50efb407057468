// The person in front of the Windows program: message boxes, the outcome dialogs, and
// the shell's request for administrator rights.
#include <windows.h>
// shellapi.h builds on windows.h.
#include <shellapi.h>

#include "framework/app.h"
#include "framework/host.h"
#include "framework/win32/message_box.h"
#include "ui/installer_dialog.h"
#include "ui/user.h"

namespace {

class WindowsUser : public User {
  public:
    bool AskYesNo(const CString& strQuestion) override {
        return AfxMessageBox(strQuestion, MB_YESNO | MB_ICONQUESTION, 0) != IDNO;
    }

    void ShowOutcome(UINT nIDTemplate, const CString& strName, const CString& strCause) override {
        InstallerDialog dlg(nIDTemplate, strName, strCause);
        if (CWinApp* pApp = AfxGetApp()) pApp->m_pMainWnd = &dlg;
        dlg.DoModal();
    }  // the dialog's destructor takes it back out of m_pMainWnd

    void ShowError(const CString& strText) override { AfxMessageBox(strText, MB_ICONHAND, 0); }

    // The shell decides whether "runas" needs a prompt: none for a process that is
    // elevated already, which then runs once more and fails alike. The token cannot be
    // the test, since some systems (Wine among them) call every process elevated.
    bool CanElevate() override { return true; }

    bool RunElevated(LPCTSTR args, DWORD* pExitCode, LONG* pError) override {
        const CString strProgram = AfxGetHost().ModulePath();
        SHELLEXECUTEINFOA info;
        ZeroMemory(&info, sizeof info);
        info.cbSize = sizeof info;
        info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
        info.lpVerb = "runas";
        info.lpFile = strProgram;
        info.lpParameters = args;
        info.nShow = SW_SHOWNORMAL;
        if (!::ShellExecuteExA(&info)) {
            *pError = static_cast<LONG>(::GetLastError());  // ERROR_CANCELLED when declined
            return false;
        }
        if (info.hProcess == nullptr) {
            *pError = ERROR_INVALID_HANDLE;
            return false;
        }
        ::WaitForSingleObject(info.hProcess, INFINITE);
        DWORD code = 0;
        const BOOL ok = ::GetExitCodeProcess(info.hProcess, &code);
        *pError = static_cast<LONG>(::GetLastError());
        ::CloseHandle(info.hProcess);
        if (!ok) return false;
        *pExitCode = code;
        return true;
    }
};

}  // namespace

User& RealUser() {
    static WindowsUser user;
    return user;
}
