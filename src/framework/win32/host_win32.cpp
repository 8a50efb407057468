// The Windows host: the ANSI code page, the C runtime's local time, the module's
// path and string resources.
#include <time.h>

#include <climits>
#include <vector>

#include "host.h"

namespace {

class Win32Host : public Host {
  public:
    bool IsLeadByte(BYTE ch) override { return ::IsDBCSLeadByte(ch) != FALSE; }

    bool Utf8ToAnsi(const char* text, size_t length, CString& ansi) override {
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
    bool LocalPartsToTime(const LocalTimeParts& parts, int64_t* time) override {
        struct tm tm = ToTm(parts);
        const __time64_t t = _mktime64(&tm);
        if (t == -1) return false;  // the runtime's range begins after 1970-01-01
        *time = static_cast<int64_t>(t);
        return true;
    }

    bool TimeToLocalParts(int64_t time, LocalTimeParts* parts) override {
        const __time64_t t = static_cast<__time64_t>(time);
        struct tm tm;
        if (_localtime64_s(&tm, &t) != 0) return false;
        *parts = FromTm(tm);
        return true;
    }

    int64_t CurrentTime() override { return static_cast<int64_t>(_time64(nullptr)); }

    // The whole path, however long: one cut at 260 characters would name another folder.
    CString ModulePath() override {
        std::vector<TCHAR> buffer(MAX_PATH);
        for (;;) {
            const DWORD nSize = static_cast<DWORD>(buffer.size());
            const DWORD nLength = ::GetModuleFileNameA(nullptr, buffer.data(), nSize);
            if (nLength < nSize) return CString(buffer.data(), static_cast<int>(nLength));
            if (nSize >= 65536) return CString();
            buffer.resize(buffer.size() * 4);
        }
    }

    bool LoadStringResource(UINT nID, CString& text) override {
        char buffer[4096];
        const int n = ::LoadStringA(::GetModuleHandleA(nullptr), nID, buffer,
                                    static_cast<int>(sizeof(buffer)));
        if (n <= 0) return false;
        text = CString(buffer, n);
        return true;
    }
};

}  // namespace

Host& RealHost() {
    static Win32Host host;
    return host;
}
