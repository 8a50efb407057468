// The client natively: no client runs as far as the installer can tell, so it always
// starts one, as a process.
#include <spawn.h>

#include <cerrno>

#include "client_program.h"
#include "files_posix.h"

extern char** environ;

namespace {

class PosixClient : public ClientProgram {
  public:
    HANDLE CreateInstanceMutex(LPCTSTR, bool* pbExisted) override {
        *pbExisted = false;
        static int token;
        return &token;
    }
    void CloseInstanceMutex(HANDLE) override {}
    HWND FindClientWindow(LPCTSTR) override { return nullptr; }
    void RestoreWindow(HWND) override {}
    void BringToTop(HWND) override {}
    void SetForeground(HWND) override {}
    void SendCopyData(HWND, ULONG_PTR, DWORD, const void*) override {}

    // The service name is one argument, blanks and all; the client finds nothing to split.
    FileError StartClient(LPCTSTR program, LPCTSTR service, LPCTSTR directory) override {
        const std::string native = NativePath(program);
        posix_spawn_file_actions_t actions;
        if ((errno = posix_spawn_file_actions_init(&actions)) != 0) return ErrnoError();
        int rc = posix_spawn_file_actions_addchdir_np(&actions, NativePath(directory).c_str());
        char* argv[] = {const_cast<char*>(native.c_str()), const_cast<char*>("+svc"),
                        const_cast<char*>(service), nullptr};
        pid_t pid = 0;
        if (rc == 0) rc = posix_spawn(&pid, native.c_str(), &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        if (rc == 0) return {};
        errno = rc;
        return ErrnoError(program);
    }
};

}  // namespace

ClientProgram& RealClientProgram() {
    static PosixClient client;
    return client;
}
