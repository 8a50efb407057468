#include "dialog.h"

#include <vector>

#include "app.h"

HINSTANCE AfxFindResourceHandle(LPCTSTR, LPCTSTR) {
    return ::GetModuleHandleA(nullptr);
}

void AfxCenterUnplacedDialog(HWND hDlg) {
    if (::GetWindow(hDlg, GW_OWNER) != nullptr) return;
    LONG style = ::GetWindowLongA(hDlg, GWL_STYLE);
    if (style & (DS_CENTER | DS_CENTERMOUSE | DS_ABSALIGN)) return;
    RECT rc;
    if (!::GetWindowRect(hDlg, &rc) || rc.left != 0 || rc.top != 0) return;
    RECT area;
    if (!::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0)) {
        area = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    }
    const int cx = rc.right - rc.left;
    const int cy = rc.bottom - rc.top;
    const int x = area.left + (area.right - area.left - cx) / 2;
    const int y = area.top + (area.bottom - area.top - cy) / 2;
    ::SetWindowPos(hDlg, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND CDataExchange::PrepareCtrl(int nIDC) const {
    return ::GetDlgItem(m_pDlgWnd->m_hWnd, nIDC);
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
    if (rControl.m_hWnd == nullptr) rControl.Attach(pDX->PrepareCtrl(nIDC));
}

void DDX_Text(CDataExchange* pDX, int nIDC, CString& value) {
    HWND hCtrl = pDX->PrepareCtrl(nIDC);
    if (hCtrl == nullptr) return;
    if (pDX->m_bSaveAndValidate) {
        int nLength = ::GetWindowTextLengthA(hCtrl);
        std::vector<TCHAR> buffer(static_cast<size_t>(nLength > 0 ? nLength : 0) + 1);
        int nCopied = ::GetWindowTextA(hCtrl, buffer.data(), static_cast<int>(buffer.size()));
        value = CString(buffer.data(), nCopied > 0 ? nCopied : 0);
    } else {
        ::SetWindowTextA(hCtrl, value);
    }
}

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_COMMAND(IDOK, CDialog::OnOK)
ON_COMMAND(IDCANCEL, CDialog::OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

CDialog::~CDialog() {
    if (m_hWnd != nullptr && ::IsWindow(m_hWnd)) ::DestroyWindow(m_hWnd);
}

INT_PTR CDialog::DoModal() {
    LPCTSTR lpszTemplate = MAKEINTRESOURCEA(m_nIDTemplate);
    HWND hParent = m_pParentWnd != nullptr ? m_pParentWnd->m_hWnd : nullptr;
    return ::DialogBoxParamA(AfxFindResourceHandle(lpszTemplate, RT_DIALOG), lpszTemplate, hParent,
                             &AfxDlgProc, reinterpret_cast<LPARAM>(this));
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd) {
    m_nIDTemplate = nIDTemplate;
    m_pParentWnd = pParentWnd;
    LPCTSTR lpszTemplate = MAKEINTRESOURCEA(m_nIDTemplate);
    HWND hParent = m_pParentWnd != nullptr ? m_pParentWnd->m_hWnd : nullptr;
    HWND hWnd = ::CreateDialogParamA(AfxFindResourceHandle(lpszTemplate, RT_DIALOG), lpszTemplate,
                                     hParent, &AfxDlgProc, reinterpret_cast<LPARAM>(this));
    return hWnd != nullptr;
}

void CDialog::EndDialog(int nResult) {
    ::EndDialog(m_hWnd, nResult);
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() {
    UpdateData(TRUE);
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

BOOL CDialog::HandleInitDialog() {
    BOOL bResult = OnInitDialog();
    AfxCenterUnplacedDialog(m_hWnd);
    return bResult;
}

INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT message, WPARAM, LPARAM lParam) {
    // Everything after WM_INITDIALOG reaches the dialog through AfxWndProc; the
    // dialog manager's default handling follows when this returns FALSE.
    if (message != WM_INITDIALOG) return FALSE;
    CDialog* pDlg = reinterpret_cast<CDialog*>(lParam);
    pDlg->SubclassWindow(hWnd);
    return pDlg->HandleInitDialog();
}
