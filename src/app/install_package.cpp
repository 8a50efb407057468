// Installation of one service pack into the custom directory.
#include <algorithm>
#include <new>
#include <vector>

#include "app/elevation.h"
#include "app/entry_copier.h"
#include "app/entry_directories.h"
#include "app/entry_name.h"
#include "app/entry_name_encoding.h"
#include "app/install_journal.h"
#include "app/installer_app.h"
#include "app/staged_files.h"
#include "archive/archive_reader.h"
#include "framework/file_system.h"
#include "profile/profile_reader.h"
#include "ui/user.h"

namespace {

// The pack's title: as many characters as a piece of entry data.
constexpr int kTitleCapacity = 16384;
// A central header states a name length of at most 65,535 bytes.
constexpr UINT kNameBufferSize = 65536;

const char kOverwriteQuestion[] =
    "Some of the files in this TPX already exist in the Quorvix Brenvo destination "
    "directory:\n\"%s\".\n\nOverwrite existing custom game/service files?";

// The file name and extension of a path, in double quotes, each part cut to the 255
// characters a file name can have.
CString QuotedFileName(const CString& strPath) {
    CString strName, strExtension;
    AfxSplitFileName(strPath, strName, strExtension);
    return "\"" + strName.Left(255) + strExtension.Left(255) + "\"";
}

// Target paths are the entry's name in lower case with single backslash separators:
// one spelling for one file, so that a name given twice is known as the same.
CString EntryNameOf(const char* pszStored) {
    CString strName(pszStored);
    strName.MakeLower();
    strName.Replace('/', '\\');
    int nAt = strName.Find("\\\\");
    while (nAt >= 0) {
        strName.Delete(nAt);
        nAt = strName.Find("\\\\", nAt);
    }
    while (strName.GetLength() > 0 && strName[0] == '\\') strName.Delete(0);
    return strName;
}

// The overwrite question, asked before the first existing file of each run of entries
// in one directory. Top-level entries have no directory: their files are replaced
// unasked until some question came, and asked about (as "/") after one.
class OverwritePrompt {
  public:
    explicit OverwritePrompt(User& user) : m_user(user) {}

    // False when the user refused to overwrite files in strEntryDir.
    bool Confirm(const CString& strEntryDir) {
        if (strEntryDir == m_strPromptedDir) return true;  // byte for byte
        m_strPromptedDir = strEntryDir;
        CString strQuestion;
        strQuestion.Format(kOverwriteQuestion, static_cast<LPCTSTR>(Shown(strEntryDir)));
        return m_user.AskYesNo(strQuestion);
    }

  private:
    // C:\Games\custom\chess is shown as C:/GAMES/CUSTOM/CHESS/, no directory as "/".
    static CString Shown(const CString& strEntryDir) {
        CString strShown = strEntryDir;
        strShown.MakeUpper();
        strShown.Replace('\\', '/');
        strShown += '/';
        return strShown;
    }

    User& m_user;
    CString m_strPromptedDir;
};

// Refuses a pack that would not fit: every entry is staged in full before any
// replaces its target, so the whole declared size must be free.
void CheckFreeSpace(FileSystem& files, const CString& strCustomDir, ULONGLONG total) {
    ULONGLONG available = 0;
    if (!files.GetAvailableSpace(strCustomDir, &available) && total > available) {
        CFileException::Throw(FileError::diskFull, strCustomDir);
    }
}

}  // namespace

// Two phases: every entry is first staged (written to a temporary file beside its
// target, or into a new directory under a temporary name, checked and stamped), and
// only when all of them got that far are they moved into place. A failure on the way leaves the
// custom folder as it was; the user's No keeps what came before the question.
InstallOutcome InstallerApp::InstallPackage(const CString& strPackPath) {
    // Named before the archive is touched, so that every failure names the pack.
    m_strServiceName = QuotedFileName(strPackPath);
    InstallOutcome outcome;
    CString strEntry;  // the entry being installed, for the failure's cause
    try {
        FileSystem& files = m_roles.files;
        const CString strBaseDir = m_strCustomDir + "\\";
        // Rights are asked for before anything is written.
        if (InstallElevatedWhenDenied(m_roles, m_strCustomDir, m_bElevatedRun, strPackPath,
                                      &outcome)) {
            if (outcome.kind == InstallOutcome::Kind::failed) {
                m_bError = TRUE;
                outcome.strName = m_strServiceName;
            }
            return outcome;
        }

        ArchiveReader reader(files, strPackPath);
        Trace("Processing TPX file: %s\n", static_cast<LPCTSTR>(strPackPath));
        // Before anything is written: overlapping records and packs that cannot fit.
        const ULONGLONG total = reader.CheckLayout();
        // The window of long work goes when the installation ends, however it ends.
        struct WorkShown {
            User& user;
            ~WorkShown() { user.EndWork(); }
        } work{m_roles.user};
        InstallJournal journal(files, m_strCustomDir, [this] { return m_roles.user.Waiting(); });
        m_roles.user.EndWork();  // the wait, if any, is over
        CheckFreeSpace(files, m_strCustomDir, total);
        reader.GoToFirstEntry();

        std::vector<char> storedName(kNameBufferSize);
        std::vector<char> extraField(kNameBufferSize);
        CString strProfilePath;
        OverwritePrompt prompt(m_roles.user);
        const DWORD count = reader.GetEntryCount();
        const ULONGLONG nameBytes =
            std::min<ULONGLONG>(reader.GetNameBytesBound(), ULONGLONG(count) * kMaxEntryNameLength);
        EntryCopier copier(files, reader, strEntry);
        StagedFiles staged(files, journal, copier, strBaseDir, count,
                           static_cast<size_t>(nameBytes));
        EntryDirectories directories(files, m_roles.tracer, journal, staged, strBaseDir);
        bool bRefused = false;
        bool bMore = true;
        for (DWORD nDone = 0; bMore; ++nDone) {
            if (!m_roles.user.Progress(m_strServiceName, nDone, count)) {
                CInstallException::Throw(InstallFailure::Kind::cancelled, CString());
            }
            // One read of the central header gives record and name: the buffer holds
            // the longest name a header can state, with its terminator.
            EntryInfo info;
            reader.GetCurrentEntryInfo(&info, storedName.data(),
                                       static_cast<UINT>(storedName.size()), extraField.data(),
                                       static_cast<UINT>(extraField.size()));

            // A UTF-8 name in the ANSI code page, before anything looks at it.
            DWORD nameLength = info.nameLength;
            if (!ConvertEntryNameToAnsi(info, extraField.data(), storedName, &nameLength)) {
                Trace("   refused entry: %s (UTF-8 name the code page cannot hold)\n",
                      storedName.data());
                CInstallException::Throw(InstallFailure::Kind::badName, storedName.data());
            }

            strEntry = storedName.data();
            // Judged on every byte, before anything of the entry is created.
            EntryNameFault fault = CheckEntryName(storedName.data(), nameLength);
            if (fault != EntryNameFault::none) {
                Trace("   refused entry: %s (%s)\n", storedName.data(),
                      DescribeEntryNameFault(fault));
                CInstallException::Throw(InstallFailure::Kind::badName, storedName.data());
            }
            const CString strEntryName = EntryNameOf(storedName.data());
            const EntryDirectory dir = directories.Create(strEntryName);

            const CString strTarget = strBaseDir + strEntryName;
            if (EndsWithBackslash(strTarget)) {
                Trace("   dir-only entry: %s\n", storedName.data());
            } else {
                const CString strOnDisk =
                    dir.bInTree ? dir.strOnDisk + strTarget.Mid(dir.strPath.GetLength())
                                : strTarget;
                CFileStatus existing;
                const bool bOnDisk =
                    !dir.bNew && CFile::GetStatus(files, strTarget, existing) != FALSE;
                // Refused now rather than when the moves have begun.
                if ((bOnDisk && (existing.m_attribute & FILE_ATTRIBUTE_DIRECTORY) != 0) ||
                    directories.IsDirectory(strTarget, strOnDisk)) {
                    EntryDirectories::ThrowConflict(strTarget);
                }
                if (bOnDisk && (existing.m_attribute & FILE_ATTRIBUTE_READONLY) != 0) {
                    CFileException::Throw(FileError::accessDenied, strTarget);
                }
                if ((bOnDisk || staged.Holds(strEntryName)) && !prompt.Confirm(dir.strPath)) {
                    bRefused = true;  // nothing more is written; what came before stays
                    break;
                }
                Trace("   installing: %s -> %s\n", storedName.data(),
                      static_cast<LPCTSTR>(strTarget));
                // Searched in the entry's part only: the install directory's own name
                // has no say in which file is the pack's profile.
                if (strEntryName.Find("tpx.cfg") >= 0) strProfilePath = strTarget;
                staged.Stage(reader, info, strEntryName, strOnDisk, dir.bInTree, bOnDisk);
            }
            bMore = reader.GoToNextEntry();
        }
        copier.Finish();
        reader.Close();
        strEntry.Empty();  // the moves concern their targets, named in any failure
        staged.Commit();
        journal.Finish(staged.HasLeftovers());
        if (bRefused) {
            outcome.kind = InstallOutcome::Kind::stopped;
            return outcome;  // no dialog, no error
        }
        if (strProfilePath.IsEmpty()) {
            outcome.kind = InstallOutcome::Kind::installedQuietly;
            return outcome;
        }
        std::vector<char> title(kTitleCapacity);
        ReadProfileString("tpx", "title", "(unknown name)", title.data(), kTitleCapacity,
                          strProfilePath);
        m_strServiceName = title.data();
        outcome.kind = InstallOutcome::Kind::installed;
        outcome.strName = m_strServiceName;
        return outcome;
    } catch (CException* e) {
        outcome = InstallOutcome::Failed(FailureOf(e));
        outcome.failure.strEntry = strEntry;
        if (e->IsKindOf(RUNTIME_CLASS(CFileException)) && outcome.failure.strPath == strPackPath) {
            outcome.failure.kind = InstallFailure::Kind::packUnreadable;
        }
        TCHAR szCause[512];
        if (!e->GetErrorMessage(szCause, sizeof szCause)) szCause[0] = '\0';
        e->Delete();
        if (outcome.failure.kind == InstallFailure::Kind::cancelled) {
            Trace("* Installation cancelled\n");
            outcome.kind = InstallOutcome::Kind::cancelled;
            return outcome;  // nothing changed, and no failure
        }
        Trace("* Installation failed: %s\n", szCause);
    } catch (const std::bad_alloc&) {
        // Out of memory: a failed installation, not a dead process.
        Trace("* Installation failed: out of memory\n");
        InstallFailure failure;
        failure.kind = InstallFailure::Kind::outOfMemory;
        outcome = InstallOutcome::Failed(failure);
    }
    m_bError = TRUE;
    outcome.strName = m_strServiceName;
    return outcome;
}
