// The one dialog class behind the three outcome dialogs (no pack, success,
// failure). The templates differ; the class shows the run's name in bold.
#pragma once

#include "dialog.h"

class InstallerDialog : public CDialog {
  public:
    // strName: the name line (empty: the template's default); strCause: the line below
    // the texts, where the template has one.
    InstallerDialog(UINT nIDTemplate, const CString& strName, const CString& strCause = CString(),
                    CWnd* pParent = nullptr);
    ~InstallerDialog() override = default;

    BOOL OnInitDialog() override;

  protected:
    void DoDataExchange(CDataExchange* pDX) override;
    void OnOK() override;
    void OnCancel() override;

    void OnPaint();
    HCURSOR OnQueryDragIcon();

    CFont m_fontBold;    // the name line's font made bold; empty until OnInitDialog
    CStatic m_ctlName;   // the name line
    CString m_strName;   // its text
    CString m_strCause;  // what went wrong, for the failure dialog
    HICON m_hIcon;       // the program icon, shared and never destroyed here

    DECLARE_MESSAGE_MAP()
};
