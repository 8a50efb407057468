// Kept apart from cstring.cpp: only programs that load resources link this, and they
// link the window side, which provides LoadStringA.
#include "cstring.h"

BOOL CString::LoadString(UINT nID) {
    char buffer[4096];
    int n = LoadStringA(nullptr, nID, buffer, static_cast<int>(sizeof(buffer)));
    if (n <= 0) return FALSE;
    *this = CString(buffer, n);
    return TRUE;
}
