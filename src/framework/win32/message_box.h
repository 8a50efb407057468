// Message boxes under the application's title.
#pragma once

#include "platform_api.h"

// Shows lpszText with the buttons and icon of nType (MB_*), owned by the dialog on
// show if any, and returns the button chosen (IDOK, IDYES, IDNO, ...).
int AfxMessageBox(LPCTSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);
