// Native plumbing: the program and the fake client run as child processes; the
// program's message box is the text it prints on standard output.
#include <spawn.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "launch/launch_harness.h"

extern char** environ;

namespace fs = std::filesystem;

namespace launch {

const bool kBoxShowsIcon = false;
const bool kLongPathsOpen = true;

namespace {

const auto kRecordTimeout = std::chrono::seconds(30);

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Starts `argv` with standard input from /dev/null and the output into files.
pid_t Spawn(const std::vector<std::string>& args, const std::string& outPath,
            const std::string& errPath) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    std::vector<std::string> words = args;
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(&word[0]);
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

}  // namespace

std::string CaseRoot(const std::string& name) {
    return TPX_BINARY_DIR "/launch-work/" + name + "/";
}

LaunchCase::LaunchCase(const std::string& name, const std::string& installName,
                       const std::string& programName) {
    std::error_code ec;
    m_root = CaseRoot(name);
    m_installDir = m_root + installName + "/";
    fs::remove_all(m_root, ec);
    fs::create_directories(m_installDir, ec);
    m_program = m_installDir + programName;
    // Sockets need short paths, so the runtime directory lives under /tmp.
    char runtime[] = "/tmp/tpx-launch-XXXXXX";
    const bool runtimeOk = ::mkdtemp(runtime) != nullptr;
    if (runtimeOk) {
        m_runtimeDir = runtime;
        ::setenv("XDG_RUNTIME_DIR", runtime, 1);
    }
    m_ok = !ec && runtimeOk && fs::copy_file(TPX_LAUNCH_PROGRAM, m_program, ec) && !ec;
}

LaunchCase::~LaunchCase() {
    if (m_runtimeDir.empty()) return;
    ::unsetenv("XDG_RUNTIME_DIR");
    std::error_code ec;
    fs::remove_all(m_runtimeDir, ec);
}

bool LaunchCase::CopyClient(const std::string& path) const {
    std::error_code ec;
    fs::create_directories(fs::path(path).parent_path(), ec);
    return fs::copy_file(TPX_LAUNCH_CLIENT, path, fs::copy_options::overwrite_existing, ec) && !ec;
}

bool LaunchCase::WriteText(const std::string& path, const std::string& text) const {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    return static_cast<bool>(out.flush());
}

std::vector<std::string> LaunchCase::Record(const std::string& dir) const {
    return Lines(ReadAll(dir + "client.record"));
}

bool LaunchCase::WaitForRecord(const std::string& dir, const std::string& prefix) const {
    const auto deadline = std::chrono::steady_clock::now() + kRecordTimeout;
    do {
        for (const std::string& line : Record(dir)) {
            if (line.compare(0, prefix.size(), prefix) == 0) return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    } while (std::chrono::steady_clock::now() < deadline);
    return false;
}

struct ServingClient::Impl {
    pid_t pid = -1;
};

ServingClient::ServingClient(const LaunchCase& launchCase, const std::string& path,
                             const std::vector<std::string>& options)
    : m_impl(new Impl) {
    std::vector<std::string> args = {path, "--serve"};
    args.insert(args.end(), options.begin(), options.end());
    m_impl->pid = Spawn(args, launchCase.Root() + "client.out", launchCase.Root() + "client.err");
    const std::string dir = path.substr(0, path.rfind('/') + 1);
    m_ready = m_impl->pid > 0 && launchCase.WaitForRecord(dir, "ready");
}

ServingClient::~ServingClient() {
    if (m_impl->pid <= 0) return;
    ::kill(m_impl->pid, SIGTERM);
    ::waitpid(m_impl->pid, nullptr, 0);
}

Outcome RunInstaller(const LaunchCase& launchCase, const std::vector<std::string>& args) {
    Outcome outcome;
    std::vector<std::string> argv = {launchCase.ProgramPath()};
    argv.insert(argv.end(), args.begin(), args.end());
    const std::string outPath = launchCase.Root() + "installer.out";
    const std::string errPath = launchCase.Root() + "installer.err";
    const pid_t pid = Spawn(argv, outPath, errPath);
    int status = 0;
    if (pid <= 0 || ::waitpid(pid, &status, 0) != pid) return outcome;
    outcome.exited = WIFEXITED(status);
    outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    const std::string errors = ReadAll(errPath);
    if (!errors.empty()) std::fprintf(stderr, "program's standard error:\n%s", errors.c_str());

    // A box prints its caption, a rule, its text and its buttons.
    const std::vector<std::string> lines = Lines(ReadAll(outPath));
    if (lines.size() >= 4 && lines[1] == std::string(lines[0].size(), '-')) {
        outcome.box = true;
        outcome.boxCaption = lines[0];
        for (size_t i = 2; i + 1 < lines.size(); ++i) {
            outcome.boxText += (i > 2 ? "\n" : "") + lines[i];
        }
        const std::string& buttons = lines.back();
        if (buttons.find("[ OK ]") != std::string::npos) outcome.boxButtons.push_back(1);
        if (buttons.find("[ Yes ]") != std::string::npos) outcome.boxButtons.push_back(6);
        if (buttons.find("[ No ]") != std::string::npos) outcome.boxButtons.push_back(7);
    } else if (!lines.empty()) {
        outcome.box = true;  // something else was printed; show it in failures
        outcome.boxText = ReadAll(outPath);
    }
    return outcome;
}

void WaitForStrayClient() {
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
}

}  // namespace launch
