// The Windows program's platform: Win32 with the outcome dialogs of this program.
#include "app.h"
#include "ui/installer_dialog.h"
#include "win32_platform.h"

namespace {

class WindowsPlatform final : public Win32Platform {
  public:
    // The dialog reads its name line from the application when it opens, which holds
    // strName at this point.
    void ShowOutcome(UINT nIDTemplate, const CString& /*strName*/) override {
        InstallerDialog dlg(nIDTemplate);
        if (CWinApp* pApp = AfxGetApp()) pApp->m_pMainWnd = &dlg;
        dlg.DoModal();
    }  // the dialog's destructor takes it back out of m_pMainWnd
};

}  // namespace

Platform& Platform::Default() {
    static WindowsPlatform platform;
    return platform;
}
