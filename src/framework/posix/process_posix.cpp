// CreateProcessA on POSIX: posix_spawn, never waiting for the child.
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "api_handoff.h"
#include "api_kernel.h"
#include "command_line_posix.h"
#include "kernel_object.h"
#include "native_path.h"

extern char** environ;

namespace {

class ProcessObject : public KernelObject {
  public:
    explicit ProcessObject(pid_t pid) : m_pid(pid) {}
    // Reaps a child that has already ended; a running one is left alone, as closing
    // a process handle does not wait.
    ~ProcessObject() override { ::waitpid(m_pid, nullptr, WNOHANG); }

  private:
    pid_t m_pid;
};

class ThreadObject : public KernelObject {};

bool IsRegularFile(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsDirectory(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

DWORD ErrorFromSpawn(int error, const std::string& program) {
    return error == ENOEXEC ? ERROR_BAD_EXE_FORMAT : posix::ErrnoToWin32(error, program.c_str());
}

// The text after the application name when the command line begins with it (bare
// or quoted), else after the command line's own first word.
const char* ArgumentsAfter(const char* applicationName, const char* commandLine) {
    if (!commandLine) return "";
    const size_t length = std::strlen(applicationName);
    if (std::strncmp(commandLine, applicationName, length) == 0 &&
        (commandLine[length] == '\0' || commandLine[length] == ' ' ||
         commandLine[length] == '\t')) {
        return commandLine + length;
    }
    if (commandLine[0] == '"' && std::strncmp(commandLine + 1, applicationName, length) == 0 &&
        commandLine[length + 1] == '"') {
        return commandLine + length + 2;
    }
    return SkipProgramName(commandLine);
}

// An environment block: "name=value" strings one after another, ended by an empty one.
std::vector<char*> EnvironmentFromBlock(char* block) {
    std::vector<char*> env;
    for (char* p = block; *p != '\0'; p += std::strlen(p) + 1) env.push_back(p);
    env.push_back(nullptr);
    return env;
}

class SpawnSettings {
  public:
    SpawnSettings() {
        m_ready = ::posix_spawn_file_actions_init(&m_actions) == 0;
        if (::posix_spawnattr_init(&m_attributes) != 0) {
            if (m_ready) ::posix_spawn_file_actions_destroy(&m_actions);
            m_ready = false;
        }
    }
    ~SpawnSettings() {
        if (!m_ready) return;
        ::posix_spawn_file_actions_destroy(&m_actions);
        ::posix_spawnattr_destroy(&m_attributes);
    }
    SpawnSettings(const SpawnSettings&) = delete;
    SpawnSettings& operator=(const SpawnSettings&) = delete;

    // The child gets its own process group, so that a terminal's Ctrl-C meant for
    // the starter does not end it, and a clean signal mask.
    bool Prepare(const std::string& directory) {
        if (!m_ready) return false;
        sigset_t empty;
        sigemptyset(&empty);
        if (::posix_spawnattr_setsigmask(&m_attributes, &empty) != 0) return false;
        if (::posix_spawnattr_setpgroup(&m_attributes, 0) != 0) return false;
        if (::posix_spawnattr_setflags(&m_attributes,
                                       POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK) != 0) {
            return false;
        }
        return directory.empty() ||
               ::posix_spawn_file_actions_addchdir_np(&m_actions, directory.c_str()) == 0;
    }
    const posix_spawn_file_actions_t* Actions() const { return &m_actions; }
    const posix_spawnattr_t* Attributes() const { return &m_attributes; }

  private:
    bool m_ready = false;
    posix_spawn_file_actions_t m_actions;
    posix_spawnattr_t m_attributes;
};

}  // namespace

BOOL CreateProcessA(LPCSTR applicationName, LPSTR commandLine, LPSECURITY_ATTRIBUTES,
                    LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID environment, LPCSTR currentDirectory,
                    LPSTARTUPINFOA, LPPROCESS_INFORMATION info) {
    std::string program;
    const char* arguments = "";
    if (applicationName) {
        program = posix::NativePath(applicationName);
        if (!IsRegularFile(program)) {
            SetLastError(ERROR_FILE_NOT_FOUND);
            return FALSE;
        }
        arguments = ArgumentsAfter(applicationName, commandLine);
    } else if (!commandLine) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    } else if (!FindProgram(commandLine, IsRegularFile, program, arguments)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }

    // The new working directory must not change which program a relative path names.
    if (program[0] != '/') {
        char cwd[4096];
        if (::getcwd(cwd, sizeof cwd)) program = std::string(cwd) + "/" + program;
    }

    std::string directory;
    if (currentDirectory) {
        directory = posix::NativePath(currentDirectory);
        if (!IsDirectory(directory)) {
            SetLastError(ERROR_DIRECTORY);
            return FALSE;
        }
    }

    std::vector<std::string> words = SplitArguments(arguments);
    words.insert(words.begin(), program);
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(&word[0]);
    argv.push_back(nullptr);
    std::vector<char*> env;
    if (environment) env = EnvironmentFromBlock(static_cast<char*>(environment));

    SpawnSettings settings;
    if (!settings.Prepare(directory)) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    pid_t pid = 0;
    const int error =
        ::posix_spawn(&pid, program.c_str(), settings.Actions(), settings.Attributes(), argv.data(),
                      environment ? env.data() : environ);
    if (error != 0) {
        SetLastError(ErrorFromSpawn(error, program));
        return FALSE;
    }
    if (info) {
        info->hProcess = AddKernelObject(std::make_unique<ProcessObject>(pid));
        info->hThread = AddKernelObject(std::make_unique<ThreadObject>());
        info->dwProcessId = static_cast<DWORD>(pid);
        info->dwThreadId = static_cast<DWORD>(pid);
    }
    // Without a place for the handles nobody could close them; the child runs on.
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}
