#include "ui/installer_dialog.h"

#include "ui/dialog_texts.h"
#include "ui/resources.h"

BEGIN_MESSAGE_MAP(InstallerDialog, CDialog)
ON_WM_PAINT()
ON_WM_QUERYDRAGICON()
END_MESSAGE_MAP()

InstallerDialog::InstallerDialog(UINT nIDTemplate, const CString& strName, const CString& strCause,
                                 CWnd* pParent)
    : CDialog(nIDTemplate, pParent),
      m_strName(strName.IsEmpty() ? CString(TPX_TEXT_DEFAULT_NAME) : strName),
      m_strCause(strCause) {
    LPCTSTR lpszIcon = MAKEINTRESOURCE(IDI_INSTALLER);
    m_hIcon = ::LoadIconA(AfxFindResourceHandle(lpszIcon, RT_GROUP_ICON), lpszIcon);
}

void InstallerDialog::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_SERVICE_NAME, m_ctlName);
    DDX_Text(pDX, IDC_SERVICE_NAME, m_strName);
}

BOOL InstallerDialog::OnInitDialog() {
    CDialog::OnInitDialog();

    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    // The name line in a bold copy of its own font.
    LOGFONT lf = {};
    auto hFont = reinterpret_cast<HFONT>(m_ctlName.SendMessage(WM_GETFONT));
    ::GetObjectA(hFont, sizeof(lf), &lf);
    lf.lfWeight = FW_BOLD;
    m_fontBold.CreateFontIndirect(&lf);
    m_ctlName.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(m_fontBold.GetSafeHandle()), TRUE);

    UpdateData(FALSE);
    HWND hCause = nullptr;
    GetDlgItem(IDC_CAUSE, &hCause);
    if (hCause != nullptr) ::SetWindowTextA(hCause, m_strCause);
    return TRUE;
}

void InstallerDialog::OnPaint() {
    if (!IsIconic()) {
        Default();
        return;
    }
    CPaintDC dc(this);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);

    int cxIcon = ::GetSystemMetrics(SM_CXICON);
    int cyIcon = ::GetSystemMetrics(SM_CYICON);
    RECT rect;
    GetClientRect(&rect);
    int x = (rect.right - rect.left - cxIcon + 1) / 2;
    int y = (rect.bottom - rect.top - cyIcon + 1) / 2;
    dc.DrawIcon(x, y, m_hIcon);
}

HCURSOR InstallerDialog::OnQueryDragIcon() {
    return static_cast<HCURSOR>(m_hIcon);
}

void InstallerDialog::OnOK() {
    CDialog::OnOK();
}

void InstallerDialog::OnCancel() {
    CDialog::OnCancel();
}
