// A thread timer finds each dialog of this thread as its modal loop runs, reads it
// in-process (fonts included) and presses OK.
#include "dialog_watch.h"

#include <windows.h>

#include <set>

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(text.substr(start, end - start));
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}
namespace {

std::vector<ShownDialog>* g_dialogs = nullptr;
std::set<HWND> g_handled;

std::string TextOf(HWND hWnd) {
    std::string text(static_cast<size_t>(GetWindowTextLengthA(hWnd)) + 1, '\0');
    text.resize(static_cast<size_t>(GetWindowTextA(hWnd, &text[0], static_cast<int>(text.size()))));
    return text;
}

bool IsBold(HWND hWnd) {
    LOGFONTA lf{};
    auto font = reinterpret_cast<HFONT>(SendMessageA(hWnd, WM_GETFONT, 0, 0));
    return font != nullptr && GetObjectA(font, sizeof(lf), &lf) != 0 && lf.lfWeight >= FW_BOLD;
}

ShownDialog Read(HWND hDlg) {
    ShownDialog shown{TextOf(hDlg)};
    for (HWND c = GetWindow(hDlg, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
        char cls[32] = {};
        GetClassNameA(c, cls, sizeof(cls));
        LONG style = GetWindowLongA(c, GWL_STYLE);
        if (lstrcmpiA(cls, "Static") == 0 && (style & SS_TYPEMASK) == SS_ICON) continue;
        std::string text = TextOf(c);
        if (lstrcmpiA(cls, "Button") == 0) {
            text = "[ " + text + " ]";
        } else if (IsBold(c)) {
            text = "**" + text + "**";
        }
        for (const std::string& line : SplitLines(text)) shown.push_back(line);
    }
    return shown;
}

BOOL CALLBACK FindDialog(HWND hWnd, LPARAM lParam) {
    char cls[16] = {};
    GetClassNameA(hWnd, cls, sizeof(cls));
    if (lstrcmpA(cls, "#32770") == 0 && IsWindowVisible(hWnd) && g_handled.count(hWnd) == 0) {
        *reinterpret_cast<HWND*>(lParam) = hWnd;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) {
    HWND hDlg = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&hDlg));
    if (hDlg == nullptr) return;
    g_handled.insert(hDlg);
    g_dialogs->push_back(Read(hDlg));
    PostMessageA(hDlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

}  // namespace

std::vector<ShownDialog> WatchDialogs(const std::function<void()>& run) {
    std::vector<ShownDialog> dialogs;
    g_dialogs = &dialogs;
    g_handled.clear();
    UINT_PTR timer = SetTimer(nullptr, 0, 50, OnTimer);
    run();
    KillTimer(nullptr, timer);
    g_dialogs = nullptr;
    return dialogs;
}
