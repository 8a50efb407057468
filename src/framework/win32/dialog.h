// Dialogs from dialog templates, with dialog data exchange between members and
// controls.
#pragma once

#include "window.h"

// The module that holds a resource: the program itself (there are no resource DLLs).
HINSTANCE AfxFindResourceHandle(LPCTSTR lpszName, LPCTSTR lpszType);

class CDataExchange {
  public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
        : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}

    // The control nIDC of the dialog (null when there is none).
    HWND PrepareCtrl(int nIDC) const;

    BOOL m_bSaveAndValidate;  // TRUE: controls to members
    CWnd* m_pDlgWnd;
};

// An unowned dialog whose template sits at (0, 0) without a centring or alignment
// style is centred on the screen's work area.
void AfxCenterUnplacedDialog(HWND hDlg);

// Binds rControl to control nIDC the first time; later exchanges leave it bound.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
// Copies the text of control nIDC to or from value.
void DDX_Text(CDataExchange* pDX, int nIDC, CString& value);

class CDialog : public CWnd {
  public:
    CDialog() = default;
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    // Destroys a modeless dialog window that is still open.
    ~CDialog() override;

    // Runs the dialog modally and returns the result passed to EndDialog (-1 when the
    // dialog could not be created).
    virtual INT_PTR DoModal();
    // Creates the dialog modeless; the caller destroys it with DestroyWindow.
    BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    void EndDialog(int nResult);

    virtual BOOL OnInitDialog();

  protected:
    virtual void OnOK();
    virtual void OnCancel();

    UINT m_nIDTemplate = 0;
    CWnd* m_pParentWnd = nullptr;

  private:
    friend INT_PTR CALLBACK AfxDlgProc(HWND, UINT, WPARAM, LPARAM);
    BOOL HandleInitDialog();

    DECLARE_MESSAGE_MAP()
};

// The dialog procedure behind every CDialog: binds the window at WM_INITDIALOG.
INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
