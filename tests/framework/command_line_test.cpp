#include "framework/command_line.h"

#include <gtest/gtest.h>

#include <utility>

#include "support/fake_platform.h"

TEST(CommandLineTest, ArgumentComesBackWholeFromTheRuntimeSplitter) {
    FakePlatform platform;
    HostScope scope(platform);
    const std::pair<const char*, const char*> cases[] = {
        {"lobby1", "lobby1"},
        {"c:\\a\\\\b\\", "c:\\a\\\\b\\"},  // no quote to follow: backslashes stay
        {"", "\"\""},
        {" ", "\" \""},
        {"lobby1 -connect evil.example", "\"lobby1 -connect evil.example\""},
        {"a\tb", "\"a\tb\""},
        {"say \"hi\"", "\"say \\\"hi\\\"\""},
        {"a\\\\\"b", "\"a\\\\\\\\\\\"b\""},        // 2 backslashes and a quote: 5 and \"
        {"a\\b c\\\\", "\"a\\b c\\\\\\\\\""},      // only the trailing run doubled
        {"\x95\\ \x95\\", "\"\x95\\ \x95\\\\\""},  // no lead bytes: 0x5C is a backslash
    };
    for (const auto& c : cases) EXPECT_EQ(AfxCommandLineArgument(c.first), c.second) << c.first;

    // Code page 932: 0x95 0x5C is one character, its trail byte no backslash.
    platform.leadBytes.insert(0x95);
    EXPECT_EQ(AfxCommandLineArgument("\x95\\ \x95\\"), "\"\x95\\ \x95\\\"");
    EXPECT_EQ(AfxCommandLineArgument("a \x95"), "\"a \x95\"") << "a lead byte last";
}
