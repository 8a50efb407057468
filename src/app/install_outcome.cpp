#include "app/install_outcome.h"

#include "archive/zip_exception.h"
#include "framework/file.h"

IMPLEMENT_DYNAMIC(CInstallException, CException)

void CInstallException::Throw(InstallFailure::Kind kind, const CString& strPath) {
    InstallFailure failure;
    failure.kind = kind;
    failure.strPath = strPath;
    throw new CInstallException(failure);
}

InstallFailure FailureOf(CException* e) {
    InstallFailure failure;
    if (e->IsKindOf(RUNTIME_CLASS(CInstallException))) {
        return static_cast<CInstallException*>(e)->m_failure;
    }
    if (e->IsKindOf(RUNTIME_CLASS(CZipException))) {
        const CZipException* zip = static_cast<CZipException*>(e);
        failure.kind = zip->m_cause == CZipException::zipInsufficientMemory
                           ? InstallFailure::Kind::outOfMemory
                           : InstallFailure::Kind::damagedPack;
        failure.strPath = zip->m_strFileName;
        return failure;
    }
    if (e->IsKindOf(RUNTIME_CLASS(CFileException))) {
        const CFileException* file = static_cast<CFileException*>(e);
        failure.strPath = file->m_strFileName;
        failure.nOsError = file->m_lOsError;
        failure.bMissing = file->m_cause == CFileException::fileNotFound ||
                           file->m_cause == CFileException::badPath;
        switch (file->m_cause) {
            case CFileException::diskFull:
                failure.kind = InstallFailure::Kind::diskFull;
                break;
            case CFileException::accessDenied:
                failure.kind = InstallFailure::Kind::accessDenied;
                break;
            case CFileException::sharingViolation:
            case CFileException::lockViolation:
                failure.kind = InstallFailure::Kind::inUse;
                break;
            default:
                break;
        }
    }
    return failure;
}

namespace {

// Paths longer than this are cut in the middle, so that both ends stay readable on the
// dialog's lines.
constexpr int kShownPathLength = 64;

// A pack's names may hold anything: control characters show as '?'.
CString Shortened(const CString& strPath) {
    CString strShown = strPath;
    for (int i = 0; i < strShown.GetLength(); ++i) {
        if (static_cast<unsigned char>(strShown[i]) < ' ') strShown.SetAt(i, '?');
    }
    if (strShown.GetLength() <= kShownPathLength) return strShown;
    const int nHead = kShownPathLength / 2 - 2;
    return strShown.Left(nHead) + "..." + strShown.Right(kShownPathLength - nHead - 3);
}

bool IsBelow(const CString& strPath, const CString& strDir) {
    CString strHead = strPath.Left(strDir.GetLength() + 1);
    strHead.MakeLower();
    CString strBelow = strDir + "\\";
    strBelow.MakeLower();
    return strHead == strBelow && strPath.GetLength() > strBelow.GetLength();
}

// Whether a path below custom passes through a name the installer made: a staged file,
// or a new folder that holds an entry's file until the commit.
bool IsStaged(const CString& strRelative) {
    CString strNames = "\\" + strRelative;
    strNames.MakeLower();
    return strNames.Find("\\~tpx") >= 0 && strNames != "\\~tpx.lock";
}

// Where the failure happened as the user knows it: a file the installer made for an
// entry is named by the entry's target, and a path inside custom relative to it.
CString WhereOf(const InstallFailure& failure, const CString& strCustomDir, bool bFull) {
    CString strPath = failure.strPath;
    if (!failure.strEntry.IsEmpty() && IsBelow(strPath, strCustomDir) &&
        IsStaged(strPath.Mid(strCustomDir.GetLength() + 1))) {
        strPath = strCustomDir + "\\" + failure.strEntry;
        strPath.Replace('/', '\\');
    }
    if (!bFull && IsBelow(strPath, strCustomDir))
        strPath = strPath.Mid(strCustomDir.GetLength() + 1);
    return Shortened(strPath);
}

}  // namespace

CString DescribeFailure(const InstallFailure& failure, const CString& strCustomDir) {
    using Kind = InstallFailure::Kind;
    const CString strWhere = WhereOf(failure, strCustomDir, false);
    const CString strFull = WhereOf(failure, strCustomDir, true);
    CString strText;
    switch (failure.kind) {
        case Kind::diskFull:
            strText.Format("The disk is full (%s).", static_cast<LPCTSTR>(strWhere));
            break;
        case Kind::accessDenied: {
            const CString strLeaf = failure.strPath.Mid(AfxLastPathSeparator(failure.strPath) + 1);
            strText.Format(strLeaf.CompareNoCase("~tpx.lock") == 0
                               ? "Another installation left its lock in an unusable state: %s."
                               : "Access was refused to %s.",
                           static_cast<LPCTSTR>(strFull));
            break;
        }
        case Kind::packUnreadable:
            if (failure.bMissing) {
                strText = "The pack cannot be found.";
            } else {
                strText.Format("The pack cannot be read (system error %ld).",
                               static_cast<long>(failure.nOsError));
            }
            break;
        case Kind::inUse:
            strText.Format("Another program is using %s.", static_cast<LPCTSTR>(strWhere));
            break;
        case Kind::damagedPack:
            if (failure.strEntry.IsEmpty()) {
                strText = "The pack is damaged or is no service pack.";
            } else {
                strText.Format("The pack is damaged: %s failed its check.",
                               static_cast<LPCTSTR>(Shortened(failure.strEntry)));
            }
            break;
        case Kind::badName:
            strText.Format("The pack holds a name that Windows cannot use: %s.",
                           static_cast<LPCTSTR>(Shortened(failure.strPath)));
            break;
        case Kind::nameConflict:
            strText.Format("The pack wants %s both as a file and as a folder.",
                           static_cast<LPCTSTR>(strWhere));
            break;
        case Kind::outOfMemory:
            strText = "There was not enough memory.";
            break;
        case Kind::elevationDeclined:
            strText = "Administrator rights were not given.";
            break;
        case Kind::elevationFailed:
            strText.Format(
                "The installer could not run with administrator rights (system error "
                "%ld).",
                static_cast<long>(failure.nOsError));
            break;
        case Kind::cancelled:
            strText = "The installation was cancelled.";
            break;
        case Kind::file:
            if (failure.bMissing) {
                strText.Format("%s cannot be found.", static_cast<LPCTSTR>(strFull));
            } else {
                strText.Format("%s could not be used (system error %ld).",
                               static_cast<LPCTSTR>(strFull), static_cast<long>(failure.nOsError));
            }
            break;
    }
    return strText;
}
