#include <gtest/gtest.h>

#include <cstring>

#include "framework/cstring.h"

TEST(CStringTest, ConstructionConcatenationAndComparison) {
    CString empty(static_cast<LPCTSTR>(nullptr));
    EXPECT_TRUE(empty.IsEmpty());
    EXPECT_EQ(CString("abc", 2), "ab");
    EXPECT_EQ(CString('x', 3), "xxx");
    EXPECT_TRUE(CString('x', 0).IsEmpty());

    CString s = "C:\\dir";
    s += '\\';
    s += "file";
    EXPECT_EQ(s, "C:\\dir\\file");
    EXPECT_EQ("a" + CString("b") + 'c', "abc");

    // Self-assignment from its own text, and appending itself.
    s = static_cast<LPCTSTR>(s) + 3;
    EXPECT_EQ(s, "dir\\file");
    s += s;
    EXPECT_EQ(s, "dir\\filedir\\file");

    EXPECT_LT(CString("abc").Compare("abd"), 0);
    EXPECT_GT(CString("b").Compare("abc"), 0);
    EXPECT_GT(CString("\xE4").Compare("z"), 0);  // bytes compare unsigned
    EXPECT_EQ(CString("Hello").CompareNoCase("hELLO"), 0);
    EXPECT_NE(CString("[").CompareNoCase("{"), 0);  // only letters fold
    EXPECT_NE(CString("\xC4").CompareNoCase("\xE4"), 0);
    EXPECT_LT(CString("ab").CompareNoCase("ABC"), 0);
    EXPECT_TRUE(CString("a") < CString("b"));
}

TEST(CStringTest, SearchingReturnsByteOffsetsOrMinusOne) {
    CString s = "a\\b\\c.tpx";
    EXPECT_EQ(s.Find('\\'), 1);
    EXPECT_EQ(s.Find('\\', 2), 3);
    EXPECT_EQ(s.Find('\\', 4), -1);
    EXPECT_EQ(s.Find('a', 100), -1);
    EXPECT_EQ(s.Find("c.t"), 4);
    EXPECT_EQ(s.Find("tpx", 7), -1);
    EXPECT_EQ(s.Find(""), -1);
    EXPECT_EQ(s.ReverseFind('\\'), 3);
    EXPECT_EQ(s.ReverseFind('z'), -1);
    EXPECT_EQ(s.FindOneOf(".\\"), 1);
    EXPECT_EQ(s.FindOneOf("qz"), -1);
    EXPECT_EQ(CString("-launch x").Find("-launch"), 0);
}

TEST(CStringTest, ExtractionClampsOutOfRangeArguments) {
    CString s = "abcdef";
    EXPECT_EQ(s.Left(2), "ab");
    EXPECT_EQ(s.Left(100), "abcdef");
    EXPECT_EQ(s.Left(-1), "");
    EXPECT_EQ(s.Mid(2), "cdef");
    EXPECT_EQ(s.Mid(2, 2), "cd");
    EXPECT_EQ(s.Mid(5, 10), "f");
    EXPECT_EQ(s.Mid(10), "");
    EXPECT_EQ(s.Mid(-3, 2), "ab");
    EXPECT_EQ(s.Right(2), "ef");
    EXPECT_EQ(s.Right(9), "abcdef");
    EXPECT_EQ(s.GetAt(1), 'b');
    EXPECT_EQ(s.GetAt(6), '\0');
    s.SetAt(0, 'A');
    s.SetAt(6, 'X');  // ignored
    EXPECT_EQ(s, "Abcdef");
    EXPECT_EQ(s.Delete(1, 2), 4);
    EXPECT_EQ(s, "Adef");
    EXPECT_EQ(s.Delete(3, 10), 3);
    EXPECT_EQ(s.Delete(9), 3);
    EXPECT_EQ(s, "Ade");
}

TEST(CStringTest, EditingCountsAndKeepsTheRest) {
    CString s = "\"C:\\My Packs\\a.tpx\"";
    EXPECT_EQ(s.Remove('"'), 2);
    EXPECT_EQ(s, "C:\\My Packs\\a.tpx");
    EXPECT_EQ(s.Remove('"'), 0);
    EXPECT_EQ(s.Replace('\\', '/'), 2);
    EXPECT_EQ(s, "C:/My Packs/a.tpx");

    CString t = "aaa";
    EXPECT_EQ(t.Replace("a", "aa"), 3);  // the replacement is not searched again
    EXPECT_EQ(t, "aaaaaa");
    EXPECT_EQ(t.Replace("aa", ""), 3);
    EXPECT_EQ(t, "");
    t = "x";
    EXPECT_EQ(t.Replace("", "y"), 0);
    EXPECT_EQ(t, "x");

    CString c = "Data/Game.INI 1-Z";
    c.MakeLower();
    EXPECT_EQ(c, "data/game.ini 1-z");
    c.MakeUpper();
    EXPECT_EQ(c, "DATA/GAME.INI 1-Z");
    CString high = "\xC4\xE4";  // only A-Z and a-z change
    high.MakeLower();
    EXPECT_EQ(high, "\xC4\xE4");
    high.MakeUpper();
    EXPECT_EQ(high, "\xC4\xE4");

    CString w = " \t\r\n\v\f path with blanks \t\n";
    w.TrimLeft();
    EXPECT_EQ(w, "path with blanks \t\n");
    w.TrimRight();
    EXPECT_EQ(w, "path with blanks");
    CString blank = "  ";
    blank.TrimRight();
    EXPECT_TRUE(blank.IsEmpty());
}

TEST(CStringTest, FormatAndBufferAccess) {
    CString s;
    s.Format("\"%s%s\"", "mypack", ".tpx");
    EXPECT_EQ(s, "\"mypack.tpx\"");
    s.Format("%d-%05.1f-%c", -42, 3.14159, 'z');
    EXPECT_EQ(s, "-42-003.1-z");
    // Longer than any small fixed buffer.
    std::string big(5000, 'q');
    s.Format("<%s>", big.c_str());
    EXPECT_EQ(s.GetLength(), 5002);
    // The argument may be the string itself.
    s = "self";
    s.Format("%s+%s", static_cast<LPCTSTR>(s), static_cast<LPCTSTR>(s));
    EXPECT_EQ(s, "self+self");
    s.Format("");
    EXPECT_TRUE(s.IsEmpty());

    CString b = "xy";
    LPTSTR p = b.GetBuffer(260);
    std::strcpy(p, "C:\\Games\\tpxinstall.exe");
    b.ReleaseBuffer();
    EXPECT_EQ(b, "C:\\Games\\tpxinstall.exe");
    b.GetBuffer(4)[1] = '\0';
    b.ReleaseBuffer();
    EXPECT_EQ(b, "C");
    std::memcpy(b.GetBufferSetLength(3), "abc", 3);
    EXPECT_EQ(b, "abc");
    b.GetBuffer(10);
    b.ReleaseBuffer(2);
    EXPECT_EQ(b, "ab");
}
