// Message boxes under the application's title.
#pragma once

#include "platform_api.h"

// Shows lpszText with the buttons and icon of nType (MB_*) and returns the button
// chosen (IDOK, IDYES, IDNO, ...). On POSIX the box is printed on standard output;
// a yes/no question reads one answer line from standard input ("y" or "yes" in any
// letter case is IDYES; anything else, or the end of input, IDNO).
int AfxMessageBox(LPCTSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);
