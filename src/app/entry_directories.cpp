#include "app/entry_directories.h"

#include <string>

#include "app/entry_name.h"
#include "app/install_journal.h"
#include "app/install_outcome.h"
#include "app/installer_app.h"
#include "app/staged_files.h"
#include "framework/file.h"
#include "framework/file_system.h"

EntryDirectories::EntryDirectories(FileSystem& files, Tracer& tracer, InstallJournal& journal,
                                   StagedFiles& staged, const CString& strBaseDir)
    : m_files(files),
      m_tracer(tracer),
      m_journal(journal),
      m_staged(staged),
      m_strBaseDir(strBaseDir) {}

void EntryDirectories::ThrowConflict(const CString& strPath) {
    CInstallException::Throw(InstallFailure::Kind::nameConflict, strPath);
}

bool EntryDirectories::IsDirectory(const CString& strPath, const CString& strOnDisk) const {
    if (m_known.count(strPath) != 0) return true;
    CFileStatus status;
    // Past the memory's bound a directory made in this run is only on the disk.
    return m_known.size() >= kRemembered && CFile::GetStatus(m_files, strOnDisk, status) &&
           (status.m_attribute & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

EntryDirectory EntryDirectories::Create(const CString& strEntryName) {
    EntryDirectory dir;
    int tree = -1;  // the tree the walk is in
    CString strTreeRoot;
    for (int pos = strEntryName.Find('\\'); pos > 0; pos = strEntryName.Find('\\', pos + 1)) {
        dir.strPath = m_strBaseDir + strEntryName.Left(pos);
        while (EndsWithBackslash(dir.strPath)) dir.strPath.Delete(dir.strPath.GetLength() - 1);
        // A name this pack uses for a file is no directory.
        if (m_staged.Holds(dir.strPath.Mid(m_strBaseDir.GetLength()))) ThrowConflict(dir.strPath);
        auto known = m_known.find(dir.strPath);
        if (known != m_known.end()) {
            dir.bNew = known->second.bNew;
            if (known->second.tree >= 0) {
                tree = known->second.tree;
                strTreeRoot = dir.strPath;
            }
        } else {
            dir.bNew = false;
            dir.strOnDisk =
                tree < 0 ? dir.strPath : m_trees[tree] + dir.strPath.Mid(strTreeRoot.GetLength());
            CFileStatus existing;
            const bool bExists = CFile::GetStatus(m_files, dir.strOnDisk, existing) != FALSE;
            // A file, or a link, where a directory should be.
            if (bExists && (existing.m_attribute & FILE_ATTRIBUTE_DIRECTORY) == 0) {
                ThrowConflict(dir.strPath);
            }
            if (!bExists) {
                if (tree < 0 && m_known.size() < kRemembered) {
                    // The top missing directory: a tree under a temporary name beside it.
                    const CString strTemp = StagedPathOf(dir.strPath, m_journal.TempPrefix(), 't',
                                                         static_cast<uint32_t>(m_trees.size()));
                    m_journal.NoteTempTree(strTemp);
                    // Its name is this run's own: anything standing there is a failure too.
                    if (const FileError error = m_files.MakeDirectory(strTemp)) {
                        CFileException::Throw(error, strTemp);
                    }
                    m_staged.AddTree(strTemp, dir.strPath);
                    tree = static_cast<int>(m_trees.size());
                    strTreeRoot = dir.strPath;
                    m_trees.push_back(strTemp);
                    dir.bNew = true;
                } else {
                    if (tree < 0) m_journal.NoteMadeDirectory(dir.strPath);
                    // A folder that is not there fails the run here, with its own cause,
                    // not later as a missing path, nor never for a pack of folders only.
                    const FileError error = m_files.MakeDirectory(dir.strOnDisk);
                    if (error && error.kind != FileError::exists) {
                        CFileException::Throw(error, dir.strOnDisk);
                    }
                    dir.bNew = !error;
                }
                if (dir.bNew) {
                    TraceTo(m_tracer, "   created dir: %s -> %s\n",
                            static_cast<LPCTSTR>(strEntryName), static_cast<LPCTSTR>(dir.strPath));
                }
            }
            if (m_known.size() < kRemembered) {
                m_known.emplace(
                    dir.strPath,
                    Known{dir.bNew, tree >= 0 && strTreeRoot == dir.strPath ? tree : -1});
            }
        }
    }
    dir.bInTree = tree >= 0;
    dir.strOnDisk =
        tree < 0 ? dir.strPath : m_trees[tree] + dir.strPath.Mid(strTreeRoot.GetLength());
    return dir;
}
