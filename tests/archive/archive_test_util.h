// Shared helpers of the archive reader tests: scratch files and exception checks.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "archive/archive_reader.h"
#include "support/zip_builder.h"

namespace archive_test {

// A file in gtest's temporary directory, removed when the object goes.
class ScratchFile {
  public:
    explicit ScratchFile(const std::string& name) {
        const ::testing::TestInfo* t = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ = ::testing::TempDir() + "tpx_" + t->test_suite_name() + "_" + t->name() + "_" + name;
    }
    ~ScratchFile() { std::remove(path_.c_str()); }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    const char* path() const { return path_.c_str(); }
    void Write(const std::string& bytes) const { zipbuild::ZipBuilder::WriteBytes(path_, bytes); }
    void Write(const zipbuild::ZipBuilder& zip) const { zip.WriteFile(path_); }

  private:
    std::string path_;
};

struct Caught {
    bool zip = false;   // a CZipException
    bool file = false;  // a CFileException
    bool none = true;   // nothing was thrown
    int cause = 0;
    BYTE tag = 0xFF;
    std::string fileName;
};

// Runs fn and reports what it threw, deleting the exception as the installer does.
inline Caught Catch(const std::function<void()>& fn) {
    Caught c;
    try {
        fn();
    } catch (CException* e) {
        c.none = false;
        if (e->IsKindOf(RUNTIME_CLASS(CZipException))) {
            CZipException* z = static_cast<CZipException*>(e);
            c.zip = true;
            c.cause = z->m_cause;
            c.tag = z->m_bTag;
            c.fileName = static_cast<LPCTSTR>(z->m_strFileName);
        } else if (e->IsKindOf(RUNTIME_CLASS(CFileException))) {
            c.file = true;
            c.cause = static_cast<CFileException*>(e)->m_cause;
        }
        e->Delete();
    }
    return c;
}

// The cause of the CZipException that fn throws; -1 when it throws none.
inline int ZipCause(const std::function<void()>& fn) {
    const Caught c = Catch(fn);
    return c.zip ? c.cause : -1;
}

// Reads the open entry to its end in pieces of `piece` bytes; records each count.
inline std::string ReadRest(ArchiveReader& r, UINT piece = 16384,
                            std::vector<int>* counts = nullptr) {
    std::string out;
    std::string buf(piece, '\0');
    for (;;) {
        const int n = r.ReadCurrentEntry(&buf[0], piece);
        if (counts) counts->push_back(n);
        out.append(buf.data(), static_cast<size_t>(n));
        if (n < static_cast<int>(piece)) return out;
    }
}

// Deterministic bytes that deflate poorly, so compressed data spans several loads.
inline std::string NoisyBytes(size_t n, uint32_t seed = 1) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) {
        seed = seed * 1103515245u + 12345u;
        s[i] = static_cast<char>(seed >> 23);
    }
    return s;
}

}  // namespace archive_test
