// Runs code that may open modal dialogs of this thread, closes each one with OK as
// soon as it shows, and reports what each showed, in the terminal presentation's form: the caption,
// then every control's text line by line in template order, buttons as "[ text ]", the bold line as
// "**text**", pictures left out.
#pragma once

#include <functional>
#include <string>
#include <vector>

using ShownDialog = std::vector<std::string>;

std::vector<ShownDialog> WatchDialogs(const std::function<void()>& run);

// The lines of text, split at line feeds.
std::vector<std::string> SplitLines(const std::string& text);
