#include "posix_platform.h"

#include <spawn.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "utf8.h"

extern char** environ;

Platform& Platform::Default() {
    static PosixPlatform platform;
    return platform;
}

PosixPlatform::PosixPlatform() {
    // Without TZ the C library looks at /etc/localtime again on every mktime, to see
    // whether it changed: one system call per converted time. Naming that same file
    // reads it once.
    setenv("TZ", ":/etc/localtime", 0);
}

bool PosixPlatform::LocalPartsToTime(const LocalTimeParts& parts, int64_t* time) {
    struct tm tm = ToTm(parts);
    tm.tm_wday = -1;  // mktime sets it on success; -1 is also a valid result
    const time_t t = mktime(&tm);
    if (t == static_cast<time_t>(-1) && tm.tm_wday == -1) return false;
    *time = static_cast<int64_t>(t);
    return true;
}

bool PosixPlatform::TimeToLocalParts(int64_t time, LocalTimeParts* parts) {
    const time_t t = static_cast<time_t>(time);
    struct tm tm;
    if (localtime_r(&t, &tm) == nullptr) return false;
    *parts = FromTm(tm);
    return true;
}

int64_t PosixPlatform::CurrentTime() {
    return static_cast<int64_t>(::time(nullptr));
}

std::string OwnPath() {
    std::string path(4096, '\0');
    const ssize_t n = readlink("/proc/self/exe", &path[0], path.size());
    path.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return path;
}

// Answered with backslashes, so that start-up cuts it at the last one as on Windows.
CString PosixPlatform::ModulePath() {
    std::string path = OwnPath();
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    return path.c_str();
}

// The ANSI code page is UTF-8 here: a valid name passes unchanged.
bool PosixPlatform::Utf8ToAnsi(const char* text, size_t length, CString& ansi) {
    if (!IsValidUtf8(text, length)) return FailWith(ERROR_NO_UNICODE_TRANSLATION);
    ansi = CString(text, static_cast<int>(length));
    return true;
}

bool PosixPlatform::RunElevated(LPCTSTR, DWORD*) {
    return FailWith(ERROR_NOT_SUPPORTED);
}

HANDLE PosixPlatform::CreateInstanceMutex(LPCTSTR, bool* pbExisted) {
    *pbExisted = false;
    static int token;
    return &token;
}

// The service name is one argument, blanks and all; the client finds nothing to split.
bool PosixPlatform::StartClient(LPCTSTR program, LPCTSTR service, LPCTSTR directory) {
    const std::string native = NativePath(program);
    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0) return FailWithErrno();
    int rc = posix_spawn_file_actions_addchdir_np(&actions, NativePath(directory).c_str());
    char* argv[] = {const_cast<char*>(native.c_str()), const_cast<char*>("+svc"),
                    const_cast<char*>(service), nullptr};
    pid_t pid = 0;
    if (rc == 0) rc = posix_spawn(&pid, native.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        errno = rc;
        return FailWithErrno();
    }
    return true;
}

bool PosixPlatform::IsTracing() {
    static const bool enabled = [] {
        const char* value = std::getenv("TPX_TRACE");
        return value != nullptr && std::strcmp(value, "1") == 0;
    }();
    return enabled;
}

void PosixPlatform::Trace(LPCTSTR text) {
    if (IsTracing()) std::fputs(text, stderr);
}
