// Kernel and runtime-library calls with their Win32 meaning on POSIX. A backslash in
// a path is a directory separator here, exactly as on Windows.
#pragma once

#include "api_types.h"

DWORD GetLastError();
void SetLastError(DWORD error);

// The executable's own path, written with backslashes as Windows gives it; the module
// handle is ignored (one module per process).
DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size);
BOOL CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES security);
// FILE_ATTRIBUTE_READONLY removes write permission, and the framework then refuses to
// write, replace or remove the file, root included; other bits are ignored. Plain
// files read back as FILE_ATTRIBUTE_NORMAL.
BOOL SetFileAttributesA(LPCSTR path, DWORD attributes);
DWORD GetFileAttributesA(LPCSTR path);

// MSVCRT's path splitter: both '/' and '\\' separate, as on Windows.
#define _MAX_DRIVE 3
#define _MAX_DIR 256
#define _MAX_FNAME 256
#define _MAX_EXT 256
void _splitpath(const char* path, char* drive, char* dir, char* fname, char* ext);
// Byte-wise comparison; multi-byte text compares like its bytes.
int _mbscmp(const unsigned char* a, const unsigned char* b);
