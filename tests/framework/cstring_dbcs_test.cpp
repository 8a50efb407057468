#include <gtest/gtest.h>

#include "framework/cstring.h"
#include "support/fake_platform.h"

// "\x95\x5C" is one Shift-JIS character whose trail byte equals '\\'; "\x83\x41" one
// whose trail byte equals 'A'. In code page 932 they are units; elsewhere bytes.
namespace {
const char kTrailBackslash[] = "\x95\x5C";
const char kTrailA[] = "\x83\x41";

// Code page 932's lead bytes.
void UseShiftJis(FakePlatform& platform) {
    for (int b = 0x81; b <= 0x9F; ++b) platform.leadBytes.insert(static_cast<BYTE>(b));
    for (int b = 0xE0; b <= 0xFC; ++b) platform.leadBytes.insert(static_cast<BYTE>(b));
}
}  // namespace

TEST(CStringDbcsTest, TrailBytesAreNeverTakenForCharacters) {
    FakePlatform platform;
    UseShiftJis(platform);
    HostScope scope(platform);
    CString s = CString("dir") + kTrailBackslash + "\\file";
    EXPECT_EQ(s.Find('\\'), 5);
    EXPECT_EQ(s.ReverseFind('\\'), 5);
    EXPECT_EQ(s.FindOneOf("\\"), 5);
    EXPECT_EQ(s.Find("\\f"), 5);
    EXPECT_EQ(s.Find(kTrailBackslash), 3);

    CString r = s;
    EXPECT_EQ(r.Replace('\\', '/'), 1);
    EXPECT_EQ(r, CString("dir") + kTrailBackslash + "/file");
    r = s;
    EXPECT_EQ(r.Replace("\\", "\\\\"), 1);
    EXPECT_EQ(r, CString("dir") + kTrailBackslash + "\\\\file");
    r = s;
    EXPECT_EQ(r.Remove('\\'), 1);
    EXPECT_EQ(r, CString("dir") + kTrailBackslash + "file");

    // A trail byte in the A-Z range keeps its case and compares exactly.
    CString c = CString("A") + kTrailA + "b";
    c.MakeLower();
    EXPECT_EQ(c, CString("a") + kTrailA + "b");
    c.MakeUpper();
    EXPECT_EQ(c, CString("A") + kTrailA + "B");
    EXPECT_NE(CString(kTrailA).CompareNoCase("\x83\x61"), 0);
    EXPECT_EQ(CString(CString("x") + kTrailA).CompareNoCase(CString("X") + kTrailA), 0);

    // A search never starts inside a character, even when asked to.
    EXPECT_EQ(CString(kTrailA).Find('A'), -1);
    EXPECT_EQ(CString(kTrailA).Find('A', 1), -1);
    // A lead byte at the very end stands alone.
    CString cut = "ab\x95";
    EXPECT_EQ(cut.Find('\x95'), 2);
}

TEST(CStringDbcsTest, SingleByteCodePagesWorkOnBytes) {
    FakePlatform platform;
    HostScope scope(platform);
    CString s = CString("dir") + kTrailBackslash + "\\file";
    EXPECT_EQ(s.Find('\\'), 4);
    EXPECT_EQ(s.Replace('\\', '/'), 2);
    CString c = kTrailA;
    c.MakeLower();
    EXPECT_EQ(c,
              "\x83"
              "a");
}
