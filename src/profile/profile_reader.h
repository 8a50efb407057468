// Look-ups of key=value lines in bracketed sections of a profile text file. The last
// file read is kept in memory, so further look-ups in it touch no file. A look-up
// never fails: every problem answers the caller's default.
#pragma once

#include "platform_api.h"

class FileSystem;

// The first call: profiles are read through `files` from here on.
void ProfileStartup(FileSystem& files);
// Frees the cached text and lets go of the file system: look-ups answer their
// defaults until the next ProfileStartup.
void ProfileShutdown();

// Copies the value of key in [section] of the file at path, or defaultValue, into
// out (outLength characters including the NUL, cut to fit) and returns the number of
// characters copied. Names match without regard to case for A-Z; only the first
// header of the section and the first matching key line in it count.
int ReadProfileString(LPCTSTR section, LPCTSTR key, LPCTSTR defaultValue, LPTSTR out, int outLength,
                      LPCTSTR path);

// First occurrence of pattern in text with A-Z and a-z compared equal, or null.
const char* FindNoCase(const char* text, const char* pattern);
