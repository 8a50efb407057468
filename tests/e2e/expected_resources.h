// The dialogs, strings and icons the program must carry, as data: what the
// whole-program tests compare the built resources and the shown windows with.
#pragma once

#include <windows.h>

// One control of a dialog template, in template order. The role follows from the
// class and style: class "BUTTON" is a push button, class "STATIC" with SS_ICON a
// picture (nIconID names its group icon, lpszText is null), any other STATIC a text.
// Rectangles are in dialog units.
struct ControlTemplate {
    int nID;           // -1 for controls nobody addresses
    LPCSTR lpszClass;  // "BUTTON" or "STATIC"
    LPCSTR lpszText;   // text with its line feeds; null for a picture
    UINT nIconID;      // group icon of a picture; 0 otherwise
    int x, y, cx, cy;
    DWORD dwStyle;
    DWORD dwExStyle;
};

struct FontTemplate {
    LPCSTR lpszFace;
    int nPointSize;
    int nWeight;  // 0: the default weight
    BOOL bItalic;
    BYTE nCharSet;
};

struct DialogTemplate {
    UINT nID;
    LPCSTR lpszCaption;
    int x, y, cx, cy;
    DWORD dwStyle;
    DWORD dwExStyle;
    FontTemplate font;
    const ControlTemplate* pControls;
    int nControls;
};

struct StringTemplate {
    UINT nID;
    LPCSTR lpszText;
};

struct ResourceTable {
    const DialogTemplate* pDialogs;
    int nDialogs;
    const StringTemplate* pStrings;
    int nStrings;
    const UINT* pIconIDs;  // the group icons that exist
    int nIcons;
};

template <class T, int N>
constexpr int AfxCountOf(const T (&)[N]) {
    return N;
}

#include "ui/dialog_texts.h"
#include "ui/resources.h"

namespace expected {

constexpr DWORD kDialogStyle =
    DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kDialogExStyle = WS_EX_TOOLWINDOW | WS_EX_APPWINDOW;
constexpr FontTemplate kDialogFont = {"Tahoma", 8, 0, FALSE, DEFAULT_CHARSET};

constexpr DWORD kOkStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON;
constexpr DWORD kTextStyle = WS_CHILD | WS_VISIBLE | WS_GROUP | SS_CENTER;
constexpr DWORD kPictureStyle = WS_CHILD | WS_VISIBLE | SS_ICON | SS_CENTERIMAGE | SS_REALSIZEIMAGE;

constexpr ControlTemplate OkButton(int x, int y, int cx, int cy) {
    return {IDOK, "BUTTON", TPX_TEXT_OK, 0, x, y, cx, cy, kOkStyle, WS_EX_STATICEDGE};
}
constexpr ControlTemplate Text(int id, LPCSTR text, int x, int y, int cx, int cy) {
    return {id, "STATIC", text, 0, x, y, cx, cy, kTextStyle, WS_EX_TRANSPARENT};
}
constexpr ControlTemplate Picture(UINT icon, int x, int y, int cx, int cy) {
    return {-1, "STATIC", nullptr, icon, x, y, cx, cy, kPictureStyle, 0};
}

const ControlTemplate kNoFilesControls[] = {
    OkButton(77, 92, 50, 14),
    Text(IDC_SERVICE_NAME, TPX_TEXT_DEFAULT_NAME, 8, 8, 188, 8),
    Text(-1, TPX_TEXT_NO_FILES, 8, 51, 188, 36),
    Picture(IDI_INSTALLER, 92, 24, 20, 20),
};

const ControlTemplate kInstallOkControls[] = {
    OkButton(69, 73, 51, 14),
    Text(-1, TPX_TEXT_OK_HEADING, 29, 9, 135, 19),
    Text(-1, TPX_TEXT_OK_FOOTER, 15, 47, 161, 21),
    Text(IDC_SERVICE_NAME, TPX_TEXT_NAME_PLACEHOLDER, 15, 33, 161, 8),
    Picture(IDI_SUCCESS, 9, 4, 20, 20),
};

const ControlTemplate kInstallFailedControls[] = {
    OkButton(96, 61, 51, 14),
    Text(-1, TPX_TEXT_FAILED_HEADING, 32, 9, 180, 8),
    Text(-1, TPX_TEXT_FAILED_FOOTER, 32, 36, 180, 17),
    Text(IDC_SERVICE_NAME, TPX_TEXT_NAME_PLACEHOLDER, 32, 22, 180, 8),
    Picture(IDI_FAILED, 7, 4, 20, 20),
};

const DialogTemplate kDialogs[] = {
    {IDD_NO_FILES, TPX_TEXT_CAPTION, 0, 0, 204, 114, kDialogStyle, kDialogExStyle, kDialogFont,
     kNoFilesControls, AfxCountOf(kNoFilesControls)},
    {IDD_INSTALL_OK, TPX_TEXT_CAPTION, 0, 0, 192, 95, kDialogStyle, kDialogExStyle, kDialogFont,
     kInstallOkControls, AfxCountOf(kInstallOkControls)},
    {IDD_INSTALL_FAILED, TPX_TEXT_CAPTION, 0, 0, 228, 81, kDialogStyle, kDialogExStyle, kDialogFont,
     kInstallFailedControls, AfxCountOf(kInstallFailedControls)},
};

const StringTemplate kStrings[] = {
    {IDS_CLIENT_TITLE, TPX_TEXT_CLIENT_TITLE},
};

const UINT kIcons[] = {IDI_INSTALLER, IDI_SPARE, IDI_FAILED, IDI_SUCCESS};

}  // namespace expected

inline const ResourceTable kExpectedResources = {
    expected::kDialogs, AfxCountOf(expected::kDialogs),
    expected::kStrings, AfxCountOf(expected::kStrings),
    expected::kIcons,   AfxCountOf(expected::kIcons),
};
