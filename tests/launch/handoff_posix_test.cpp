// The POSIX meaning of the hand-off's calls: command lines, named mutexes, process
// start and the socket that stands for another process's window.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>

#include "command_line_posix.h"
#include "platform_api.h"
#include "window_object.h"

namespace fs = std::filesystem;

namespace {

// A private runtime directory (and scratch folder) for one test.
class RuntimeDirTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char dir[] = "/tmp/tpx-handoff-XXXXXX";
        ASSERT_NE(::mkdtemp(dir), nullptr);
        m_dir = dir;
        ::setenv("XDG_RUNTIME_DIR", dir, 1);
    }
    void TearDown() override {
        ::unsetenv("XDG_RUNTIME_DIR");
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }
    std::string m_dir;
};

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

bool WaitForFile(const std::string& path) {
    for (int i = 0; i < 1500 && !fs::exists(path); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return fs::exists(path);
}

TEST(CommandLineSplit, FollowsTheCRuntimeRules) {
    const struct {
        const char* text;
        std::vector<std::string> args;
    } cases[] = {
        {"", {}},
        {"  a b\tc  ", {"a", "b", "c"}},
        {"+svc my service", {"+svc", "my", "service"}},
        {"\"a b\" c", {"a b", "c"}},
        {"a\"b c\"d", {"ab cd"}},
        {"\"\"", {""}},
        {"\"a\"\"b\" c", {"a\"b", "c"}},    // "" inside quotes is one quote
        {"\\\"x\\\"", {"\"x\""}},           // \" is a literal quote
        {"a\\\\\"b c\"", {"a\\b c"}},       // \\" is a backslash, then quoting
        {"a\\b c\\\\", {"a\\b", "c\\\\"}},  // backslashes alone stay as they are
        {"\"open end", {"open end"}},
    };
    for (const auto& c : cases) EXPECT_EQ(SplitArguments(c.text), c.args) << c.text;
}

TEST(CommandLineSplit, ProgramIsTheShortestExistingPrefix) {
    std::set<std::string> files;
    auto isFile = [&](const std::string& path) { return files.count(path) != 0; };
    std::string program;
    const char* rest = nullptr;

    files = {"/a b/c", "/a"};
    ASSERT_TRUE(FindProgram("\\a b\\c +svc x", isFile, program, rest));
    EXPECT_EQ(program, "/a");
    EXPECT_STREQ(rest, " b\\c +svc x");
    ASSERT_TRUE(FindProgram("\"\\a b\\c\" +svc x", isFile, program, rest));
    EXPECT_EQ(program, "/a b/c");
    EXPECT_STREQ(rest, " +svc x");

    files = {"/a b/c"};
    ASSERT_TRUE(FindProgram("\\a b\\c +svc x", isFile, program, rest));
    EXPECT_EQ(program, "/a b/c");
    EXPECT_STREQ(rest, " +svc x");

    files = {"/a b/c d"};  // only the whole line names it
    ASSERT_TRUE(FindProgram("/a b/c d", isFile, program, rest));
    EXPECT_STREQ(rest, "");

    files = {"/a"};  // a quoted name is taken as it stands, never cut
    EXPECT_FALSE(FindProgram("\"/a b\" c", isFile, program, rest));
    EXPECT_FALSE(FindProgram("/b c", isFile, program, rest));
    EXPECT_FALSE(FindProgram("", isFile, program, rest));
}

using NamedMutexTest = RuntimeDirTest;

TEST_F(NamedMutexTest, NameLivesWhileAnyHandleIsOpen) {
    HANDLE first = CreateMutexA(nullptr, FALSE, "Name");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    HANDLE second = CreateMutexA(nullptr, FALSE, "Local\\Name");  // the same name
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_TRUE(CloseHandle(first));

    HANDLE third = CreateMutexA(nullptr, FALSE, "Name");  // the second handle keeps it
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_TRUE(CloseHandle(second));
    EXPECT_TRUE(CloseHandle(third));

    HANDLE fresh = CreateMutexA(nullptr, FALSE, "Name");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_TRUE(CloseHandle(fresh));
    EXPECT_FALSE(CloseHandle(fresh));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));

    for (const char* bad : {"", "..", "a/b", "a\\b"}) {
        SetLastError(ERROR_ALREADY_EXISTS);
        EXPECT_EQ(CreateMutexA(nullptr, FALSE, bad), nullptr) << bad;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME)) << bad;
    }
}

TEST_F(NamedMutexTest, HoldOfAnotherProcessEndsWithIt) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        HANDLE held = CreateMutexA(nullptr, FALSE, "Shared");
        const char ok = held != nullptr ? 'y' : 'n';
        if (::write(ready[1], &ok, 1) != 1) ::_exit(1);
        ::pause();
        ::_exit(0);
    }
    char ok = 0;
    ASSERT_EQ(::read(ready[0], &ok, 1), 1);
    ::close(ready[0]);
    ::close(ready[1]);
    EXPECT_EQ(ok, 'y');

    HANDLE probe = CreateMutexA(nullptr, FALSE, "Shared");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    CloseHandle(probe);
    ::kill(child, SIGKILL);  // a crash: nothing is closed on purpose
    ::waitpid(child, nullptr, 0);
    probe = CreateMutexA(nullptr, FALSE, "Shared");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    CloseHandle(probe);
}

TEST_F(NamedMutexTest, OnlyAnInitialOwnerOfANewMutexCanRelease) {
    HANDLE owned = CreateMutexA(nullptr, TRUE, "Owned");
    EXPECT_TRUE(ReleaseMutex(owned));
    EXPECT_FALSE(ReleaseMutex(owned));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_OWNER));
    HANDLE existing = CreateMutexA(nullptr, TRUE, "Owned");  // exists: not owned
    EXPECT_FALSE(ReleaseMutex(existing));
    HANDLE plain = CreateMutexA(nullptr, FALSE, "Plain");
    EXPECT_FALSE(ReleaseMutex(plain));
    for (HANDLE h : {owned, existing, plain}) CloseHandle(h);
    EXPECT_FALSE(ReleaseMutex(owned));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(NamedMutexTest, RuntimeDirectoryOthersCanWriteIsNotUsed) {
    const std::string open = m_dir + "/open";
    ASSERT_EQ(::mkdir(open.c_str(), 0700), 0);
    ASSERT_EQ(::chmod(open.c_str(), 0777), 0);
    ::setenv("XDG_RUNTIME_DIR", open.c_str(), 1);
    EXPECT_EQ(CreateMutexA(nullptr, FALSE, "Name"), nullptr);
    EXPECT_NE(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(FindWindowExA(nullptr, nullptr, "Name", nullptr), nullptr);
}

class ProcessStartTest : public RuntimeDirTest {
  protected:
    // A script that writes its directory, arguments and $B to <out>, in one step.
    void WriteScript(const std::string& path, const std::string& out, mode_t mode = 0755) {
        fs::create_directories(fs::path(path).parent_path());
        std::ofstream script(path);
        script << "#!/bin/sh\n{ pwd; printf '%s\\n' \"$@\"; echo \"B=$B\"; } > '" << out
               << ".tmp'\n/bin/mv '" << out << ".tmp' '" << out << "'\n";
        script.close();
        ::chmod(path.c_str(), mode);
    }
    // The Windows form of a path in the scratch folder.
    std::string Win(const std::string& path) const {
        std::string win = path;
        for (char& ch : win) {
            if (ch == '/') ch = '\\';
        }
        return win;
    }
    BOOL Start(LPCSTR application, std::string commandLine, const std::string& dir,
               LPVOID environment = nullptr) {
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi = {};
        const BOOL started = CreateProcessA(application, &commandLine[0], nullptr, nullptr, FALSE,
                                            NORMAL_PRIORITY_CLASS, environment,
                                            dir.empty() ? nullptr : dir.c_str(), &si, &pi);
        if (started) {
            EXPECT_TRUE(CloseHandle(pi.hThread));
            EXPECT_TRUE(CloseHandle(pi.hProcess));
            EXPECT_FALSE(CloseHandle(pi.hProcess));
        }
        return started;
    }
};

TEST_F(ProcessStartTest, UnquotedProgramPathResolvesAsOnWindows) {
    const std::string tool = m_dir + "/x y/tool";
    WriteScript(tool, m_dir + "/tool.out");
    fs::create_directories(m_dir + "/work");

    ASSERT_TRUE(Start(nullptr, Win(tool) + " +svc my \"quoted arg\"", Win(m_dir + "/work\\")));
    ASSERT_TRUE(WaitForFile(m_dir + "/tool.out"));
    EXPECT_EQ(ReadAll(m_dir + "/tool.out"), m_dir + "/work\n+svc\nmy\nquoted arg\nB=\n");

    // Windows would run "...\x" for this line, and so does this.
    WriteScript(m_dir + "/x", m_dir + "/decoy.out");
    ASSERT_TRUE(Start(nullptr, Win(tool) + " +svc s", m_dir));
    ASSERT_TRUE(WaitForFile(m_dir + "/decoy.out"));
    EXPECT_EQ(ReadAll(m_dir + "/decoy.out"), m_dir + "\ny\\tool\n+svc\ns\nB=\n");

    // Named on its own, the program is the one meant, and the command line after its
    // name gives the arguments.
    fs::remove(m_dir + "/tool.out");
    ASSERT_TRUE(Start(Win(tool).c_str(), Win(tool) + " +svc s", m_dir));
    ASSERT_TRUE(WaitForFile(m_dir + "/tool.out"));
    EXPECT_EQ(ReadAll(m_dir + "/tool.out"), m_dir + "\n+svc\ns\nB=\n");
}

TEST_F(ProcessStartTest, EnvironmentBlockAndFailures) {
    const std::string tool = m_dir + "/tool";
    WriteScript(tool, m_dir + "/tool.out");
    char environment[] = "A=1\0B=two words\0";
    ASSERT_TRUE(Start(nullptr, tool, m_dir, environment));
    ASSERT_TRUE(WaitForFile(m_dir + "/tool.out"));
    EXPECT_EQ(ReadAll(m_dir + "/tool.out"), m_dir + "\n\nB=two words\n");  // no arguments

    EXPECT_FALSE(Start(nullptr, m_dir + "/missing arg", m_dir));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(Start(nullptr, tool, m_dir + "/missing"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DIRECTORY));
    EXPECT_FALSE(Start(nullptr, m_dir, ""));  // a directory is no program
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    WriteScript(m_dir + "/plain", m_dir + "/plain.out", 0644);
    EXPECT_FALSE(Start(nullptr, m_dir + "/plain", m_dir));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(CreateProcessA(nullptr, nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                nullptr, nullptr));
}

// Listens as a window of class "TestClass": records each request and answers 7, or
// hangs up right after the request line when asked to.
class FakeWindow {
  public:
    FakeWindow(const std::string& runtimeDir, bool hangUp) : m_hangUp(hangUp) {
        sockaddr_un address = {};
        address.sun_family = AF_UNIX;
        const std::string path = runtimeDir + "/TestClass.window";
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
        m_listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
        ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(m_listener, 8);
        m_thread = std::thread([this] { Serve(); });
    }
    ~FakeWindow() {
        ::shutdown(m_listener, SHUT_RDWR);
        m_thread.join();
        ::close(m_listener);
    }
    std::vector<std::string> Requests() {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_requests;
    }

  private:
    void Serve() {
        for (;;) {
            const int fd = ::accept(m_listener, nullptr, nullptr);
            if (fd < 0) return;
            std::string line;
            char ch;
            while (::read(fd, &ch, 1) == 1 && ch != '\n') line += ch;
            unsigned long long tag = 0, size = 0;
            std::string data;
            if (!m_hangUp && std::sscanf(line.c_str(), "copydata %llu %llu", &tag, &size) == 2) {
                data.resize(size);
                size_t got = 0;
                while (got < size) {
                    const ssize_t n = ::read(fd, &data[got], size - got);
                    if (n <= 0) break;
                    got += static_cast<size_t>(n);
                }
            }
            if (!line.empty()) {
                std::lock_guard<std::mutex> guard(m_lock);
                m_requests.push_back(data.empty() ? line : line + "|" + data);
            }
            if (!m_hangUp && !line.empty() && ::send(fd, "7\n", 2, MSG_NOSIGNAL) != 2) {
                ADD_FAILURE() << "no answer sent";
            }
            ::close(fd);
        }
    }

    bool m_hangUp;
    int m_listener = -1;
    std::thread m_thread;
    std::mutex m_lock;
    std::vector<std::string> m_requests;
};

using WindowLinkTest = RuntimeDirTest;

TEST_F(WindowLinkTest, WindowIsFoundOnlyWhileItsOwnerListens) {
    EXPECT_EQ(FindWindowExA(nullptr, nullptr, "TestClass", nullptr), nullptr);
    HWND hWnd = nullptr;
    {
        FakeWindow window(m_dir, false);
        hWnd = FindWindowExA(nullptr, nullptr, "TestClass", nullptr);
        ASSERT_NE(hWnd, nullptr);
        EXPECT_EQ(FindWindowExA(nullptr, nullptr, "TestClass", nullptr), hWnd);
        EXPECT_EQ(FindWindowExA(nullptr, nullptr, "TestClass", "title"), nullptr);
        EXPECT_EQ(FindWindowExA(hWnd, nullptr, "TestClass", nullptr), nullptr);
        EXPECT_EQ(FindWindowExA(nullptr, nullptr, "Other", nullptr), nullptr);
    }
    // The socket file stays behind, as after a crash; nobody answers on it.
    ASSERT_TRUE(fs::exists(m_dir + "/TestClass.window"));
    EXPECT_EQ(FindWindowExA(nullptr, nullptr, "TestClass", nullptr), nullptr);
    EXPECT_EQ(SendMessageA(hWnd, WM_USER, 0, 0), 0);
}

TEST_F(WindowLinkTest, RequestsAndDataReachTheOwner) {
    FakeWindow window(m_dir, false);
    HWND hWnd = FindWindowExA(nullptr, nullptr, "TestClass", nullptr);
    ASSERT_NE(hWnd, nullptr);
    EXPECT_EQ(ShowWindow(hWnd, SW_RESTORE), 7);
    EXPECT_EQ(BringWindowToTop(hWnd), 7);
    EXPECT_EQ(SetForegroundWindow(hWnd), 7);

    // Any bytes, line feeds and NULs included, and more than one socket buffer.
    std::string data = "line\nnul";
    data += '\0';
    data += std::string(300000, 'z');
    COPYDATASTRUCT cds = {42, static_cast<DWORD>(data.size()), &data[0]};
    EXPECT_EQ(SendMessageA(hWnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds)), 7);
    // Pointers of this process are never sent; plain values are.
    char text[] = "title";
    EXPECT_EQ(SendMessageA(hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)), 0);
    EXPECT_EQ(SendMessageA(hWnd, WM_COPYDATA, 0, 0), 0);
    EXPECT_EQ(SendMessageA(hWnd, WM_USER + 5, 3, -4), 7);

    const std::vector<std::string> requests = window.Requests();
    ASSERT_EQ(requests.size(), 5u);
    EXPECT_EQ(requests[0], "show 9");
    EXPECT_EQ(requests[1], "top");
    EXPECT_EQ(requests[2], "foreground");
    EXPECT_EQ(requests[3], "copydata 42 " + std::to_string(data.size()) + "|" + data);
    EXPECT_EQ(requests[4], "message 1029 3 -4");
}

TEST_F(WindowLinkTest, OwnerThatHangsUpAnswersZero) {
    FakeWindow window(m_dir, true);
    HWND hWnd = FindWindowExA(nullptr, nullptr, "TestClass", nullptr);
    ASSERT_NE(hWnd, nullptr);
    // Writing into the closed connection must not end this process.
    std::string data(4 << 20, 'q');
    COPYDATASTRUCT cds = {1, static_cast<DWORD>(data.size()), &data[0]};
    EXPECT_EQ(SendMessageA(hWnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds)), 0);
    EXPECT_EQ(ShowWindow(hWnd, SW_RESTORE), 0);
}

TEST(LocalWindow, ShowWindowChangesStateAndAnswersFormerVisibility) {
    HWND hWnd = new HWND__;
    EXPECT_FALSE(ShowWindow(hWnd, SW_SHOWMINIMIZED));
    EXPECT_TRUE(IsIconic(hWnd));
    EXPECT_TRUE(ShowWindow(hWnd, SW_RESTORE));
    EXPECT_FALSE(IsIconic(hWnd));
    EXPECT_TRUE(ShowWindow(hWnd, SW_HIDE));
    EXPECT_FALSE(ShowWindow(hWnd, SW_SHOW));
    EXPECT_TRUE(BringWindowToTop(hWnd));
    EXPECT_TRUE(SetForegroundWindow(hWnd));
    EXPECT_TRUE(DestroyWindow(hWnd));
    EXPECT_FALSE(ShowWindow(hWnd, SW_RESTORE));
}

}  // namespace
