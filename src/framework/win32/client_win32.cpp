// The client on Windows: its named mutex, its window, and CreateProcess.
#include <cstring>
#include <string>

#include "client_program.h"
#include "files_win32.h"
#include "command_line.h"

namespace {

class Win32Client : public ClientProgram {
  public:
    HANDLE CreateInstanceMutex(LPCTSTR name, bool* pbExisted) override {
        HANDLE mutex = ::CreateMutexA(nullptr, FALSE, name);
        *pbExisted = ::GetLastError() == ERROR_ALREADY_EXISTS;
        return mutex;
    }

    void CloseInstanceMutex(HANDLE mutex) override {
        if (mutex != nullptr) ::CloseHandle(mutex);
    }

    HWND FindClientWindow(LPCTSTR className) override {
        return ::FindWindowExA(nullptr, nullptr, className, nullptr);
    }

    void RestoreWindow(HWND window) override { ::ShowWindow(window, SW_RESTORE); }

    void BringToTop(HWND window) override { ::BringWindowToTop(window); }

    void SetForeground(HWND window) override { ::SetForegroundWindow(window); }

    void SendCopyData(HWND window, ULONG_PTR tag, DWORD size, const void* data) override {
        COPYDATASTRUCT cds;
        cds.dwData = tag;
        cds.cbData = size;
        cds.lpData = const_cast<void*>(data);
        ::SendMessageA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds));
    }

    // The program is quoted on the command line, so that the client's argv[0] stays whole
    // in an install directory with blanks; it is also named on its own, so that the line
    // cannot start another program ("C:\Games\Quorvix.exe" for
    // "C:\Games\Quorvix Brenvo\zilno.exe"). The service is one argument whatever it
    // holds: a name with blanks must not arrive split, nor bring arguments of its own. A
    // line that does not fit the 520 characters the client's starter has always used is
    // not started.
    FileError StartClient(LPCTSTR program, LPCTSTR service, LPCTSTR directory) override {
        char szCommandLine[520];
        const std::string line =
            std::string("\"") + program + "\" +svc " + AfxCommandLineArgument(service);
        if (line.size() >= sizeof szCommandLine) return Win32Error(ERROR_FILENAME_EXCED_RANGE);
        std::memcpy(szCommandLine, line.c_str(), line.size() + 1);
        STARTUPINFOA si;
        ZeroMemory(&si, sizeof si);
        si.cb = sizeof si;
        PROCESS_INFORMATION pi;
        if (!::CreateProcessA(program, szCommandLine, nullptr, nullptr, FALSE,
                              NORMAL_PRIORITY_CLASS, nullptr, directory, &si, &pi)) {
            return Win32Error();
        }
        ::CloseHandle(pi.hThread);
        ::CloseHandle(pi.hProcess);
        return {};
    }
};

}  // namespace

ClientProgram& RealClientProgram() {
    static Win32Client client;
    return client;
}
