// The native program run as a user's script would run it, for whole-program tests: a
// copy in a folder of its own (its `custom` folder appears beside it), a command line,
// standard input from a file, standard output collected.
#pragma once

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace e2e {

namespace fs = std::filesystem;

// A fresh folder with a copy of the program: `custom` appears beside the copy. In
// memory (/dev/shm, removed at the end) for cases that make thousands of files again
// and again: on a busy disk each creation can cost half a millisecond.
class Sandbox {
  public:
    explicit Sandbox(const std::string& name, bool inMemory = false)
        : inMemory_(inMemory && fs::is_directory("/dev/shm")),
          dir_((inMemory_
                    ? fs::path("/dev/shm") /
                          ("tpx-e2e-" + std::to_string(std::hash<std::string>{}(TPX_BINARY_DIR)))
                    : fs::path(TPX_BINARY_DIR) / "e2e-work") /
               name) {
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        fs::copy_file(TPX_PROGRAM, Program());
    }
    ~Sandbox() {
        std::error_code ignored;
        if (inMemory_) fs::remove_all(dir_, ignored);
    }
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;
    fs::path Dir() const { return dir_; }
    fs::path Program() const { return dir_ / "tpxinstall"; }

  private:
    bool inMemory_;
    fs::path dir_;
};

struct Outcome {
    int status = -1;  // exit status, or -1 when the program did not exit normally
    std::string out;
};

// Starts the program without waiting: standard input from `input`, standard output to
// `out` (a descriptor; closed in this process), standard error to the file `errors`
// when given, else with standard output.
inline pid_t Spawn(const fs::path& program, const std::vector<std::string>& args,
                   const std::string& input, int out, const std::string& errors = "") {
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(open(input.c_str(), O_RDONLY), STDIN_FILENO);
        dup2(errors.empty() ? out : open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644),
             STDERR_FILENO);
        dup2(out, STDOUT_FILENO);
        std::vector<char*> argv;
        const std::string path = program.string();
        argv.push_back(const_cast<char*>(path.c_str()));
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(path.c_str(), argv.data());
        _exit(127);
    }
    close(out);
    return pid;
}

// Starts the program without waiting, its output discarded.
inline pid_t StartProgram(const fs::path& program, const std::vector<std::string>& args,
                          const std::string& input = "/dev/null") {
    return Spawn(program, args, input, open("/dev/null", O_WRONLY));
}

// The exit status of a started program, or -1 when it did not exit by itself.
inline int WaitProgram(pid_t pid) {
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

// Runs the program with standard input from `input` (a file, /dev/null by default) and
// collects standard output; standard error goes to `errors` when given.
inline Outcome RunProgram(const fs::path& program, const std::vector<std::string>& args,
                          const std::string& input = "/dev/null", const std::string& errors = "") {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return {};
    const pid_t pid =
        Spawn(program, args, input, pipeFds[1], errors.empty() ? "/dev/null" : errors);
    Outcome outcome;
    char buf[4096];
    for (ssize_t n; (n = read(pipeFds[0], buf, sizeof(buf))) > 0;) outcome.out.append(buf, n);
    close(pipeFds[0]);
    outcome.status = WaitProgram(pid);
    return outcome;
}

inline std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Every path below custom with its content, the lock file included: once a run has
// ended it must be gone.
inline std::map<std::string, std::string> Contents(const fs::path& custom) {
    std::map<std::string, std::string> files;
    if (!fs::exists(custom)) return files;
    for (const auto& item : fs::recursive_directory_iterator(custom)) {
        const std::string name = fs::relative(item.path(), custom).generic_string();
        files[name] = fs::is_symlink(item.symlink_status()) ? "<link>"
                      : fs::is_directory(item.status())     ? "<dir>"
                                                            : ReadAll(item.path());
    }
    return files;
}

// The installer's own names below custom (temporary files and trees, the lock file).
inline int Leftovers(const fs::path& custom) {
    int n = 0;
    std::error_code none;
    for (const auto& item : fs::recursive_directory_iterator(custom, none)) {
        n += item.path().filename().string().rfind("~tpx", 0) == 0;
    }
    return n;
}

// A file of Yes answers, more than any case asks for.
inline std::string Answers(const fs::path& dir) {
    const fs::path path = dir / "answers";
    std::ofstream out(path);
    for (int i = 0; i < 10000; ++i) out << "y\n";
    return path.string();
}

}  // namespace e2e
