#include "app/elevation.h"

#include <cstring>
#include <random>

#include "app/installer_app.h"
#include "framework/file.h"
#include "framework/file_system.h"
#include "ui/user.h"

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

bool CustomDirDenied(FileSystem& files, const CString& strCustomDir) {
    // A few names, in case one is taken by a file left behind.
    for (int attempt = 0; attempt < 4; ++attempt) {
        const CString strProbe = strCustomDir + "\\" + ProbeName();
        FileHandle probe = kNoFile;
        const FileError error = files.CreateNew(strProbe, &probe);
        if (!error) {
            files.Close(probe);
            files.RemoveFile(strProbe);
            return false;
        }
        if (error.kind == FileError::exists) continue;
        // Start-up could not make custom: perhaps for lack of rights too.
        if (error.IsMissing()) {
            return files.MakeDirectory(strCustomDir).kind == FileError::accessDenied;
        }
        return error.kind == FileError::accessDenied;
    }
    return false;
}

bool InstallElevatedWhenDenied(const InstallerRoles& roles, const CString& strCustomDir,
                               bool bElevatedRun, const CString& strPackPath,
                               InstallOutcome* pOutcome) {
    if (bElevatedRun || !roles.user.CanElevate()) return false;
    if (!CustomDirDenied(roles.files, strCustomDir)) return false;

    TraceTo(roles.tracer, "* No rights to write in %s - running elevated...\n",
            static_cast<LPCTSTR>(strCustomDir));
    // The pack path has had its quotes removed, so quoting it again is safe.
    const CString strArgs = CString(kElevatedRunMarker) + " \"" + strPackPath + "\"";
    DWORD exitCode = 0;
    LONG error = ERROR_SUCCESS;
    if (!roles.user.RunElevated(strArgs, &exitCode, &error)) {
        TraceTo(roles.tracer, "* Installation failed: %s (system error %ld)\n",
                error == ERROR_CANCELLED ? "elevation declined" : "elevated run not started",
                static_cast<long>(error));
        InstallFailure failure;
        failure.kind = error == ERROR_CANCELLED ? InstallFailure::Kind::elevationDeclined
                                                : InstallFailure::Kind::elevationFailed;
        failure.strPath = strCustomDir;
        failure.nOsError = error;
        *pOutcome = InstallOutcome::Failed(failure);
        return true;
    }
    pOutcome->kind = InstallOutcome::Kind::elevated;
    pOutcome->nExitCode = static_cast<int>(exitCode);
    return true;
}
