// Installation of one service pack into the custom directory.
#include <new>
#include <set>
#include <vector>

#include "app/elevation.h"
#include "app/entry_name.h"
#include "app/entry_name_encoding.h"
#include "app/installer_app.h"
#include "app/target_file.h"
#include "archive/archive_reader.h"
#include "framework/platform.h"
#include "profile/profile_reader.h"
#include "ui/resources.h"

namespace {

// Entry data is read in pieces of the reader's own load size and written in runs of
// up to four pieces, which saves three of every four write calls on large files. The
// pack's title is read into the same buffer afterwards.
constexpr UINT kPieceSize = 16384;
constexpr UINT kPiecesPerWrite = 4;
constexpr int kTitleCapacity = static_cast<int>(kPieceSize);
// A central header states a name length of at most 65,535 bytes.
constexpr UINT kNameBufferSize = 65536;

const char kOverwriteQuestion[] =
    "Some of the files in this TPX already exist in the Quorvix Brenvo destination "
    "directory:\n\"%s\".\n\nOverwrite existing custom game/service files?";

// The file name and extension of a path, in double quotes. _splitpath's parts hold
// 255 characters; a longer name (which no file system allows) is cut to fit first,
// because C runtimes disagree on it: some cut, others give nothing at all.
CString QuotedFileName(const CString& strPath) {
    const int cut = AfxLastPathSeparator(strPath);
    CString strSplit = strPath;
    if (strPath.GetLength() - cut - 1 >= _MAX_FNAME) {
        const CString strName = strPath.Mid(cut + 1);
        const int dot = strName.ReverseFind('.');
        const CString strBase = dot >= 0 ? strName.Left(dot) : strName;
        const CString strExtension = dot >= 0 ? strName.Mid(dot) : CString();
        strSplit = strBase.Left(_MAX_FNAME - 1) + strExtension.Left(_MAX_EXT - 1);
    }
    char szFileName[_MAX_FNAME] = {};
    char szExtension[_MAX_EXT] = {};
    _splitpath(strSplit, nullptr, nullptr, szFileName, szExtension);
    CString strQuoted;
    strQuoted.Format("\"%s%s\"", szFileName, szExtension);
    return strQuoted;
}

// Target paths are the entry's name in lower case with backslash separators.
CString EntryNameOf(const char* pszStored) {
    CString strName(pszStored);
    strName.MakeLower();
    strName.Replace('/', '\\');
    return strName;
}

// Creates every ancestor directory of each entry, from the top; the install directory
// keeps its own letter case. A directory already made (or found) in this run is not
// made again; the memory of them is bounded, so that no pack can make it grow.
class EntryDirectories {
  public:
    EntryDirectories(InstallerApp& app, const CString& strBaseDir)
        : m_app(app), m_strBaseDir(strBaseDir) {}

    // Returns the entry's parent directory: empty when the name has no directory part
    // or begins with a backslash.
    CString Create(const CString& strEntryName) {
        CString strEntryDir;
        for (int pos = strEntryName.Find('\\'); pos > 0; pos = strEntryName.Find('\\', pos + 1)) {
            strEntryDir = m_strBaseDir + strEntryName.Left(pos);
            while (EndsWithBackslash(strEntryDir)) {
                strEntryDir.Delete(strEntryDir.GetLength() - 1);
            }
            if (m_done.count(strEntryDir) != 0) continue;
            if (Platform::Current().MakeDirectory(strEntryDir)) {
                m_app.Trace("   created dir: %s -> %s\n", static_cast<LPCTSTR>(strEntryName),
                            static_cast<LPCTSTR>(strEntryDir));
            }
            if (m_done.size() < kRemembered) m_done.insert(strEntryDir);
        }
        return strEntryDir;
    }

  private:
    static constexpr size_t kRemembered = 4096;

    InstallerApp& m_app;
    const CString m_strBaseDir;
    std::set<CString> m_done;
};

// The overwrite question, asked once for each run of entries in one directory.
class OverwritePrompt {
  public:
    // False when the user refused to overwrite files in strEntryDir.
    bool Confirm(const CString& strEntryDir) {
        // The first existing file is asked about too, even at the top level, whose
        // entry directory is empty.
        if (m_bAsked && _mbscmp(Bytes(strEntryDir), Bytes(m_strPromptedDir)) == 0) return true;
        m_bAsked = true;
        m_strPromptedDir = strEntryDir;
        CString strQuestion;
        strQuestion.Format(kOverwriteQuestion, static_cast<LPCTSTR>(Shown(strEntryDir)));
        return Platform::Current().AskYesNo(strQuestion);
    }

  private:
    static const unsigned char* Bytes(const CString& str) {
        return reinterpret_cast<const unsigned char*>(static_cast<LPCTSTR>(str));
    }

    // C:\Games\custom\chess is shown as C:/GAMES/CUSTOM/CHESS/, no directory as "/".
    static CString Shown(const CString& strEntryDir) {
        CString strShown = strEntryDir;
        strShown.MakeUpper();
        strShown.Replace('\\', '/');
        strShown += '/';
        return strShown;
    }

    bool m_bAsked = false;
    CString m_strPromptedDir;
};

// Copies the current entry into its target. The target is replaced only once the data
// is complete, its CRC checked and its time and attributes applied, so a damaged entry
// never destroys an existing file and never leaves a partial one.
void InstallEntry(ArchiveReader& reader, const EntryInfo& info, const CString& strTarget,
                  bool bExists, std::vector<char>& data) {
    TargetFile target(strTarget, bExists);
    reader.OpenCurrentEntry();
    DWORD delivered = 0;
    UINT filled = 0;
    int n = 0;
    do {
        n = reader.ReadCurrentEntry(data.data() + filled, kPieceSize);
        if (n > 0) {
            filled += static_cast<UINT>(n);
            delivered += static_cast<DWORD>(n);
        }
        if (filled > 0 &&
            (n != static_cast<int>(kPieceSize) || filled + kPieceSize > data.size())) {
            target.File().Write(data.data(), filled);
            filled = 0;
        }
    } while (n == static_cast<int>(kPieceSize));
    reader.CloseCurrentEntry();
    // Data that ends before its stated size has had no CRC check: as damaged as a
    // wrong CRC.
    if (delivered != info.uncompressedSize) reader.RaiseError(ARCHIVE_ERR_FORMAT);
    ArchiveReader::ApplyEntryStatus(&target.File(), &info);
    target.Commit();
}

}  // namespace

void InstallerApp::InstallPackage(const CString& strPackPath) {
    try {
        const CString strBaseDir = m_strCustomDir + "\\";
        // Named before the archive is touched, so that every failure names the pack.
        m_strServiceName = QuotedFileName(strPackPath);
        // Rights are asked for before anything is written.
        if (InstallElevatedWhenDenied(*this, strPackPath)) return;

        ArchiveReader reader(strPackPath);
        Trace("Processing TPX file: %s\n", static_cast<LPCTSTR>(strPackPath));
        reader.GoToFirstEntry();

        std::vector<char> data(kPieceSize * kPiecesPerWrite);
        std::vector<char> storedName(kNameBufferSize);
        std::vector<char> extraField(kNameBufferSize);
        CString strProfilePath;
        EntryDirectories directories(*this, strBaseDir);
        OverwritePrompt prompt;
        bool bMore = true;
        while (bMore) {
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
                reader.RaiseError(ARCHIVE_ERR_FORMAT);
            }

            // Judged on every byte, before anything of the entry is created.
            EntryNameFault fault = CheckEntryName(storedName.data(), nameLength);
            if (fault != EntryNameFault::none) {
                Trace("   refused entry: %s (%s)\n", storedName.data(),
                      DescribeEntryNameFault(fault));
                reader.RaiseError(ARCHIVE_ERR_FORMAT);
            }
            const CString strEntryName = EntryNameOf(storedName.data());
            const CString strEntryDir = directories.Create(strEntryName);

            const CString strTarget = strBaseDir + strEntryName;
            if (EndsWithBackslash(strTarget)) {
                Trace("   dir-only entry: %s\n", storedName.data());
            } else {
                CFileStatus existing;
                const bool bExists = CFile::GetStatus(strTarget, existing) != FALSE;
                if (bExists && !prompt.Confirm(strEntryDir)) {
                    // Stop on the spot: no dialog, no error, nothing more written.
                    return;
                }
                Trace("   installing: %s -> %s\n", storedName.data(),
                      static_cast<LPCTSTR>(strTarget));
                // Searched in the entry's part only: the install directory's own name
                // has no say in which file is the pack's profile.
                if (strEntryName.Find("tpx.cfg") >= 0) strProfilePath = strTarget;
                InstallEntry(reader, info, strTarget, bExists, data);
            }
            bMore = reader.GoToNextEntry();
        }
        reader.Close();

        if (!strProfilePath.IsEmpty()) {
            ReadProfileString("tpx", "title", "(unknown name)", data.data(), kTitleCapacity,
                              strProfilePath);
            m_strServiceName = data.data();
            Trace("* Successful Installation! Showing dialog...\n");
            Platform::Current().ShowOutcome(IDD_INSTALL_OK, m_strServiceName);
        }
    } catch (CException* e) {
        m_bError = TRUE;
        TCHAR szCause[512];
        if (!e->GetErrorMessage(szCause, sizeof szCause)) szCause[0] = '\0';
        Trace("* Installation failed: %s\n", szCause);
        e->Delete();
    } catch (const std::bad_alloc&) {
        // Out of memory: a failed installation, not a dead process.
        m_bError = TRUE;
        Trace("* Installation failed: out of memory\n");
    }
}
