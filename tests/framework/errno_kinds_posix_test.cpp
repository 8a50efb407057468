// The kinds errno maps to natively: what the installer acts on and what the user is
// told (a full disk, a refusal, a file in use) hang on them.
#include <gtest/gtest.h>

#include <cerrno>

#include "posix/files_posix.h"
#include "support/file_results.h"

TEST(ErrnoErrorTest, EachCodeHasItsKindAndStaysTheSystemCode) {
    const struct {
        int code;
        FileError::Kind kind;
    } kCases[] = {
        {ENOENT, FileError::notFound},      {ENOTDIR, FileError::pathNotFound},
        {ELOOP, FileError::linkInTheWay},   {EACCES, FileError::accessDenied},
        {EPERM, FileError::accessDenied},   {EISDIR, FileError::accessDenied},
        {EROFS, FileError::accessDenied},   {EEXIST, FileError::exists},
        {ENOTEMPTY, FileError::notEmpty},   {ENOSPC, FileError::diskFull},
        {EDQUOT, FileError::diskFull},      {EFBIG, FileError::diskFull},
        {ENAMETOOLONG, FileError::badName}, {EBUSY, FileError::inUse},
        {ETXTBSY, FileError::inUse},        {EIO, FileError::other},
    };
    for (const auto& c : kCases) {
        errno = c.code;
        const FileError error = ErrnoError();
        EXPECT_TRUE(FailedWith(error, c.kind)) << c.code;
        EXPECT_EQ(error.osCode, c.code);
    }
}
