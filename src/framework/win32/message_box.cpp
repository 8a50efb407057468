#include "message_box.h"

#include "app.h"
#include "window.h"

int AfxMessageBox(LPCTSTR lpszText, UINT nType, UINT /*nIDHelp: no help file ships*/) {
    CString strTitle;
    HWND hOwner = nullptr;
    if (CWinApp* pApp = AfxGetApp()) {
        strTitle = pApp->GetAppTitle();
        // The main window is only an owner while its window exists.
        if (pApp->m_pMainWnd != nullptr && ::IsWindow(pApp->m_pMainWnd->m_hWnd)) {
            hOwner = pApp->m_pMainWnd->m_hWnd;
        }
    }
    return ::MessageBoxA(hOwner, lpszText, strTitle, nType);
}
