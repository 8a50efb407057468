// Written-out data and one flush of the device.
#include "posix_platform.h"

bool PosixPlatform::WriteOutFile(HANDLE) {
    return true;
}

bool PosixPlatform::FlushVolume(LPCTSTR) {
    return true;
}
