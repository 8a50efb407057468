// Top-level windows of other processes. A client that owns a window of class C
// listens on the Unix domain socket <runtime dir>/C.window; each request travels on
// a connection of its own, as one text line (plus the data of WM_COPYDATA), and
// the client answers with one line holding the result:
//   copydata <dwData> <cbData>\n<cbData bytes>   WM_COPYDATA
//   message <msg> <wParam> <lParam>\n            WM_CLOSE and WM_USER and above
//   show <nCmdShow>\n, top\n, foreground\n       ShowWindow, BringWindowToTop,
//                                                SetForegroundWindow
// A connection closed without a request only probes that the window is there.
#include <sys/socket.h>
#include <sys/un.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "api_handoff.h"
#include "runtime_dir.h"
#include "scoped_fd.h"
#include "window_object.h"

namespace {

ScopedFd Connect(const std::string& socketPath) {
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    if (socketPath.size() >= sizeof address.sun_path) return ScopedFd();
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
    ScopedFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd.IsValid()) return fd;
    int result;
    do {
        result = ::connect(fd.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
    } while (result != 0 && errno == EINTR);
    if (result != 0) fd.Reset();
    return fd;
}

// A client that went away mid-request must not end this process with SIGPIPE.
bool SendAll(int fd, const void* data, size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t sent = ::send(fd, p, size, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) return false;
        p += sent;
        size -= static_cast<size_t>(sent);
    }
    return true;
}

// The answer line; a client that closes without one answers 0.
LRESULT ReadResult(int fd) {
    char line[32];
    size_t length = 0;
    while (length + 1 < sizeof line) {
        const ssize_t got = ::recv(fd, line + length, 1, 0);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0 || line[length] == '\n') break;
        ++length;
    }
    line[length] = '\0';
    return static_cast<LRESULT>(std::strtoll(line, nullptr, 10));
}

// Stands for a window of another process; SendMessageA reaches it through Deliver.
struct RemoteWindow : HWND__ {
    explicit RemoteWindow(std::string path) : socketPath(std::move(path)) {}

    // Waits for the client's answer, without a time-out, as SendMessageA does.
    LRESULT Request(const std::string& line, const void* data = nullptr, size_t size = 0) {
        ScopedFd fd = Connect(socketPath);
        if (!fd.IsValid() || !SendAll(fd.Get(), line.data(), line.size())) return 0;
        if (size > 0 && !SendAll(fd.Get(), data, size)) return 0;
        return ReadResult(fd.Get());
    }

    LRESULT Deliver(UINT message, WPARAM wParam, LPARAM lParam) override {
        char line[96];
        if (message == WM_COPYDATA) {
            const auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
            if (!copy || (copy->cbData > 0 && !copy->lpData)) return 0;
            std::snprintf(line, sizeof line, "copydata %llu %lu\n",
                          static_cast<unsigned long long>(copy->dwData),
                          static_cast<unsigned long>(copy->cbData));
            return Request(line, copy->lpData, copy->cbData);
        }
        // Other system messages may carry pointers into this process: not sent.
        if (message != WM_CLOSE && message < WM_USER) return 0;
        std::snprintf(line, sizeof line, "message %u %llu %lld\n", message,
                      static_cast<unsigned long long>(wParam), static_cast<long long>(lParam));
        return Request(line);
    }

    std::string socketPath;
};

RemoteWindow* AsRemote(HWND hWnd) {
    return IsWindow(hWnd) ? dynamic_cast<RemoteWindow*>(hWnd) : nullptr;
}

// One stand-in per socket, kept for the life of the process like a window handle.
std::map<std::string, HWND>& StandIns() {
    static auto* standIns = new std::map<std::string, HWND>;
    return *standIns;
}

}  // namespace

HWND FindWindowExA(HWND parent, HWND childAfter, LPCSTR className, LPCSTR windowName) {
    if (parent || childAfter || windowName || !className || IS_INTRESOURCE(className)) {
        return nullptr;
    }
    std::string socketPath;
    if (!GetRuntimeNamePath(className, ".window", socketPath)) return nullptr;
    if (!Connect(socketPath).IsValid()) return nullptr;  // no client, or a stale socket

    HWND& standIn = StandIns()[socketPath];
    if (!AsRemote(standIn)) {
        auto* window = new RemoteWindow(socketPath);
        window->className = className;
        window->style = WS_VISIBLE;
        standIn = window;
    }
    return standIn;
}

BOOL ShowWindow(HWND hWnd, int nCmdShow) {
    if (RemoteWindow* remote = AsRemote(hWnd)) {
        return static_cast<BOOL>(remote->Request("show " + std::to_string(nCmdShow) + "\n"));
    }
    if (!IsWindow(hWnd)) return FALSE;
    const BOOL wasVisible = (hWnd->style & WS_VISIBLE) != 0;
    switch (nCmdShow) {
        case SW_HIDE:
            hWnd->style &= ~static_cast<DWORD>(WS_VISIBLE);
            return wasVisible;
        case SW_SHOWMINIMIZED:
        case SW_MINIMIZE:
        case SW_SHOWMINNOACTIVE:
            hWnd->iconic = true;
            break;
        case SW_SHOW:
        case SW_SHOWNA:
            break;
        default:  // the normal and maximised forms, SW_RESTORE among them
            hWnd->iconic = false;
            break;
    }
    hWnd->style |= WS_VISIBLE;
    return wasVisible;
}

BOOL BringWindowToTop(HWND hWnd) {
    if (RemoteWindow* remote = AsRemote(hWnd)) return static_cast<BOOL>(remote->Request("top\n"));
    return IsWindow(hWnd);
}

BOOL SetForegroundWindow(HWND hWnd) {
    if (RemoteWindow* remote = AsRemote(hWnd)) {
        return static_cast<BOOL>(remote->Request("foreground\n"));
    }
    return IsWindow(hWnd);
}
