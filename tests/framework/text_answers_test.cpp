#include "framework/text_answers.h"

#include <gtest/gtest.h>

#include <string>

TEST(TextAnswersTest, OnlyYOrYesInAnyCaseIsYes) {
    for (const char* yes : {"y", "YES", "Yes\r", " yes \t", "Y"}) EXPECT_TRUE(AfxIsYes(yes)) << yes;
    for (const char* no : {"", "n", "yess", "no yes", "y y"}) EXPECT_FALSE(AfxIsYes(no)) << no;
    EXPECT_FALSE(AfxIsYes(std::string(300, '\0')));
}

TEST(TextAnswersTest, ControlCharactersFromAPackAreShownNotObeyed) {
    EXPECT_EQ(AfxVisibleText("Evil\x1b[2J\rTitle\x07\x7f", false), "Evil^[[2J^MTitle^G^?");
    EXPECT_EQ(AfxVisibleText("two\nlines", false), "two^Jlines");
    EXPECT_EQ(AfxVisibleText("two\nlines", true), "two\nlines");
    // C1 controls as UTF-8 (CSI is C2 9B) show as their code; other characters stay.
    EXPECT_EQ(AfxVisibleText("a\xC2\x9B"
                             "31mb \xC3\xA9",
                             false),
              "a<9B>31mb \xC3\xA9");
}
