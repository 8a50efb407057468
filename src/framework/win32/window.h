// Window wrappers. A CWnd wraps one window handle; a window bound to its CWnd
// (SubclassWindow) has its messages dispatched through the class's message map,
// and whatever the map does not handle goes to the window's previous procedure.
#pragma once

#include "cstring.h"
#include "message_map.h"

class CDataExchange;

class CWnd : public CCmdTarget {
  public:
    CWnd() = default;
    ~CWnd() override;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }  // NOLINT

    // Wraps hWnd without taking over its messages.
    BOOL Attach(HWND hWnd);
    HWND Detach();
    // Binds hWnd to this object: its messages now go through the message map.
    BOOL SubclassWindow(HWND hWnd);
    // The object bound to hWnd by SubclassWindow, or null.
    static CWnd* FromHandlePermanent(HWND hWnd);

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    void SetWindowText(LPCTSTR lpszString);
    void GetWindowText(CString& rString) const;
    void GetDlgItem(int nID, HWND* phWnd) const;
    HICON SetIcon(HICON hIcon, BOOL bBigIcon);
    HICON GetIcon(BOOL bBigIcon) const;
    BOOL IsIconic() const;
    void GetClientRect(LPRECT lpRect) const;
    virtual BOOL DestroyWindow();

    // Exchanges data between member variables and controls (TRUE: controls to members).
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

    HWND m_hWnd = nullptr;

  protected:
    // Default processing of the message being handled.
    LRESULT Default();
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual void DoDataExchange(CDataExchange* pDX);
    // Called after the window is gone (WM_NCDESTROY).
    virtual void PostNcDestroy();

  private:
    friend LRESULT CALLBACK AfxWndProc(HWND, UINT, WPARAM, LPARAM);
    void OnNcDestroy();
    WNDPROC m_pfnSuper = nullptr;

    DECLARE_MESSAGE_MAP()
};

// The procedure of every window bound by SubclassWindow.
LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

class CStatic : public CWnd {
  public:
    CStatic() = default;
    ~CStatic() override = default;
};

// A font handle owned by the object and deleted with it.
class CFont : public CObject {
  public:
    CFont() = default;
    ~CFont() override;
    CFont(const CFont&) = delete;
    CFont& operator=(const CFont&) = delete;

    BOOL CreateFontIndirect(const LOGFONT* lpLogFont);
    BOOL DeleteObject();
    int GetLogFont(LOGFONT* pLogFont) const;
    HFONT GetSafeHandle() const { return m_hObject; }
    operator HFONT() const { return m_hObject; }  // NOLINT

    HFONT m_hObject = nullptr;
};

// A device context borrowed for drawing.
class CDC : public CObject {
  public:
    HDC GetSafeHdc() const { return m_hDC; }
    BOOL DrawIcon(int x, int y, HICON hIcon);

    HDC m_hDC = nullptr;
};

// Painting of a window for one WM_PAINT: begins in the constructor, ends in the destructor.
class CPaintDC : public CDC {
  public:
    explicit CPaintDC(CWnd* pWnd);
    ~CPaintDC() override;
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;

    PAINTSTRUCT m_ps;

  private:
    HWND m_hWnd;
};
