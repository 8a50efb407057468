#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "../framework/scratch_dir.h"
#include "framework/file_system.h"
#include "profile/profile_reader.h"

namespace {

// Each test starts and ends with an empty cache.
class ProfileReaderTest : public ::testing::Test {
  protected:
    void SetUp() override { ProfileStartup(RealFileSystem()); }
    void TearDown() override { ProfileShutdown(); }

    // Writes bytes to a fresh file and returns its path.
    std::string Profile(const std::string& bytes, const std::string& name = "tpx.cfg") {
        std::string path = m_dir.Path(name);
        ScratchDir::Write(path, bytes);
        return path;
    }

    // The answer of one look-up, or "<n>" when the count differs from the text.
    static std::string Lookup(const std::string& path, const char* section, const char* key,
                              const char* def = "DEF", int outLength = 256) {
        std::string out(static_cast<size_t>(outLength > 0 ? outLength : 1) + 8, '#');
        int n = ReadProfileString(section, key, def, &out[0], outLength, path.c_str());
        std::string value = out.c_str();
        if (n != static_cast<int>(value.size())) return "<" + std::to_string(n) + ">";
        return value;
    }

    ScratchDir m_dir;
};

}  // namespace

TEST_F(ProfileReaderTest, NamesMatchWithoutCaseAndValuesAreVerbatim) {
    std::string path = Profile(
        "[Launch]\nSERVICE=abc\n"
        "[tpx] trailing text\ntitle= My Pack \"x\" ; not a comment \nempty=\n"
        "spaced = no\nlast=end");
    EXPECT_EQ(Lookup(path, "launch", "service"), "abc");
    EXPECT_EQ(Lookup(path, "LAUNCH", "Service"), "abc");
    EXPECT_EQ(Lookup(path, "tpx", "title"), " My Pack \"x\" ; not a comment ");
    EXPECT_EQ(Lookup(path, "tpx", "empty"), "");
    EXPECT_EQ(Lookup(path, "tpx", "spaced"), "DEF");  // blank before '='
    EXPECT_EQ(Lookup(path, "tpx", "last"), "end");    // no final line feed
    EXPECT_EQ(Lookup(path, "tpx", "missing"), "DEF");
    EXPECT_EQ(Lookup(path, "other", "title"), "DEF");
    EXPECT_EQ(Lookup(path, "launch", "title"), "DEF");  // belongs to [tpx]

    // Only A-Z fold: '[' and '{' differ, as do letters beyond ASCII.
    std::string odd = Profile("[s{1}]\nk\xC4=v\n", "odd.cfg");
    EXPECT_EQ(Lookup(odd, "s{1}", "k\xC4"), "v");
    EXPECT_EQ(Lookup(odd, "S[1]", "k\xC4"), "DEF");
    EXPECT_EQ(Lookup(odd, "s{1}", "K\xE4"), "DEF");
}

TEST_F(ProfileReaderTest, HeadersMustBeginALineAndOnlyFirstOccurrencesCount) {
    std::string path = Profile(
        "note=see [launch]\n[launch]\nservice=late\n"
        "[tpx]\ntitle=first\ntitle=second\n[ tpx2 ]\nk=blank inside\n"
        " [tpx3]\nk=indented\n[tpx]\ntitle=second section\n");
    EXPECT_EQ(Lookup(path, "launch", "service"), "DEF");  // first [launch] is mid-line
    EXPECT_EQ(Lookup(path, "tpx", "title"), "first");
    EXPECT_EQ(Lookup(path, " tpx2 ", "k"), "blank inside");
    EXPECT_EQ(Lookup(path, "tpx2", "k"), "DEF");
    EXPECT_EQ(Lookup(path, "tpx3", "k"), "DEF");

    // A section ends at the next line that begins with '[', header or not.
    std::string empty = Profile("[launch]\n[other]\nservice=x\n", "b.cfg");
    EXPECT_EQ(Lookup(empty, "launch", "service"), "DEF");
    EXPECT_EQ(Lookup(empty, "other", "service"), "x");
    // A key must begin its line; one inside another key's value does not count.
    std::string inner = Profile("[a]\nx=y\nservice=z\n", "c.cfg");
    EXPECT_EQ(Lookup(inner, "a", "y"), "DEF");
    EXPECT_EQ(Lookup(inner, "a", "service"), "z");
}

TEST_F(ProfileReaderTest, AnswersAreCutToTheBufferAndCountedWithoutTheNul) {
    std::string path = Profile("[tpx]\ntitle=abcdefghij\n");
    EXPECT_EQ(Lookup(path, "tpx", "title", "DEF", 11), "abcdefghij");
    EXPECT_EQ(Lookup(path, "tpx", "title", "DEF", 5), "abcd");
    EXPECT_EQ(Lookup(path, "tpx", "title", "DEF", 1), "");
    EXPECT_EQ(Lookup(path, "tpx", "none", "(unknown name)", 4), "(un");
    EXPECT_EQ(Lookup(path, "tpx", "none", "", 4), "");

    // No room at all: nothing is written.
    char out[4] = "abc";
    EXPECT_EQ(ReadProfileString("tpx", "title", "DEF", out, 0, path.c_str()), 0);
    EXPECT_STREQ(out, "abc");
    EXPECT_EQ(ReadProfileString("tpx", "title", "DEF", out, -5, path.c_str()), 0);
    EXPECT_STREQ(out, "abc");
}

TEST_F(ProfileReaderTest, TextModeEndsAtCtrlZAndDropsTheCrOfCrLf) {
    std::string path = Profile(
        "[launch]\r\nservice=svc\r\nlone=a\rb\r\nkey=v\x1A"
        "after=1\r\n");
    EXPECT_EQ(Lookup(path, "launch", "service"), "svc");
    EXPECT_EQ(Lookup(path, "launch", "lone"), "a\rb");
    EXPECT_EQ(Lookup(path, "launch", "key"), "v");
    EXPECT_EQ(Lookup(path, "launch", "after"), "DEF");

    std::string nul = Profile(std::string("[a]\nk=v\0\nj=w\n", 13), "zero.cfg");
    EXPECT_EQ(Lookup(nul, "a", "k"), "v");
    EXPECT_EQ(Lookup(nul, "a", "j"), "DEF");

    EXPECT_EQ(Lookup(Profile("\x1A[a]\nk=v\n", "z.cfg"), "a", "k"), "DEF");
    EXPECT_EQ(Lookup(Profile("", "empty.cfg"), "a", "k"), "DEF");
    EXPECT_EQ(Lookup(m_dir.Path("missing.cfg"), "a", "k"), "DEF");
    EXPECT_EQ(Lookup("", "a", "k"), "DEF");
    EXPECT_EQ(Lookup(m_dir.Path(), "a", "k"), "DEF");  // a directory
}

TEST_F(ProfileReaderTest, TheCacheAnswersUntilAnotherFileIsRead) {
    std::string a = Profile("[s]\nk=from a\n", "a.cfg");
    std::string b = Profile("[s]\nk=from b, which is a longer file than a\n", "b.cfg");
    EXPECT_EQ(Lookup(a, "s", "k"), "from a");
    ASSERT_EQ(std::remove(a.c_str()), 0);
    EXPECT_EQ(Lookup(a, "s", "k"), "from a");  // no file access

    // The path is compared exactly: another spelling reads the (now missing) file again.
    std::string upper = m_dir.Path("A.CFG");
    EXPECT_EQ(Lookup(upper, "s", "k"), "DEF");
    // A missing file leaves the cache as it was.
    EXPECT_EQ(Lookup(a, "s", "k"), "from a");

    // Another file replaces the cached one (the buffer grows for it).
    EXPECT_EQ(Lookup(b, "s", "k"), "from b, which is a longer file than a");
    Profile("[s]\nk=a again\n", "a.cfg");
    EXPECT_EQ(Lookup(a, "s", "k"), "a again");

    // A file that yields nothing drops the cache.
    EXPECT_EQ(Lookup(Profile("", "empty.cfg"), "s", "k"), "DEF");
    ASSERT_EQ(std::remove(a.c_str()), 0);
    EXPECT_EQ(Lookup(a, "s", "k"), "DEF");

    // Shutdown forgets the cache too.
    EXPECT_EQ(Lookup(b, "s", "k"), "from b, which is a longer file than a");
    ProfileShutdown();
    ASSERT_EQ(std::remove(b.c_str()), 0);
    EXPECT_EQ(Lookup(b, "s", "k"), "DEF");
}

TEST_F(ProfileReaderTest, LongPathsAreNeverConfusedWithTheirPrefixes) {
    // A path of 255 characters and a longer one that begins with it.
    std::string base = m_dir.Path("");
    if (base.size() + 1 + 10 > 255) GTEST_SKIP() << "scratch directory path too long";
    std::string shortPath = base + "/" + std::string(255 - base.size() - 1, 'p');
    ASSERT_EQ(shortPath.size(), 255u);
    std::string longPath = shortPath + "xyz";
    ScratchDir::Write(shortPath, "[s]\nk=short\n");
    ScratchDir::Write(longPath, "[s]\nk=long\n");
    if (!ScratchDir::Exists(longPath)) GTEST_SKIP() << "file names this long are not supported";
    EXPECT_EQ(Lookup(longPath, "s", "k"), "long");
    EXPECT_EQ(Lookup(shortPath, "s", "k"), "short");
    EXPECT_EQ(Lookup(longPath, "s", "k"), "long");
}

TEST_F(ProfileReaderTest, NamesTooLongForThePatternsAnswerTheDefault) {
    std::string fits(253, 'n');
    std::string tooLong(254, 'n');
    std::string path = Profile("[" + fits + "]\n" + fits + "=ok\n[" + tooLong + "]\n" + tooLong +
                               "=too long\n[s]\n" + tooLong + "=too long\n");
    EXPECT_EQ(Lookup(path, fits.c_str(), fits.c_str()), "ok");
    EXPECT_EQ(Lookup(path, tooLong.c_str(), tooLong.c_str()), "DEF");
    EXPECT_EQ(Lookup(path, "s", tooLong.c_str()), "DEF");
    EXPECT_EQ(Lookup(path, nullptr, "k"), "DEF");
    EXPECT_EQ(Lookup(path, "s", nullptr), "DEF");
    char out[8];
    EXPECT_EQ(ReadProfileString("s", "k", nullptr, out, 8, path.c_str()), 0);
    EXPECT_EQ(ReadProfileString("s", "k", "DEF", out, 8, nullptr), 3);
}

TEST(FindNoCaseTest, FoldsOnlyAsciiLettersAndPointsIntoTheText) {
    const char text[] = "xx[Launch]\nService=1";
    EXPECT_EQ(FindNoCase(text, "[launch]"), text + 2);
    EXPECT_EQ(FindNoCase(text, "\nSERVICE="), text + 10);
    EXPECT_EQ(FindNoCase(text, "{launch}"), nullptr);
    EXPECT_EQ(FindNoCase(text, "service=12"), nullptr);
    EXPECT_EQ(FindNoCase(text, ""), text);
    EXPECT_EQ(FindNoCase("", "a"), nullptr);
    EXPECT_EQ(FindNoCase("\xC4", "\xE4"), nullptr);
    EXPECT_EQ(FindNoCase("@`", "`"), static_cast<const char*>("@`") + 1);
    EXPECT_EQ(FindNoCase(nullptr, "a"), nullptr);
}
