// The objects behind the window-system handles of the POSIX build. A window is an
// HWND__ in this process; SendMessageA delivers to it through Deliver, which by
// default runs its window procedure. A stand-in for a window of another process
// derives from HWND__ and overrides Deliver to carry the message over.
#pragma once

#include <string>
#include <vector>

#include "platform_api.h"

struct HWND__ {
    HWND__();
    virtual ~HWND__();
    HWND__(const HWND__&) = delete;
    HWND__& operator=(const HWND__&) = delete;

    virtual LRESULT Deliver(UINT message, WPARAM wParam, LPARAM lParam);

    std::string className;
    std::string text;
    int id = 0;
    DWORD style = 0;
    DWORD exStyle = 0;
    RECT rect = {};  // pixels; a dialog's rectangle is its client area
    HWND parent = nullptr;
    std::vector<HWND> children;  // in template order, destroyed with the window
    WNDPROC wndProc = nullptr;
    DLGPROC dlgProc = nullptr;
    LONG_PTR userData = 0;
    HFONT font = nullptr;
    HFONT ownedFont = nullptr;  // a dialog's template font, deleted with it
    HICON bigIcon = nullptr;
    HICON smallIcon = nullptr;
    HICON picture = nullptr;  // an SS_ICON control's icon
    bool iconic = false;
    bool dialogEnded = false;
    INT_PTR dialogResult = 0;

    // What painting drew into the window, in order (tests read it).
    struct DrawnIcon {
        HICON hIcon;
        int x;
        int y;
    };
    std::vector<DrawnIcon> drawnIcons;
};

struct HFONT__ {
    LOGFONTA logFont;
};

struct HICON__ {
    UINT id;
};

struct HDC__ {
    HWND hWnd;
};

// Window procedures of the built-in classes.
LRESULT CALLBACK DialogWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
