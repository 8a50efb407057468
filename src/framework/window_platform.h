// The few window-framework steps that differ between the platforms beyond the
// Win32 calls themselves (posix/ and win32/ implement them).
#pragma once

#include "platform_api.h"

// The running program's module handle (never null).
HINSTANCE AfxModuleInstance();

// An unowned dialog whose template sits at (0, 0) without a centring or alignment
// style opens centred on the screen.
void AfxCenterUnplacedDialog(HWND hDlg);
