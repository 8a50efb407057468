// Written-out data and one flush of the device.
#include "win32_platform.h"

bool Win32Platform::WriteOutFile(HANDLE) {
    return true;
}

bool Win32Platform::FlushVolume(LPCTSTR) {
    return true;
}
