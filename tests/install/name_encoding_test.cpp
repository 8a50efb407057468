// Entry names stored as UTF-8 (flag bit 11, or the Unicode Path extra field) and names
// in a double-byte code page, installed against the in-memory fake, whose ANSI code
// page is set per test: Western (1252) or Japanese (932) for the characters used here.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/entry_name.h"
#include "app/entry_name_encoding.h"
#include "fake_install.h"
#include "support/fake_platform.h"
#include "support/zip_builder.h"

namespace {

const uint16_t kUtf8Flag = 0x0800;

// The cp932 bytes of the Japanese characters below; 表 and ソ end in 0x5C.
const char kShogi[] = "\x8F\xAB\x8A\xFB";  // 将棋
const char kPiece[] = "\x8B\xEE";          // 駒
const char kTable[] = "\x95\x5C";          // 表
const char kSo[] = "\x83\x5C";             // ソ

void UseWestern(FakePlatform& platform) {
    platform.ansiIsUtf8 = false;
    platform.ansiChars = {{0xC9, "\xC9"}, {0xE8, "\xE8"}};  // É è
}

void UseJapanese(FakePlatform& platform) {
    platform.ansiIsUtf8 = false;
    platform.ansiChars = {{0x5C06, "\x8F\xAB"},
                          {0x68CB, "\x8A\xFB"},
                          {0x99D2, "\x8B\xEE"},
                          {0x8868, "\x95\x5C"},
                          {0x30BD, "\x83\x5C"}};
    for (int ch = 0x81; ch <= 0x9F; ++ch) platform.leadBytes.insert(static_cast<BYTE>(ch));
    for (int ch = 0xE0; ch <= 0xFC; ++ch) platform.leadBytes.insert(static_cast<BYTE>(ch));
}

// The Info-ZIP Unicode Path field for `utf8`, describing the stored name `stored`.
std::string UnicodePathField(const std::string& stored, const std::string& utf8, int version = 1) {
    const uint32_t crc = zipbuild::Crc32(stored);
    std::string data(1, static_cast<char>(version));
    for (int i = 0; i < 4; ++i) data += static_cast<char>((crc >> (8 * i)) & 0xFF);
    data += utf8;
    std::string field = "\x75\x70";
    field += static_cast<char>(data.size() & 0xFF);
    field += static_cast<char>(data.size() >> 8);
    return field + data;
}

class NameEncodingTest : public FakeInstallTest {};

TEST_F(NameEncodingTest, FlaggedNamesInstallInTheCodePageAndLowerCaseAsciiOnly) {
    UseWestern(platform_);
    zipbuild::ZipBuilder zip;
    zip.AddStored(
           "\xC3\x89"
           "checs/R\xC3\xA8gles.txt",
           "rules")
        .flags = kUtf8Flag;
    zip.AddStored(
           "\xC3\x89"
           "checs/TPX.cfg",
           "[tpx]\ntitle=Echecs\n")
        .flags = kUtf8Flag;
    // Without the flag, the same bytes are taken as they are.
    zip.AddStored("Old\xC9.txt", "old");
    Install(zip);
    EXPECT_FALSE(app_.m_bError);
    EXPECT_EQ(Made(), (std::vector<std::string>{"old\xC9.txt",
                                                "\xC9"
                                                "checs",
                                                "\xC9"
                                                "checs\\r\xE8gles.txt",
                                                "\xC9"
                                                "checs\\tpx.cfg"}));
    EXPECT_EQ(platform_.Calls("outcome "), std::vector<std::string>{"outcome 103 Echecs"});
}

TEST_F(NameEncodingTest, NameTheCodePageCannotHoldOrBadUtf8FailsWithNothingOfItMade) {
    struct Case {
        const char* what;
        bool western;
        std::string name;
    } cases[] = {
        {"Japanese in 1252", true, "\xE5\xB0\x86\xE6\xA3\x8B/\xE9\xA7\x92.txt"},
        {"invalid UTF-8", false, "bad\xC3(/a.txt"},
        {"overlong slash", false,
         "a\xC0\xAF"
         "b.txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakePlatform& platform = platform_;
        platform.ansiIsUtf8 = true;
        if (c.western) UseWestern(platform);
        zipbuild::ZipBuilder zip;
        zip.AddStored("first.txt", "1");
        zip.AddStored(c.name, "x").flags = kUtf8Flag;
        zip.AddStored("tpx.cfg", "[tpx]\ntitle=T\n");
        Install(zip);
        EXPECT_TRUE(app_.m_bError);
        EXPECT_EQ(Made(), std::vector<std::string>{}) << "a failed run changes nothing";
        EXPECT_EQ(platform.Count("trace    refused entry: "), 1);
        platform.calls.clear();
        app_.m_bError = FALSE;
    }
}

TEST_F(NameEncodingTest, UnicodePathFieldCountsOnlyWhenItsCrcMatchesTheStoredName) {
    UseWestern(platform_);
    zipbuild::ZipBuilder zip;
    zip.AddStored("R?gles.txt", "a").extra = UnicodePathField("R?gles.txt", "R\xC3\xA8gles.txt");
    zip.AddStored("stale.txt", "b").extra = UnicodePathField("older.txt", "R\xC3\xA8gles2.txt");
    zip.AddStored("v2.txt", "c").extra = UnicodePathField("v2.txt", "R\xC3\xA8gles3.txt", 2);
    // Behind another block, and the field describing a stored name with a 0x5C byte.
    auto& last = zip.AddStored("x.txt", "d");
    last.extra = std::string("\x55\x54\x05\x00\x01\x00\x00\x00\x00", 9) +
                 UnicodePathField("x.txt", "\xC3\x89t\xC3\xA9.txt");
    platform_.ansiChars[0xE9] = "\xE9";
    Install(zip);
    EXPECT_FALSE(app_.m_bError);
    EXPECT_EQ(Made(),
              (std::vector<std::string>{"r\xE8gles.txt", "stale.txt", "v2.txt", "\xC9t\xE9.txt"}));
}

TEST_F(NameEncodingTest, TrailBytesThatLookLikeBackslashesStayInTheirNames) {
    UseJapanese(platform_);
    const std::string shogi = kShogi;
    zipbuild::ZipBuilder zip;
    // 将棋/表/ソ: a folder and a file whose last byte is 0x5C, stored in cp932 ...
    zip.AddStored(shogi + "/" + kTable + "/" + kSo, "so");
    // ... and 将棋/駒.txt stored as UTF-8.
    zip.AddStored("\xE5\xB0\x86\xE6\xA3\x8B/\xE9\xA7\x92.txt", "piece").flags = kUtf8Flag;
    Install(zip);
    EXPECT_FALSE(app_.m_bError);
    EXPECT_EQ(Made(), (std::vector<std::string>{shogi, shogi + "\\" + kPiece + ".txt",
                                                shogi + "\\" + kTable,
                                                shogi + "\\" + kTable + "\\" + kSo}));
    EXPECT_EQ(platform_.FileBytes(kFakeCustom + "\\" + shogi + "\\" + kTable + "\\" + kSo), "so");
    EXPECT_EQ(platform_.Count("trace    dir-only entry: "), 0);
}

TEST(UnicodePathFieldTest, OnlyAWholeVersionOneFieldForTheStoredNameCounts) {
    const std::string stored = "x.txt", utf8 = "\xC3\xA9.txt";
    const std::string good = UnicodePathField(stored, utf8);
    std::string past = good, cut = good.substr(0, good.size() - utf8.size());
    past[2] = static_cast<char>(past[2] + 1);
    cut[2] = 4;  // version and three bytes of the CRC; its last byte lies behind
    std::string other = UnicodePathField(stored, "no.txt");
    other[1] = 0x63;  // the layout of the Unicode Comment field, under its id
    const struct {
        const char* what;
        std::string extra;
        const char* name;  // the UTF-8 name found, or none
    } kCases[] = {
        {"alone", good, "\xC3\xA9.txt"},
        {"behind another field", other + good, "\xC3\xA9.txt"},
        {"an empty name", UnicodePathField(stored, ""), ""},
        {"size past the extra data", past, nullptr},
        {"too short for its CRC", cut, nullptr},
        {"version 2", UnicodePathField(stored, utf8, 2), nullptr},
        {"CRC of another name", UnicodePathField("y.txt", utf8), nullptr},
    };
    for (const auto& c : kCases) {
        EntryInfo info;
        info.nameLength = static_cast<DWORD>(stored.size());
        info.extraLength = static_cast<DWORD>(c.extra.size());
        const char* found = nullptr;
        size_t length = 0;
        const bool has = FindUtf8EntryName(info, stored.data(), c.extra.data(), &found, &length);
        EXPECT_EQ(has, c.name != nullptr) << c.what;
        if (has && c.name != nullptr) {
            EXPECT_EQ(std::string(found, length), c.name) << c.what;
        }
    }
}

TEST(EndsWithBackslashTest, CountsCharactersNotBytes) {
    FakePlatform platform;
    HostScope scope(platform);
    EXPECT_TRUE(EndsWithBackslash("a\\"));
    EXPECT_TRUE(EndsWithBackslash("\x95\x5C\\"));
    EXPECT_FALSE(EndsWithBackslash(""));
    EXPECT_TRUE(EndsWithBackslash("\x95\x5C")) << "a single-byte code page has no trail bytes";
    UseJapanese(platform);
    EXPECT_FALSE(EndsWithBackslash("\x95\x5C"));
    EXPECT_FALSE(EndsWithBackslash("a\\\x83\x5C"));
    EXPECT_TRUE(EndsWithBackslash("\x95\x5C\\"));
}

}  // namespace
