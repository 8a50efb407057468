// Win32 side of the platform interface: the real headers.
#pragma once

#include <windows.h>
#include <mbstring.h>
#include <stdlib.h>

// windows.h maps GetCurrentTime() to GetTickCount(); the framework's CTime has its own.
#undef GetCurrentTime
// The framework's CString::LoadString is a member, not the A/W macro.
#undef LoadString
