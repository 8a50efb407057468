#include "resource_table.h"

namespace {
const ResourceTable* g_pTable = nullptr;
}

void AfxSetResourceTable(const ResourceTable* pTable) {
    g_pTable = pTable;
}

const ResourceTable* AfxGetResourceTable() {
    return g_pTable;
}

const DialogTemplate* AfxFindDialogTemplate(UINT nID) {
    if (g_pTable == nullptr) return nullptr;
    for (int i = 0; i < g_pTable->nDialogs; ++i) {
        if (g_pTable->pDialogs[i].nID == nID) return &g_pTable->pDialogs[i];
    }
    return nullptr;
}

LPCSTR AfxFindStringTemplate(UINT nID) {
    if (g_pTable == nullptr) return nullptr;
    for (int i = 0; i < g_pTable->nStrings; ++i) {
        if (g_pTable->pStrings[i].nID == nID) return g_pTable->pStrings[i].lpszText;
    }
    return nullptr;
}

BOOL AfxHasIconTemplate(UINT nID) {
    if (g_pTable == nullptr) return FALSE;
    for (int i = 0; i < g_pTable->nIcons; ++i) {
        if (g_pTable->pIconIDs[i] == nID) return TRUE;
    }
    return FALSE;
}
