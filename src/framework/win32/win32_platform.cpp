#include "win32_platform.h"

#include <shellapi.h>
#include <time.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "command_line.h"
#include "message_box.h"

bool Win32Platform::IsLeadByte(BYTE ch) {
    return ::IsDBCSLeadByte(ch) != FALSE;
}

bool Win32Platform::Utf8ToAnsi(const char* text, size_t length, CString& ansi) {
    ansi.Empty();
    if (length == 0) return true;
    if (length > INT_MAX / 2) {
        ::SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return false;
    }
    const int nBytes = static_cast<int>(length);
    const int nWide =
        ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, nBytes, nullptr, 0);
    if (nWide <= 0) return false;
    std::vector<wchar_t> wide(static_cast<size_t>(nWide));
    ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, nBytes, wide.data(), nWide);
    // A system whose ANSI code page is UTF-8 takes the name as it is; the conversion
    // below would refuse its flags.
    if (::GetACP() == CP_UTF8) {
        ansi = CString(text, nBytes);
        return true;
    }
    BOOL usedDefault = FALSE;
    const int nAnsi = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), nWide,
                                            nullptr, 0, nullptr, &usedDefault);
    if (nAnsi <= 0 || usedDefault) {
        ::SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return false;
    }
    ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), nWide,
                          ansi.GetBufferSetLength(nAnsi), nAnsi, nullptr, &usedDefault);
    return true;
}

// The 64-bit C runtime calls, so that the i686 build has no 2038 limit either.
bool Win32Platform::LocalPartsToTime(const LocalTimeParts& parts, int64_t* time) {
    struct tm tm = ToTm(parts);
    const __time64_t t = _mktime64(&tm);
    if (t == -1) return false;  // the runtime's range begins after 1970-01-01
    *time = static_cast<int64_t>(t);
    return true;
}

bool Win32Platform::TimeToLocalParts(int64_t time, LocalTimeParts* parts) {
    const __time64_t t = static_cast<__time64_t>(time);
    struct tm tm;
    if (_localtime64_s(&tm, &t) != 0) return false;
    *parts = FromTm(tm);
    return true;
}

int64_t Win32Platform::CurrentTime() {
    return static_cast<int64_t>(_time64(nullptr));
}

// The whole path, however long: one cut at 260 characters would name another folder.
CString Win32Platform::ModulePath() {
    std::vector<TCHAR> buffer(MAX_PATH);
    for (;;) {
        const DWORD nSize = static_cast<DWORD>(buffer.size());
        const DWORD nLength = ::GetModuleFileNameA(nullptr, buffer.data(), nSize);
        if (nLength < nSize) return CString(buffer.data(), static_cast<int>(nLength));
        if (nSize >= 65536) return CString();
        buffer.resize(buffer.size() * 4);
    }
}

bool Win32Platform::LoadStringResource(UINT nID, CString& text) {
    char buffer[4096];
    const int n =
        ::LoadStringA(::GetModuleHandleA(nullptr), nID, buffer, static_cast<int>(sizeof(buffer)));
    if (n <= 0) return false;
    text = CString(buffer, n);
    return true;
}

// The shell decides whether "runas" needs a prompt: none for a process that is
// elevated already, which then runs once more and fails alike. The token cannot be
// the test, since some systems (Wine among them) call every process elevated.
bool Win32Platform::CanElevate() {
    return true;
}

bool Win32Platform::RunElevated(LPCTSTR args, DWORD* exitCode) {
    const CString strProgram = ModulePath();
    SHELLEXECUTEINFOA info;
    ZeroMemory(&info, sizeof info);
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = "runas";
    info.lpFile = strProgram;
    info.lpParameters = args;
    info.nShow = SW_SHOWNORMAL;
    if (!::ShellExecuteExA(&info)) return false;  // ERROR_CANCELLED when declined
    if (info.hProcess == nullptr) {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    ::WaitForSingleObject(info.hProcess, INFINITE);
    DWORD code = 0;
    const BOOL ok = ::GetExitCodeProcess(info.hProcess, &code);
    ::CloseHandle(info.hProcess);
    if (!ok) return false;
    *exitCode = code;
    return true;
}

bool Win32Platform::AskYesNo(const CString& strQuestion) {
    return AfxMessageBox(strQuestion, MB_YESNO | MB_ICONQUESTION, 0) != IDNO;
}

void Win32Platform::ShowError(const CString& strText) {
    AfxMessageBox(strText, MB_ICONHAND, 0);
}

HANDLE Win32Platform::CreateInstanceMutex(LPCTSTR name, bool* pbExisted) {
    HANDLE mutex = ::CreateMutexA(nullptr, FALSE, name);
    *pbExisted = ::GetLastError() == ERROR_ALREADY_EXISTS;
    return mutex;
}

void Win32Platform::CloseInstanceMutex(HANDLE mutex) {
    if (mutex != nullptr) ::CloseHandle(mutex);
}

HWND Win32Platform::FindClientWindow(LPCTSTR className) {
    return ::FindWindowExA(nullptr, nullptr, className, nullptr);
}

void Win32Platform::RestoreWindow(HWND window) {
    ::ShowWindow(window, SW_RESTORE);
}

void Win32Platform::BringToTop(HWND window) {
    ::BringWindowToTop(window);
}

void Win32Platform::SetForeground(HWND window) {
    ::SetForegroundWindow(window);
}

void Win32Platform::SendCopyData(HWND window, ULONG_PTR tag, DWORD size, const void* data) {
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
bool Win32Platform::StartClient(LPCTSTR program, LPCTSTR service, LPCTSTR directory) {
    char szCommandLine[520];
    const std::string line =
        std::string("\"") + program + "\" +svc " + AfxCommandLineArgument(service);
    if (line.size() >= sizeof szCommandLine) {
        ::SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    std::memcpy(szCommandLine, line.c_str(), line.size() + 1);
    STARTUPINFOA si;
    ZeroMemory(&si, sizeof si);
    si.cb = sizeof si;
    PROCESS_INFORMATION pi;
    if (!::CreateProcessA(program, szCommandLine, nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS,
                          nullptr, directory, &si, &pi)) {
        return false;
    }
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return true;
}

void Win32Platform::Trace(LPCTSTR text) {
    ::OutputDebugStringA(text);
}
