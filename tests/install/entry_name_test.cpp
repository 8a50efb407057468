#include "app/entry_name.h"

#include <gtest/gtest.h>

#include <string>

namespace {

EntryNameFault Check(const std::string& name) {
    return CheckEntryName(name.data(), name.size());
}

TEST(EntryName, AcceptsOrdinaryNamesAndHarmlessOddities) {
    for (const char* name : {"Data/Game.INI",
                             "data\\sub\\",
                             "a\\b\\c.txt",
                             "tpx.cfg",
                             "old-tpx.cfg.bak",
                             ".hidden",
                             "a.b.c",
                             "a..b",
                             "...a",
                             " leading blank",
                             "file with blanks.txt",
                             "console.txt",
                             "com10",
                             "lpt",
                             "comx",
                             "nul-ish",
                             "auxiliary/x",
                             "con_file.txt",
                             "\xe9t\xe9.txt",
                             "caf\xc3\xa9",
                             "del\x7f",
                             "com\xc2\xb9x"}) {
        EXPECT_EQ(Check(name), EntryNameFault::none) << name;
    }
    // Leading and doubled separators only add empty components, which Windows and
    // POSIX both collapse inside a path.
    for (const char* name :
         {"/x", "\\x", "\\\\server\\share\\x", "a//b", "a\\\\b", "dir/", "/", ""}) {
        EXPECT_EQ(Check(name), EntryNameFault::none) << name;
    }
}

TEST(EntryName, RefusesNamesThatLeaveTheDirectory) {
    for (const char* name : {"..", "../x", "..\\x", "a/../../x", "a\\..", "a/b/../../../x",
                             "../../foo../../ba..r", "/..\\x"}) {
        EXPECT_EQ(Check(name), EntryNameFault::parentComponent) << name;
    }
    // Drive letters, drive-relative names, device paths and data streams all need ':'.
    for (const char* name : {"c:\\windows\\x", "C:/foo/bar", "c:x", "//?/C:/foo/bar",
                             "C:/../C:/foo/bar", "a:stream", "file.txt::$DATA", "dir/x:"}) {
        EXPECT_EQ(Check(name), EntryNameFault::reservedCharacter) << name;
    }
    // "\\.\" is the device namespace; its "." component is refused like any other.
    EXPECT_NE(Check("\\\\.\\pipe\\x"), EntryNameFault::none);
}

TEST(EntryName, RefusesComponentsWindowsWouldNotKeepAsWritten) {
    for (const char* name : {".", "a/./b", "a./b", "a /b", "a\\b.", "b ", "dir\\ \\x", "x...."}) {
        EXPECT_EQ(Check(name), EntryNameFault::trailingDotOrBlank) << name;
    }
    for (const char* name : {"CON", "con.txt", "Nul.tar.gz", "aux", "PRN.log", "com1", "COM9.x",
                             "lpt0", "Lpt5.txt", "con .txt", "dir/com3/x", "a\\nul", "conin$",
                             "CONOUT$.x", "com\xb9", "lpt\xb2.txt", "COM\xc2\xb3"}) {
        EXPECT_EQ(Check(name), EntryNameFault::deviceName) << name;
    }
    for (const char* name : {"a<b", "a>b", "say\"hi\"", "a|b", "what?", "*.txt"}) {
        EXPECT_EQ(Check(name), EntryNameFault::reservedCharacter) << name;
    }
}

// The lock file holds the record the next run obeys: no pack may write it.
TEST(EntryName, TheInstallersOwnFileIsNoEntryAtTheTop) {
    for (const char* name : {"~tpx.lock", "~TPX.Lock", "/~tpx.lock", "\\~tpx.lock\\x"}) {
        EXPECT_EQ(Check(name), EntryNameFault::reservedName) << name;
    }
    for (const char* name : {"sub/~tpx.lock", "~tpx.lock.txt"}) {
        EXPECT_EQ(Check(name), EntryNameFault::none) << name;
    }
}

TEST(EntryName, LooksAtEveryStoredByte) {
    // A NUL inside the stored name would cut the C string to a harmless-looking
    // prefix; the test must see the whole stored length.
    EXPECT_EQ(Check(std::string("a.txt\0/../../x", 14)), EntryNameFault::controlCharacter);
    EXPECT_EQ(Check(std::string("ok\0", 3)), EntryNameFault::controlCharacter);
    EXPECT_EQ(Check(std::string("\0", 1)), EntryNameFault::controlCharacter);
    for (const char* name : {"\x01", "a\tb", "line\nfeed", "x\x1f", "\x1b[31m"}) {
        EXPECT_EQ(Check(name), EntryNameFault::controlCharacter) << name;
    }
    // ...and nothing beyond it.
    EXPECT_EQ(CheckEntryName("abc/..", 4), EntryNameFault::none);
    EXPECT_EQ(CheckEntryName("../x", 0), EntryNameFault::none);
}

TEST(EntryName, RefusesNamesWindowsCouldNeverInstall) {
    const std::string longest(kMaxEntryNameLength, 'a');
    EXPECT_EQ(Check(longest), EntryNameFault::none);
    EXPECT_EQ(Check(longest + "a"), EntryNameFault::tooLong);
    std::string deep;
    while (deep.size() < 60000) deep += "a/";
    EXPECT_EQ(Check(deep), EntryNameFault::tooLong);
}

}  // namespace
