#include "window_platform.h"

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
    int cx = rc.right - rc.left;
    int cy = rc.bottom - rc.top;
    int x = area.left + (area.right - area.left - cx) / 2;
    int y = area.top + (area.bottom - area.top - cy) / 2;
    ::SetWindowPos(hDlg, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
