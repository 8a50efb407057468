// What an installation came to, decided where it happened and shown by start-up in one
// place.
#pragma once

#include "framework/cstring.h"
#include "framework/exception.h"

class CZipException;

// Why an installation failed: what kind of failure, where, and the system's code.
struct InstallFailure {
    enum class Kind {
        file,            // a file operation failed (see nOsError)
        packUnreadable,  // the pack itself cannot be opened or read
        diskFull,        // the volume is full
        accessDenied,    // the system refused access
        inUse,           // another program holds the file
        damagedPack,     // the pack is no valid archive, or an entry failed its check
        badName,         // an entry's name cannot be used (strPath names it)
        nameConflict,    // strPath is wanted both as a file and as a folder
        outOfMemory,
        elevationDeclined,  // the user declined administrator rights
        elevationFailed,    // the elevated run could not be started
        cancelled,          // the user cancelled: nothing was changed
    };
    Kind kind = Kind::file;
    CString strPath;        // the file, folder or entry concerned; empty when none
    LONG nOsError = 0;      // the system's code, when one caused it
    bool bMissing = false;  // nothing stands at strPath, or a folder on its way is missing
    CString strEntry;       // the pack's entry being installed, as stored; empty when none
};

struct InstallOutcome {
    enum class Kind {
        installed,         // with the title from the pack's profile
        installedQuietly,  // a pack without a profile: nothing is shown
        stopped,           // the user's No: nothing more was installed, nothing is shown
        cancelled,         // the user cancelled a wait or the installation: nothing changed
        failed,            // failure tells why
        elevated,          // an elevated run did the work and showed its outcome; nExitCode is its
    };
    Kind kind = Kind::installed;
    CString strName;  // the name line: the title (installed) or the quoted file name (failed)
    InstallFailure failure;
    int nExitCode = 0;

    static InstallOutcome Failed(InstallFailure failure) {
        InstallOutcome outcome;
        outcome.kind = Kind::failed;
        outcome.failure = failure;
        return outcome;
    }
};

// A failure the installation finds itself (a name it refuses), thrown like the
// framework's own so that one catch handles them all.
class CInstallException : public CException {
    DECLARE_DYNAMIC(CInstallException)
  public:
    explicit CInstallException(InstallFailure failure) : m_failure(failure) {}
    [[noreturn]] static void Throw(InstallFailure::Kind kind, const CString& strPath);

    InstallFailure m_failure;
};

// The failure an exception of the installation stands for.
InstallFailure FailureOf(CException* e);

// The failure in plain words and where, in one sentence for the user: paths below
// strCustomDir relative to it, long ones cut in the middle.
CString DescribeFailure(const InstallFailure& failure, const CString& strCustomDir);
