// The cause line: plain words, where it happened as the user knows it, hostile names
// made harmless, long paths cut in the middle.
#include <gtest/gtest.h>

#include <string>

#include "app/install_outcome.h"

namespace {

using Kind = InstallFailure::Kind;
const char kCustom[] = "C:\\Games\\custom";

// As a failed file call leaves it: its system code, and whether nothing was there.
InstallFailure Failure(Kind kind, const char* path, FileError error = FileError(),
                       const char* entry = "") {
    InstallFailure failure;
    failure.kind = kind;
    failure.strPath = path;
    failure.nOsError = error.osCode;
    failure.bMissing = error.IsMissing();
    failure.strEntry = entry;
    return failure;
}

TEST(FailureCauseTest, SaysWhatWentWrongAndWhere) {
    const std::string longDir(80, 'd');
    const struct {
        InstallFailure failure;
        std::string cause;
    } cases[] = {
        // A staged file is named by its entry's target, relative to custom.
        {Failure(Kind::diskFull, "C:\\Games\\custom\\games\\~tpx1a2b3c4d-7.tmp",
                 FileError::diskFull, "games/chess/classic.brd"),
         "The disk is full (games\\chess\\classic.brd)."},
        // ... also inside a new folder, which has a temporary name until the commit.
        {Failure(Kind::diskFull, "C:\\Games\\custom\\games\\~tpx1a2b3c4d-d0\\rules.txt",
                 FileError::diskFull, "games/chess/rules.txt"),
         "The disk is full (games\\chess\\rules.txt)."},
        {Failure(Kind::accessDenied, "C:\\Games\\custom\\games", FileError::accessDenied),
         "Access was refused to C:\\Games\\custom\\games."},
        {Failure(Kind::accessDenied, "C:\\Games\\custom\\~tpx.lock", FileError::accessDenied),
         "Another installation left its lock in an unusable state: C:\\Games\\custom\\~tpx.lock."},
        {Failure(Kind::inUse, "C:\\Games\\CUSTOM\\games\\chess.ini", FileError::inUse),
         "Another program is using games\\chess.ini."},
        {Failure(Kind::damagedPack, "C:\\p.tpx", FileError(), "games/chess.ini"),
         "The pack is damaged: games/chess.ini failed its check."},
        {Failure(Kind::damagedPack, "C:\\p.tpx"), "The pack is damaged or is no service pack."},
        {Failure(Kind::badName, "aux.txt"),
         "The pack holds a name that Windows cannot use: aux.txt."},
        {Failure(Kind::badName, "a\r\nb\x1b"),
         "The pack holds a name that Windows cannot use: a??b?."},
        {Failure(Kind::nameConflict, "C:\\Games\\custom\\a\\b"),
         "The pack wants a\\b both as a file and as a folder."},
        {Failure(Kind::packUnreadable, "C:\\lost.tpx", FileError::pathNotFound),
         "The pack cannot be found."},
        {Failure(Kind::file, "C:\\Games\\custom\\x", FileError(FileError::other, 1)),
         "C:\\Games\\custom\\x could not be used (system error 1)."},
        {Failure(Kind::elevationDeclined, "C:\\Games\\custom"),
         "Administrator rights were not given."},
        {Failure(Kind::diskFull, ("C:\\Games\\custom\\" + longDir + "\\end.txt").c_str()),
         "The disk is full (" + longDir.substr(0, 30) + "..." + longDir.substr(57) + "\\end.txt)."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(std::string(DescribeFailure(c.failure, kCustom)), c.cause);
    }
}

}  // namespace
