#include "app/elevation.h"

#include <cstring>
#include <random>

#include "app/installer_app.h"
#include "framework/file.h"
#include "framework/platform.h"

const char kElevatedRunMarker[] = "-tpx-elevated-run";

namespace {

bool IsBlank(char ch) {
    return static_cast<unsigned char>(ch) <= ' ' && ch != '\0';
}

CString ProbeName() {
    static std::mt19937 generator{std::random_device{}()};
    CString strName;
    strName.Format("~tpxprobe%08lx.tmp", static_cast<unsigned long>(generator()));
    return strName;
}

}  // namespace

CString TakeElevatedRunMarker(LPCTSTR lpszCmdLine, bool* pbMarked) {
    *pbMarked = false;
    if (lpszCmdLine == nullptr) return CString();
    const char* p = lpszCmdLine;
    while (IsBlank(*p)) ++p;
    const size_t n = sizeof kElevatedRunMarker - 1;
    if (std::strncmp(p, kElevatedRunMarker, n) != 0 || (p[n] != '\0' && !IsBlank(p[n]))) {
        return CString(lpszCmdLine);
    }
    *pbMarked = true;
    p += n;
    while (IsBlank(*p)) ++p;
    return CString(p);
}

bool CustomDirDenied(const CString& strCustomDir) {
    Platform& platform = Platform::Current();
    // A few names, in case one is taken by a file left behind.
    for (int attempt = 0; attempt < 4; ++attempt) {
        const CString strProbe = strCustomDir + "\\" + ProbeName();
        HANDLE probe = platform.OpenFile(strProbe, CFile::modeCreateNew | CFile::modeWrite);
        if (probe != INVALID_HANDLE_VALUE) {
            platform.CloseFile(probe);
            platform.RemoveFile(strProbe);
            return false;
        }
        const LONG error = platform.LastError();
        if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
        // Start-up could not make custom: perhaps for lack of rights too.
        if (error == ERROR_PATH_NOT_FOUND) {
            return !platform.MakeDirectory(strCustomDir) &&
                   platform.LastError() == ERROR_ACCESS_DENIED;
        }
        return error == ERROR_ACCESS_DENIED;
    }
    return false;
}

bool InstallElevatedWhenDenied(InstallerApp& app, const CString& strPackPath) {
    Platform& platform = Platform::Current();
    if (app.m_bElevatedRun || !platform.CanElevate()) return false;
    if (!CustomDirDenied(app.m_strCustomDir)) return false;

    app.Trace("* No rights to write in %s - running elevated...\n",
              static_cast<LPCTSTR>(app.m_strCustomDir));
    // The pack path has had its quotes removed, so quoting it again is safe.
    const CString strArgs = CString(kElevatedRunMarker) + " \"" + strPackPath + "\"";
    DWORD exitCode = 0;
    if (!platform.RunElevated(strArgs, &exitCode)) {
        const LONG error = platform.LastError();
        app.Trace("* Installation failed: %s (system error %ld)\n",
                  error == ERROR_CANCELLED ? "elevation declined" : "elevated run not started",
                  static_cast<long>(error));
        app.m_bError = TRUE;
        return true;
    }
    app.Trace("* Elevated run ended with %lu\n", static_cast<unsigned long>(exitCode));
    app.SetExitCode(static_cast<int>(exitCode));
    return true;
}
