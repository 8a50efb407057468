// How a file-system call failed: in the terms the installer acts on, with the system's
// own code (errno on POSIX, GetLastError on Windows) for whoever reports it. Like
// std::error_code, it converts to true when there was a failure.
#pragma once

#include <cstdint>

#include "cstring.h"

struct FileError {
    enum Kind : unsigned char {
        none,
        notFound,      // nothing stands at the path
        pathNotFound,  // a folder on the way is missing
        exists,        // something already stands at the name
        accessDenied,  // refused: rights, a read-only file, a folder where a file is wanted
        inUse,         // another program has the file open
        lockHeld,      // another installation holds the lock
        diskFull,
        linkInTheWay,  // a link stands where a folder, or a file this program made, was
        notEmpty,      // the folder still holds something
        badName,       // the system cannot use the name
        other,         // anything else: osCode tells
    };

    FileError() = default;
    FileError(Kind k, LONG code = 0) : kind(k), osCode(code) {}  // NOLINT: a kind is an error

    explicit operator bool() const { return kind != none; }
    bool IsMissing() const { return kind == notFound || kind == pathNotFound; }

    Kind kind = none;
    LONG osCode = 0;
};

// An open file, as the file system that opened it knows it.
using FileHandle = intptr_t;
constexpr FileHandle kNoFile = -1;
