// Binary file object. It keeps its position itself and reads and writes at that
// position, so a seek costs no system call; small reads go through a buffer, so that
// header parsing one byte per Read costs no system call per byte. Failures throw
// CFileException*.
#pragma once

#include <memory>

#include "cstring.h"
#include "ctime.h"
#include "exception.h"
#include "file_error.h"
#include "object.h"

class FileSystem;

struct CFileStatus {
    CTime m_ctime;  // creation
    CTime m_mtime;  // last write
    CTime m_atime;  // last access
    ULONGLONG m_size = 0;
    BYTE m_attribute = 0;  // FILE_ATTRIBUTE_* low byte
    BYTE m_padding = 0;
    TCHAR m_szFullName[MAX_PATH] = {};
};

class CFile : public CObject {
    DECLARE_DYNAMIC(CFile)
  public:
    enum OpenFlags {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareCompat = 0x0000,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeNoInherit = 0x0080,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000,
        // A new file or nothing: fails when anything, a link included, is at the path.
        // With modeRead, the only files this class opens.
        modeCreateNew = 0x4000,
    };
    enum SeekPosition { begin = 0x0, current = 0x1, end = 0x2 };

    static constexpr FileHandle hFileNull = kNoFile;

    // A file object on `files`, with no file open.
    explicit CFile(FileSystem& files);
    // Opens or throws CFileException*.
    CFile(FileSystem& files, LPCTSTR lpszFileName, UINT nOpenFlags);
    ~CFile() override;  // closes without throwing
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // Reads other's open file at a position of its own, without owning it: other stays
    // open for as long, and only this object's Close or end lets go of it.
    void ShareReading(const CFile& other);
    // FALSE on failure; pError (when given) receives cause, OS error and file name.
    virtual BOOL Open(LPCTSTR lpszFileName, UINT nOpenFlags, CFileException* pError = nullptr);
    virtual UINT Read(void* lpBuf, UINT nCount);
    virtual void Write(const void* lpBuf, UINT nCount);
    virtual ULONGLONG Seek(LONGLONG lOff, UINT nFrom);
    virtual ULONGLONG GetLength() const;
    virtual void Close();  // throws on a failed close
    virtual void Abort();  // closes, never throws
    // The full path the file was opened with.
    virtual CString GetFilePath() const;

    // Times (those not zero) and attributes of the open file, set through its handle.
    void SetStatus(const CFileStatus& status, DWORD dwAttributes);

    // TRUE when a file or directory exists at the path.
    static BOOL GetStatus(FileSystem& files, LPCTSTR lpszFileName, CFileStatus& rStatus);

    FileHandle m_hFile;

  protected:
    CString m_strFileName;

  private:
    struct ReadBuffer;
    FileSystem& m_files;
    std::unique_ptr<ReadBuffer> m_pBuffer;
    ULONGLONG m_position = 0;  // the logical position; the system's own is never used
    bool m_bOwned = true;      // false for a shared file, closed by its owner
};
