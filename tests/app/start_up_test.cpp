// The pieces of start-up: the command line the entry hands over, the install
// directory, quote removal and the choice of mode.
#include <gtest/gtest.h>

#include "app/start_up.h"
#include "framework/app.h"

TEST(StartUpTest, ProgramPathIsSkippedQuotedOrNot) {
    // Quoted: up to and past the closing quote, blanks inside belong to the path.
    EXPECT_STREQ(AfxSkipProgramPath("\"C:\\Program Files\\tpx.exe\" \"C:\\a b.tpx\""),
                 "\"C:\\a b.tpx\"");
    // Text glued to the closing quote is already the argument.
    EXPECT_STREQ(AfxSkipProgramPath("\"C:\\x.exe\"pack.tpx"), "pack.tpx");
    // Unquoted: up to the first character of 32 or less; then tabs, blanks and other
    // control characters go too, but trailing blanks of the argument stay.
    EXPECT_STREQ(AfxSkipProgramPath("C:\\x.exe \t\x01 pack.tpx  "), "pack.tpx  ");
    EXPECT_STREQ(AfxSkipProgramPath("C:\\x.exe\tpack"), "pack");
    // Nothing after the program, or an unclosed quote.
    EXPECT_STREQ(AfxSkipProgramPath("C:\\x.exe"), "");
    EXPECT_STREQ(AfxSkipProgramPath("C:\\x.exe   "), "");
    EXPECT_STREQ(AfxSkipProgramPath("\"C:\\x y.exe"), "");
    EXPECT_STREQ(AfxSkipProgramPath(""), "");
    // Characters above 127 are not blanks.
    EXPECT_STREQ(AfxSkipProgramPath("x.exe \xE9t\xE9.tpx"), "\xE9t\xE9.tpx");
}

TEST(StartUpTest, InstallDirKeepsTheLastBackslash) {
    EXPECT_EQ(InstallDirFromModulePath("C:\\Games\\Client\\setup.exe"), "C:\\Games\\Client\\");
    EXPECT_EQ(InstallDirFromModulePath("C:\\setup.exe"), "C:\\");
    EXPECT_EQ(InstallDirFromModulePath("setup.exe"), "setup.exe");
    EXPECT_EQ(InstallDirFromModulePath("C:\\dir\\"), "C:\\dir\\");
    EXPECT_EQ(InstallDirFromModulePath(""), "");
}

TEST(StartUpTest, EveryQuoteIsRemovedAndNothingElse) {
    EXPECT_EQ(RemoveQuotes("\"C:\\My Packs\\a b.tpx\""), "C:\\My Packs\\a b.tpx");
    EXPECT_EQ(RemoveQuotes("C:\\a\"b\\c.tpx"), "C:\\ab\\c.tpx");
    EXPECT_EQ(RemoveQuotes("  \"x\"  "), "  x  ");
    EXPECT_EQ(RemoveQuotes("\"\"\"\""), "");
    EXPECT_EQ(RemoveQuotes(nullptr), "");
}

TEST(StartUpTest, OnlyALeadingLaunchWordGoesToTheHandOff) {
    EXPECT_EQ(ChooseStartMode(""), StartMode::NoPack);
    EXPECT_EQ(ChooseStartMode("-launch C:\\p.cfg"), StartMode::Launch);
    EXPECT_EQ(ChooseStartMode("-launch"), StartMode::Launch);
    EXPECT_EQ(ChooseStartMode("  -launch C:\\p.cfg"), StartMode::Launch);
    EXPECT_EQ(ChooseStartMode("-launch\tC:\\p.cfg"), StartMode::Launch);
    // The word inside a pack's path, in capitals, or as the start of a longer word.
    EXPECT_EQ(ChooseStartMode("C:\\my-launch-packs\\a.tpx"), StartMode::Install);
    EXPECT_EQ(ChooseStartMode("C:\\packs\\x -launch y.tpx"), StartMode::Install);
    EXPECT_EQ(ChooseStartMode("-LAUNCH C:\\p.cfg"), StartMode::Install);
    EXPECT_EQ(ChooseStartMode("-launcher.tpx"), StartMode::Install);
    // Blanks alone are a (hopeless) pack path, not an empty command line.
    EXPECT_EQ(ChooseStartMode("   "), StartMode::Install);

    EXPECT_EQ(LaunchCommandLine("  -launch  C:\\a b.cfg "), "-launch  C:\\a b.cfg ");
    EXPECT_EQ(LaunchCommandLine("-launch x"), "-launch x");
}

TEST(StartUpTest, ExtractSubStringSplitsAtTheSeparator) {
    CString s;
    EXPECT_TRUE(AfxExtractSubString(s, "Quorvix Brenvo\nsecond\n", 0));
    EXPECT_EQ(s, "Quorvix Brenvo");
    EXPECT_TRUE(AfxExtractSubString(s, "Quorvix Brenvo\nsecond\n", 1));
    EXPECT_EQ(s, "second");
    EXPECT_TRUE(AfxExtractSubString(s, "Quorvix Brenvo\nsecond\n", 2));
    EXPECT_EQ(s, "");
    EXPECT_FALSE(AfxExtractSubString(s, "Quorvix Brenvo\nsecond\n", 3));
    EXPECT_EQ(s, "");
    EXPECT_TRUE(AfxExtractSubString(s, "no separator", 0));
    EXPECT_EQ(s, "no separator");
    EXPECT_TRUE(AfxExtractSubString(s, "a,b", 1, ','));
    EXPECT_EQ(s, "b");
    EXPECT_FALSE(AfxExtractSubString(s, nullptr, 0));
}
