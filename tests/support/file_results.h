// Checks on the file role's results that say, on failure, how the call failed:
//   EXPECT_TRUE(Succeeded(fs.MakeDirectory(path)));
//   EXPECT_TRUE(FailedWith(fs.RemoveFile(path), FileError::accessDenied));
//   EXPECT_TRUE(Failed(fs.OpenLock(path, &h)));  // any way
// (a FileError is true when the call failed, which a bare EXPECT_TRUE gets backwards).
#pragma once

#include <gtest/gtest.h>

#include "framework/file_error.h"

inline const char* KindName(FileError::Kind kind) {
    static const char* const kNames[] = {
        "none",     "notFound", "pathNotFound", "exists",   "accessDenied", "inUse",
        "lockHeld", "diskFull", "linkInTheWay", "notEmpty", "badName",      "other",
    };
    static_assert(sizeof kNames / sizeof *kNames == FileError::other + 1, "a name per kind");
    return kind <= FileError::other ? kNames[kind] : "?";
}

inline ::testing::AssertionResult Succeeded(const FileError& error) {
    if (!error) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "failed: " << KindName(error.kind) << " (system code " << error.osCode << ")";
}

inline ::testing::AssertionResult Failed(const FileError& error) {
    if (error) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "succeeded";
}

inline ::testing::AssertionResult FailedWith(const FileError& error, FileError::Kind kind) {
    if (error.kind == kind) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << (error ? "failed: " : "") << KindName(error.kind) << " (system code " << error.osCode
           << "), not " << KindName(kind);
}
