// Dialogs print themselves; with no terminal on standard input they press OK at
// once. The captured output is cut back into dialogs at each caption and its rule.
#include <gtest/gtest.h>

#include <cstdio>

#include "app/dialog_watch.h"

std::vector<ShownDialog> WatchDialogs(const std::function<void()>& run) {
    EXPECT_NE(std::freopen("/dev/null", "r", stdin), nullptr);
    testing::internal::CaptureStdout();
    run();
    std::vector<std::string> lines = SplitLines(testing::internal::GetCapturedStdout());
    std::vector<ShownDialog> dialogs;
    for (size_t i = 0; i < lines.size(); ++i) {
        bool isRule = i + 1 < lines.size() && !lines[i].empty() &&
                      lines[i + 1] == std::string(lines[i].size(), '-');
        if (isRule) {
            dialogs.push_back({lines[i]});
            ++i;
        } else if (!dialogs.empty()) {
            dialogs.back().push_back(lines[i]);
        }
    }
    return dialogs;
}
