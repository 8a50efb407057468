// The test a stored entry name passes before it is joined to the install directory.
// A name is accepted only when it cannot lead out of that directory and Windows would
// keep every component exactly as written; the same rules hold on every platform, so
// a pack installs alike everywhere.
#pragma once

#include <cstddef>

// Windows' ANSI file calls take paths of fewer than 260 characters, so a longer
// stored name could never be installed there.
constexpr size_t kMaxEntryNameLength = 259;

enum class EntryNameFault {
    none,
    tooLong,             // more than kMaxEntryNameLength bytes
    controlCharacter,    // NUL (it would cut the name short) or a code from 1 to 31
    reservedCharacter,   // ':' (drive letter, data stream) or one of < > " | ? *
    parentComponent,     // ".."
    trailingDotOrBlank,  // Windows drops these, so "a." and "a" are the same file; "." too
    deviceName,          // CON, PRN, AUX, NUL, COM0-9, LPT0-9, CONIN$, CONOUT$, any extension
    reservedName,        // the installer's own file at the top (kJournalName), any case
};

// Checks all `length` bytes of a stored name; '/' and '\\' both separate components.
// Empty components (a leading separator, "a//b") are harmless and accepted. The test
// works on bytes: in a double-byte code page it may split at a trail byte that looks
// like a separator, which can only refuse more, never less.
EntryNameFault CheckEntryName(const char* name, size_t length);

// Short English text for traces.
const char* DescribeEntryNameFault(EntryNameFault fault);

class CString;

// Whether the path's last character is a backslash. By characters, not bytes: in a
// double-byte code page a trail byte may be 0x5C (the second byte of 表 or ソ in 932).
bool EndsWithBackslash(const CString& strPath);
