// The program's resources as plain data. Windows builds read dialogs, strings and
// icons from the module's compiled resources; the POSIX build has no resource
// section and reads this table instead. The table is also compiled on Windows, so
// tests there can compare it with the real dialogs.
#pragma once

#include "platform_api.h"

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

// The program's own table: data only, defined in src/ui. Start-up registers it; the
// framework never refers to it by name, so framework tests need no ui library.
extern const ResourceTable g_resourceTable;

// The table that resource lookups use on POSIX (null until registered).
void AfxSetResourceTable(const ResourceTable* pTable);
const ResourceTable* AfxGetResourceTable();

// Lookups in the registered table; null (FALSE) when the table or the entry is missing.
const DialogTemplate* AfxFindDialogTemplate(UINT nID);
LPCSTR AfxFindStringTemplate(UINT nID);
BOOL AfxHasIconTemplate(UINT nID);
