// The person in front of the Windows program: message boxes, the outcome dialogs, and
// the shell's request for administrator rights.
#include <windows.h>
// shellapi.h builds on windows.h.
#include <shellapi.h>

#include "framework/app.h"
#include "framework/host.h"
#include "framework/win32/message_box.h"
#include "ui/dialog_texts.h"
#include "ui/installer_dialog.h"
#include "ui/user.h"
#include "ui/work_window.h"

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

    // Shown at once; each call waits a moment for the window's messages, so that a
    // loop of calls neither spins nor lets the window freeze.
    bool Waiting() override {
        m_work.Show(TPX_TEXT_WAITING, -1);
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        return m_work.Pump();
    }

    bool Progress(const CString& strName, ULONGLONG done, ULONGLONG total) override {
        const ULONGLONG now = ::GetTickCount64();
        if (m_startTick == 0) m_startTick = now;
        if (!m_work.IsShown()) {
            if (now - m_startTick < 1000) return true;
        } else if (now - m_lastShown < 50) {
            return m_work.Pump();
        }
        m_lastShown = now;
        m_work.Show("Installing " + strName + "...",
                    total == 0 ? 0 : static_cast<int>(done * 1000 / total));
        return m_work.Pump();
    }

    void EndWork() override {
        m_work.Close();
        m_startTick = 0;
    }

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

  private:
    WorkWindow m_work;
    ULONGLONG m_startTick = 0;  // when Progress was first called since EndWork
    ULONGLONG m_lastShown = 0;
};

}  // namespace

User& RealUser() {
    static WindowsUser user;
    return user;
}
