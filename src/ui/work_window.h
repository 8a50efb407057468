// The small window of long work: a line of text, a bar, and Cancel. Modeless: the
// work goes on in the same thread and keeps the window answering by pumping its
// messages between pieces (Pump).
#pragma once

#include "framework/cstring.h"

class WorkWindow {
  public:
    WorkWindow() = default;
    ~WorkWindow() { Close(); }
    WorkWindow(const WorkWindow&) = delete;
    WorkWindow& operator=(const WorkWindow&) = delete;

    // Shows the window (made at the first call) with strText; permille is the bar's
    // position, or -1 for no bar.
    void Show(const CString& strText, int permille);
    // Handles what is waiting for the window; false once the user cancelled (Cancel,
    // Escape or the close box).
    bool Pump();
    bool IsShown() const { return m_hWnd != nullptr; }
    void Close();

  private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_hWnd = nullptr;
    bool m_bCancelled = false;
    CString m_strText;
    int m_permille = -2;  // what the bar shows (-2: not set yet)
};
