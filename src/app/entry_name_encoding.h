// Entry names written by zippers that store UTF-8: general-purpose flag bit 11, or the
// Info-ZIP Unicode Path extra field (0x7075: version 1, CRC-32 of the stored name,
// the UTF-8 name). The rest of the installation works in the ANSI code page, so such
// a name is converted before anything looks at it; other names stay as stored.
#pragma once

#include <vector>

#include "archive/archive_reader.h"

constexpr DWORD kUtf8NameFlag = 0x0800;
constexpr unsigned kUnicodePathFieldId = 0x7075;

// The UTF-8 form of the entry's name, if it has one: the stored name under bit 11, or
// a version-1 Unicode Path field whose CRC matches the stored name. False otherwise.
// `extra` holds the entry's central extra field of info.extraLength bytes.
bool FindUtf8EntryName(const EntryInfo& info, const char* stored, const char* extra,
                       const char** pUtf8, size_t* pLength);

// Replaces the stored name in `name` (info.nameLength bytes) by its ANSI form when it
// has a UTF-8 one, with a terminating zero, and sets *pLength to the name's length.
// False (name unchanged) when the UTF-8 name is invalid or the code page cannot hold it.
bool ConvertEntryNameToAnsi(const EntryInfo& info, const char* extra, std::vector<char>& name,
                            DWORD* pLength);
