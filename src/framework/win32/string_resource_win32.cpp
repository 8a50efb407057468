#include "cstring.h"

BOOL CString::LoadString(UINT nID) {
    char buffer[4096];
    int n =
        ::LoadStringA(::GetModuleHandleA(nullptr), nID, buffer, static_cast<int>(sizeof(buffer)));
    if (n <= 0) return FALSE;
    *this = CString(buffer, n);
    return TRUE;
}
