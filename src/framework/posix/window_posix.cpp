// In-memory windows: creation bookkeeping, message delivery and the default
// handling of text, font, icon and minimise requests.
#include <algorithm>
#include <cstring>
#include <set>

#include "window_object.h"

namespace {

std::set<HWND>& LiveWindows() {
    static std::set<HWND> windows;
    return windows;
}

void DestroyTree(HWND hWnd) {
    SendMessageA(hWnd, WM_DESTROY, 0, 0);
    std::vector<HWND> children;
    children.swap(hWnd->children);
    for (HWND child : children) DestroyTree(child);
    SendMessageA(hWnd, WM_NCDESTROY, 0, 0);
    if (hWnd->ownedFont != nullptr) DeleteObject(hWnd->ownedFont);
    delete hWnd;
}

}  // namespace

HWND__::HWND__() {
    LiveWindows().insert(this);
}

HWND__::~HWND__() {
    LiveWindows().erase(this);
}

LRESULT HWND__::Deliver(UINT message, WPARAM wParam, LPARAM lParam) {
    if (wndProc != nullptr) return wndProc(this, message, wParam, lParam);
    return DefWindowProcA(this, message, wParam, lParam);
}

BOOL IsWindow(HWND hWnd) {
    return hWnd != nullptr && LiveWindows().count(hWnd) != 0;
}

LRESULT SendMessageA(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!IsWindow(hWnd)) return 0;
    return hWnd->Deliver(message, wParam, lParam);
}

LRESULT CallWindowProcA(WNDPROC proc, HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (proc == nullptr) return DefWindowProcA(hWnd, message, wParam, lParam);
    return proc(hWnd, message, wParam, lParam);
}

LRESULT DefWindowProcA(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!IsWindow(hWnd)) return 0;
    switch (message) {
        case WM_SETTEXT:
            hWnd->text = lParam != 0 ? reinterpret_cast<LPCSTR>(lParam) : "";
            return TRUE;
        case WM_GETTEXT: {
            auto size = static_cast<size_t>(wParam);
            if (size == 0 || lParam == 0) return 0;
            size_t n = std::min(size - 1, hWnd->text.size());
            auto buffer = reinterpret_cast<LPSTR>(lParam);
            std::memcpy(buffer, hWnd->text.data(), n);
            buffer[n] = '\0';
            return static_cast<LRESULT>(n);
        }
        case WM_GETTEXTLENGTH:
            return static_cast<LRESULT>(hWnd->text.size());
        case WM_SETFONT:
            hWnd->font = reinterpret_cast<HFONT>(wParam);
            return 0;
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(hWnd->font);
        case WM_SETICON: {
            HICON& slot = wParam == ICON_BIG ? hWnd->bigIcon : hWnd->smallIcon;
            HICON previous = slot;
            slot = reinterpret_cast<HICON>(lParam);
            return reinterpret_cast<LRESULT>(previous);
        }
        case WM_GETICON:
            return reinterpret_cast<LRESULT>(wParam == ICON_BIG ? hWnd->bigIcon : hWnd->smallIcon);
        case WM_SYSCOMMAND:
            switch (wParam & 0xFFF0) {
                case SC_MINIMIZE:
                    hWnd->iconic = true;
                    break;
                case SC_RESTORE:
                    hWnd->iconic = false;
                    break;
                case SC_CLOSE:
                    SendMessageA(hWnd, WM_CLOSE, 0, 0);
                    break;
            }
            return 0;
        case WM_CLOSE:
            DestroyWindow(hWnd);
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            BeginPaint(hWnd, &ps);
            EndPaint(hWnd, &ps);
            return 0;
        }
        default:
            return 0;
    }
}

LONG_PTR SetWindowLongPtrA(HWND hWnd, int index, LONG_PTR value) {
    if (!IsWindow(hWnd)) return 0;
    LONG_PTR previous = 0;
    switch (index) {
        case GWLP_WNDPROC:
            previous = reinterpret_cast<LONG_PTR>(hWnd->wndProc);
            hWnd->wndProc = reinterpret_cast<WNDPROC>(value);
            break;
        case GWLP_USERDATA:
            previous = hWnd->userData;
            hWnd->userData = value;
            break;
    }
    return previous;
}

LONG_PTR GetWindowLongPtrA(HWND hWnd, int index) {
    if (!IsWindow(hWnd)) return 0;
    switch (index) {
        case GWLP_WNDPROC:
            return reinterpret_cast<LONG_PTR>(hWnd->wndProc);
        case GWLP_USERDATA:
            return hWnd->userData;
        default:
            return 0;
    }
}

BOOL DestroyWindow(HWND hWnd) {
    if (!IsWindow(hWnd)) return FALSE;
    if (HWND parent = hWnd->parent; IsWindow(parent)) {
        auto& siblings = parent->children;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), hWnd), siblings.end());
    }
    DestroyTree(hWnd);
    return TRUE;
}

HWND GetDlgItem(HWND hDlg, int id) {
    if (!IsWindow(hDlg)) return nullptr;
    for (HWND child : hDlg->children) {
        if (child->id == id) return child;
    }
    return nullptr;
}

int GetDlgCtrlID(HWND hWnd) {
    return IsWindow(hWnd) ? hWnd->id : 0;
}

BOOL SetWindowTextA(HWND hWnd, LPCSTR text) {
    return static_cast<BOOL>(SendMessageA(hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)));
}

int GetWindowTextA(HWND hWnd, LPSTR buffer, int size) {
    if (size <= 0) return 0;
    buffer[0] = '\0';
    return static_cast<int>(SendMessageA(hWnd, WM_GETTEXT, static_cast<WPARAM>(size),
                                         reinterpret_cast<LPARAM>(buffer)));
}

int GetWindowTextLengthA(HWND hWnd) {
    return static_cast<int>(SendMessageA(hWnd, WM_GETTEXTLENGTH, 0, 0));
}

// A minimised window has no client area, as on Windows.
BOOL GetClientRect(HWND hWnd, LPRECT rect) {
    if (!IsWindow(hWnd)) return FALSE;
    *rect = RECT{0, 0, 0, 0};
    if (!hWnd->iconic) {
        rect->right = hWnd->rect.right - hWnd->rect.left;
        rect->bottom = hWnd->rect.bottom - hWnd->rect.top;
    }
    return TRUE;
}

BOOL IsIconic(HWND hWnd) {
    return IsWindow(hWnd) && hWnd->iconic;
}

int GetSystemMetrics(int index) {
    switch (index) {
        case SM_CXSCREEN:
            return 1024;
        case SM_CYSCREEN:
            return 768;
        case SM_CXICON:
        case SM_CYICON:
            return 32;
        default:
            return 0;
    }
}
