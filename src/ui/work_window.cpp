#include "ui/work_window.h"

#include <windows.h>
// commctrl.h builds on windows.h.
#include <commctrl.h>

#include "framework/win32/dialog.h"
#include "framework/win32/dialog.h"
#include "ui/resources.h"

INT_PTR CALLBACK WorkWindow::DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        ::SetWindowLongPtrA(hWnd, DWLP_USER, lParam);
        AfxCenterUnplacedDialog(hWnd);  // as the outcome dialogs are
        return TRUE;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
        auto* pThis = reinterpret_cast<WorkWindow*>(::GetWindowLongPtrA(hWnd, DWLP_USER));
        if (pThis != nullptr) pThis->m_bCancelled = true;
        ::EnableWindow(::GetDlgItem(hWnd, IDCANCEL), FALSE);  // once is enough
        return TRUE;
    }
    return FALSE;
}

void WorkWindow::Show(const CString& strText, int permille) {
    if (m_hWnd == nullptr) {
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
        ::InitCommonControlsEx(&controls);
        m_hWnd = ::CreateDialogParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_WORK),
                                      nullptr, DialogProc, reinterpret_cast<LPARAM>(this));
        if (m_hWnd == nullptr) return;  // the work goes on without a window
        ::SendDlgItemMessageA(m_hWnd, IDC_WORK_BAR, PBM_SETRANGE32, 0, 1000);
        ::ShowWindow(m_hWnd, SW_SHOWNORMAL);
    }
    if (strText != m_strText) {
        m_strText = strText;
        ::SetDlgItemTextA(m_hWnd, IDC_WORK_TEXT, strText);
    }
    if (permille != m_permille) {
        HWND hBar = ::GetDlgItem(m_hWnd, IDC_WORK_BAR);
        ::ShowWindow(hBar, permille < 0 ? SW_HIDE : SW_SHOWNA);
        if (permille >= 0) ::SendMessageA(hBar, PBM_SETPOS, static_cast<WPARAM>(permille), 0);
        m_permille = permille;
    }
    Pump();
}

bool WorkWindow::Pump() {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (m_hWnd == nullptr || !::IsDialogMessageA(m_hWnd, &msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
    return !m_bCancelled;
}

void WorkWindow::Close() {
    if (m_hWnd != nullptr) ::DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
    m_bCancelled = false;
    m_strText.Empty();
    m_permille = -2;
}
