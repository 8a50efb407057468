// Stands in for the client natively, speaking the local hand-off protocol with raw
// system calls only. It appends what it sees to client.record beside itself:
//   module <own path>, command <argv joined by blanks>, args <count>, cwd <dir>
// and, started with --serve (plus --minimized, --maximized or --no-window), holds
// the client's mutex, listens as the client's window and records each request:
//   ready, show <n>, top, foreground, message <m> <w> <l>,
//   state <normal|minimized|maximized> then copydata <dwData> <cbData> <hex bytes>
// It ends on SIGTERM, on a WM_CLOSE message or after two minutes.
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "hex.h"

namespace {

const char kClientClass[] = "Quorvix_BrenvoClass";
const int kLifetimeMs = 120000;

std::string g_recordPath;
std::string g_state = "normal";

void Record(const std::string& line) {
    if (FILE* f = std::fopen(g_recordPath.c_str(), "ab")) {
        std::fprintf(f, "%s\n", line.c_str());
        std::fclose(f);
    }
}

std::string OwnPath() {
    char path[4096];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    return n > 0 ? std::string(path, static_cast<size_t>(n)) : std::string();
}

std::string RuntimeDir() {
    const char* xdg = std::getenv("XDG_RUNTIME_DIR");
    if (xdg && xdg[0] == '/') return xdg;
    return "/tmp/tpx-" + std::to_string(::geteuid());
}

bool ReadLine(int fd, std::string& line) {
    line.clear();
    char ch;
    while (::read(fd, &ch, 1) == 1) {
        if (ch == '\n') return true;
        line += ch;
    }
    return false;
}

bool ReadBytes(int fd, size_t size, std::string& bytes) {
    bytes.resize(size);
    size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, &bytes[got], size - got);
        if (n <= 0) return false;
        got += static_cast<size_t>(n);
    }
    return true;
}

void Reply(int fd, long result) {
    const std::string line = std::to_string(result) + "\n";
    if (::send(fd, line.data(), line.size(), MSG_NOSIGNAL) < 0) Record("reply-failed");
}

// One request per connection; false when the client is asked to close.
bool Serve(int connection) {
    std::string line;
    if (!ReadLine(connection, line)) return true;  // a presence probe
    unsigned long long a = 0, b = 0;
    long long c = 0;
    if (std::sscanf(line.c_str(), "copydata %llu %llu", &a, &b) == 2) {
        std::string data;
        if (!ReadBytes(connection, static_cast<size_t>(b), data)) return true;
        Record("state " + g_state);
        Record("copydata " + std::to_string(a) + " " + std::to_string(b) + " " + Hex(data));
        Reply(connection, 1);
    } else if (std::sscanf(line.c_str(), "show %llu", &a) == 1) {
        Record(line);
        if (a == 9 || a == 1) g_state = "normal";
        Reply(connection, 1);
    } else if (line == "top" || line == "foreground") {
        Record(line);
        Reply(connection, 1);
    } else if (std::sscanf(line.c_str(), "message %llu %llu %lld", &a, &b, &c) == 3) {
        Record(line);
        Reply(connection, 0);
        return a != 0x0010;  // WM_CLOSE
    } else {
        Record("unknown " + line);
    }
    return true;
}

int Listen(const std::string& path) {
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) return -1;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    ::unlink(path.c_str());  // left by a client that crashed
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 8) != 0) {
        return -1;
    }
    return fd;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string self = OwnPath();
    g_recordPath = self.substr(0, self.rfind('/') + 1) + "client.record";
    std::string command;
    for (int i = 0; i < argc; ++i) command += (i ? " " : "") + std::string(argv[i]);
    char cwd[4096] = {};
    if (!::getcwd(cwd, sizeof cwd)) cwd[0] = '\0';
    Record("module " + self);
    Record("command " + command);
    Record("args " + std::to_string(argc - 1));
    Record(std::string("cwd ") + cwd);

    bool serve = false, window = true;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--serve") serve = true;
        if (arg == "--minimized") g_state = "minimized";
        if (arg == "--maximized") g_state = "maximized";
        if (arg == "--no-window") window = false;
    }
    if (!serve) return 0;

    const std::string base = RuntimeDir() + "/" + kClientClass;
    const int mutex = ::open((base + ".mutex").c_str(), O_RDWR | O_CREAT, 0600);
    if (mutex < 0 || ::flock(mutex, LOCK_SH) != 0) return 2;
    const int listener = window ? Listen(base + ".window") : -1;
    if (window && listener < 0) return 3;
    Record("ready");

    for (;;) {
        pollfd p = {listener, POLLIN, 0};
        const int n = ::poll(&p, listener >= 0 ? 1 : 0, kLifetimeMs);
        if (n <= 0) break;
        const int connection = ::accept(listener, nullptr, nullptr);
        if (connection < 0) continue;
        const bool keepGoing = Serve(connection);
        ::close(connection);
        if (!keepGoing) break;
    }
    if (listener >= 0) ::unlink((base + ".window").c_str());
    return 0;
}
