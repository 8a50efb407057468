#include "app/install_outcome.h"

#include "archive/zip_exception.h"

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
