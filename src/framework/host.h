// What the framework's value classes (strings, times, resources) ask of the system
// they run on: its ANSI code page, its local-time rules and clock, the program's path
// and string resources. These are facts of the process, like the C library's locale:
// the framework's start-up puts the machine's in place once, and a test may put its
// own in place for a scope.
#pragma once

#include <cstdint>

#include "cstring.h"
#include "local_time.h"

class Host {
  public:
    virtual ~Host() = default;

    // Whether ch starts a double-byte character in the ANSI code page.
    virtual bool IsLeadByte(BYTE ch) = 0;
    // `length` bytes of UTF-8 in the ANSI code page. False for bytes that are not
    // UTF-8 and for a character the code page cannot hold (no look-alike stands in).
    virtual bool Utf8ToAnsi(const char* text, size_t length, CString& ansi) = 0;
    // Local-time rules (mktime and localtime) in 64-bit seconds; out-of-range fields are
    // normalised; false when the rules cannot place the moment.
    virtual bool LocalPartsToTime(const LocalTimeParts& parts, int64_t* time) = 0;
    virtual bool TimeToLocalParts(int64_t time, LocalTimeParts* parts) = 0;
    virtual int64_t CurrentTime() = 0;
    // The executable's full path, backslash-separated.
    virtual CString ModulePath() = 0;
    // String resource nID; false when there is none.
    virtual bool LoadStringResource(UINT nID, CString& text) = 0;
};

// The machine's own (one per platform side).
Host& RealHost();

// The host in place: the machine's, unless a scope has put another in its place.
Host& AfxGetHost();

// Puts `host` in place for the lifetime of the object.
class HostScope {
  public:
    explicit HostScope(Host& host);
    ~HostScope();
    HostScope(const HostScope&) = delete;
    HostScope& operator=(const HostScope&) = delete;

  private:
    Host* m_pPrevious;
};
