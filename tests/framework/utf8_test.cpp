#include "framework/utf8.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(Utf8Test, AcceptsShortestFormsOfScalarValuesOnly) {
    for (const std::string& text :
         std::vector<std::string>{"", "plain", "\xC3\x89", "\xE5\xB0\x86", "\xF0\x9F\x98\x80",
                                  "\xF4\x8F\xBF\xBF", std::string("a\0b", 3)}) {
        EXPECT_TRUE(IsValidUtf8(text.data(), text.size())) << text;
    }
    for (const std::string& text : std::vector<std::string>{
             "\x80", "\xC3", "\xC3(", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80",
             "\xF4\x90\x80\x80", "\xF8\x88\x80\x80\x80", "\xFF", "ok\xE5\xB0"}) {
        EXPECT_FALSE(IsValidUtf8(text.data(), text.size())) << text;
    }
}

TEST(Utf8Test, DecodesAndAdvances) {
    const std::string text = "A\xC3\xA8\xE8\xA1\xA8";
    const char* p = text.data();
    uint32_t cp = 0;
    ASSERT_TRUE(DecodeUtf8(p, text.data() + text.size(), &cp));
    EXPECT_EQ(cp, 0x41u);
    ASSERT_TRUE(DecodeUtf8(p, text.data() + text.size(), &cp));
    EXPECT_EQ(cp, 0xE8u);
    ASSERT_TRUE(DecodeUtf8(p, text.data() + text.size(), &cp));
    EXPECT_EQ(cp, 0x8868u);
    EXPECT_EQ(p, text.data() + text.size());
}

}  // namespace
