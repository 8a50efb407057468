// Where the names that processes of one user share live: named mutexes and the
// sockets of client windows.
#pragma once

#include <string>

// $XDG_RUNTIME_DIR, else /tmp/tpx-<uid> (created private to the user on first use).
// False when neither is usable; a directory that someone else could write to is
// never used.
bool GetRuntimeDirectory(std::string& dir);

// The file that stands for a shared name: <runtime dir>/<name><suffix>. False for
// names that cannot be a single file name (empty, ".", "..", or holding a '/' or a
// backslash after an optional "Global\" or "Local\" namespace prefix).
bool GetRuntimeNamePath(const char* name, const char* suffix, std::string& path);
