// Helpers shared by the POSIX side: Windows-style paths and Win32 error codes.
#pragma once

#include <string>

#include "api_types.h"

namespace posix {

// The path with every backslash turned into a slash, ready for a system call.
std::string NativePath(LPCSTR path);

// Win32 code for errno after a failed call on path (may be null): a missing entry is
// ERROR_PATH_NOT_FOUND when its directory is missing too, as on Windows.
DWORD ErrnoToWin32(int error, LPCSTR path = nullptr);

// Sets the last error from errno and returns false, for one-line failure paths.
bool FailWithErrno(LPCSTR path = nullptr);

}  // namespace posix
