// The POSIX host: the C library's local time, UTF-8 as the code page, the program's
// path from /proc, and no string resources.
#include <unistd.h>

#include <cstdlib>
#include <ctime>

#include "files_posix.h"
#include "host.h"
#include "utf8.h"

namespace {

class PosixHost : public Host {
  public:
    PosixHost() {
        // Without TZ the C library looks at /etc/localtime again on every mktime, to
        // see whether it changed: one system call per converted time. Naming that same
        // file reads it once.
        setenv("TZ", ":/etc/localtime", 0);
    }

    bool IsLeadByte(BYTE) override { return false; }  // UTF-8: every byte is its own unit

    // The ANSI code page is UTF-8 here: a valid name passes unchanged.
    bool Utf8ToAnsi(const char* text, size_t length, CString& ansi) override {
        if (!IsValidUtf8(text, length)) return false;
        ansi = CString(text, static_cast<int>(length));
        return true;
    }

    bool LocalPartsToTime(const LocalTimeParts& parts, int64_t* time) override {
        struct tm tm = ToTm(parts);
        tm.tm_wday = -1;  // mktime sets it on success; -1 is also a valid result
        const time_t t = mktime(&tm);
        if (t == static_cast<time_t>(-1) && tm.tm_wday == -1) return false;
        *time = static_cast<int64_t>(t);
        return true;
    }

    bool TimeToLocalParts(int64_t time, LocalTimeParts* parts) override {
        const time_t t = static_cast<time_t>(time);
        struct tm tm;
        if (localtime_r(&t, &tm) == nullptr) return false;
        *parts = FromTm(tm);
        return true;
    }

    int64_t CurrentTime() override { return static_cast<int64_t>(::time(nullptr)); }

    // Answered with backslashes, so that start-up cuts it at the last one as on Windows.
    CString ModulePath() override {
        std::string path = OwnPath();
        for (char& c : path) {
            if (c == '/') c = '\\';
        }
        return path.c_str();
    }

    bool LoadStringResource(UINT, CString&) override { return false; }  // no resources here
};

}  // namespace

std::string OwnPath() {
    std::string path(4096, '\0');
    const ssize_t n = readlink("/proc/self/exe", &path[0], path.size());
    path.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return path;
}

Host& RealHost() {
    static PosixHost host;
    return host;
}
