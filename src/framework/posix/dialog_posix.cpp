// Dialogs built from the registered templates. A modal dialog shows itself when it
// paints (the default WM_PAINT prints it), then stands for a person pressing a
// button: Enter presses OK, the end of input cancels; without a terminal nobody can
// answer, so OK is pressed at once.
#include <memory>

#include "console.h"
#include "resource_table.h"
#include "window_object.h"
#include "window_platform.h"

namespace {

// Dialog units to pixels for the 8-point dialog font at 96 dots per inch.
LONG DluToX(int x) {
    return static_cast<LONG>(x) * 6 / 4;
}
LONG DluToY(int y) {
    return static_cast<LONG>(y) * 13 / 8;
}

bool IsBold(HFONT font) {
    LOGFONTA lf{};
    return GetObjectA(font, sizeof(lf), &lf) != 0 && lf.lfWeight >= FW_BOLD;
}

// The dialog and its controls as text, in template order. Pictures have no text.
std::vector<std::string> RenderControls(HWND hDlg) {
    std::vector<std::string> lines;
    for (HWND child : hDlg->children) {
        if (!(child->style & WS_VISIBLE) || child->picture != nullptr) continue;
        std::string text(static_cast<size_t>(GetWindowTextLengthA(child)) + 1, '\0');
        text.resize(
            static_cast<size_t>(GetWindowTextA(child, &text[0], static_cast<int>(text.size()))));
        if (child->className == "BUTTON") {
            lines.push_back("[ " + text + " ]");
        } else if (IsBold(child->font)) {
            lines.push_back("**" + text + "**");
        } else {
            lines.push_back(text);
        }
    }
    return lines;
}

HWND CreateFromTemplate(LPCSTR name, HWND owner, DLGPROC proc, LPARAM init) {
    const DialogTemplate* tmpl =
        IS_INTRESOURCE(name) ? AfxFindDialogTemplate(LOWORD(name)) : nullptr;
    if (tmpl == nullptr) return nullptr;

    auto dlg = new HWND__;
    dlg->className = "#32770";
    dlg->text = tmpl->lpszCaption != nullptr ? tmpl->lpszCaption : "";
    dlg->style = tmpl->dwStyle;
    dlg->exStyle = tmpl->dwExStyle;
    dlg->rect = {DluToX(tmpl->x), DluToY(tmpl->y), DluToX(tmpl->x + tmpl->cx),
                 DluToY(tmpl->y + tmpl->cy)};
    dlg->parent = owner;
    dlg->wndProc = &DialogWindowProc;
    dlg->dlgProc = proc;

    LOGFONTA lf{};
    lf.lfHeight = -(tmpl->font.nPointSize * 96 + 36) / 72;
    lf.lfWeight = tmpl->font.nWeight;
    lf.lfItalic = tmpl->font.bItalic ? 1 : 0;
    lf.lfCharSet = tmpl->font.nCharSet;
    if (tmpl->font.lpszFace != nullptr) {
        std::string face(tmpl->font.lpszFace);
        face.copy(lf.lfFaceName, LF_FACESIZE - 1);
    }
    dlg->font = dlg->ownedFont = CreateFontIndirectA(&lf);

    for (int i = 0; i < tmpl->nControls; ++i) {
        const ControlTemplate& c = tmpl->pControls[i];
        auto ctl = new HWND__;
        ctl->className = c.lpszClass != nullptr ? c.lpszClass : "";
        ctl->text = c.lpszText != nullptr ? c.lpszText : "";
        ctl->id = c.nID;
        ctl->style = c.dwStyle;
        ctl->exStyle = c.dwExStyle;
        ctl->rect = {DluToX(c.x), DluToY(c.y), DluToX(c.x + c.cx), DluToY(c.y + c.cy)};
        ctl->parent = dlg;
        ctl->font = dlg->font;
        if (c.nIconID != 0) ctl->picture = LoadIconA(nullptr, MAKEINTRESOURCEA(c.nIconID));
        dlg->children.push_back(ctl);
    }

    SendMessageA(dlg, WM_INITDIALOG, 0, init);
    return IsWindow(dlg) ? dlg : nullptr;
}

}  // namespace

LRESULT CALLBACK DialogWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (hWnd->dlgProc != nullptr && hWnd->dlgProc(hWnd, message, wParam, lParam)) return TRUE;
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            BeginPaint(hWnd, &ps);
            if (!hWnd->iconic) ConsoleShowBox(hWnd->text, RenderControls(hWnd));
            EndPaint(hWnd, &ps);
            return 0;
        }
        case WM_CLOSE:  // the close box cancels
            SendMessageA(hWnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            return 0;
        case WM_ICONERASEBKGND:
            return TRUE;
        default:
            return DefWindowProcA(hWnd, message, wParam, lParam);
    }
}

HWND CreateDialogParamA(HINSTANCE, LPCSTR name, HWND owner, DLGPROC proc, LPARAM init) {
    return CreateFromTemplate(name, owner, proc, init);
}

INT_PTR DialogBoxParamA(HINSTANCE, LPCSTR name, HWND owner, DLGPROC proc, LPARAM init) {
    HWND hDlg = CreateFromTemplate(name, owner, proc, init);
    if (hDlg == nullptr) return -1;
    if (!hDlg->dialogEnded) SendMessageA(hDlg, WM_PAINT, 0, 0);
    if (!hDlg->dialogEnded) {
        int button = IDOK;
        std::string line;
        if (ConsoleIsInteractive() && !ConsoleReadLine(line)) button = IDCANCEL;
        SendMessageA(hDlg, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(hDlg, button)));
        // Nobody is left to press another button.
        if (IsWindow(hDlg) && !hDlg->dialogEnded) EndDialog(hDlg, IDCANCEL);
    }
    if (!IsWindow(hDlg)) return -1;
    INT_PTR result = hDlg->dialogResult;
    DestroyWindow(hDlg);
    return result;
}

BOOL EndDialog(HWND hDlg, INT_PTR result) {
    if (!IsWindow(hDlg)) return FALSE;
    hDlg->dialogEnded = true;
    hDlg->dialogResult = result;
    return TRUE;
}

// A terminal has no screen position to centre on.
void AfxCenterUnplacedDialog(HWND) {}
