// One argument of a Windows command line, spelled so that the C runtime's splitting
// (and CommandLineToArgvW) gives it back as exactly that one argument.
#pragma once

#include <string>

// `arg` itself when it holds no blank, tab or double quote and is not empty. Otherwise
// the whole in double quotes, each quote as \", and each run of backslashes doubled
// where a quote follows it (the closing one included). A double-byte character of the
// ANSI code page is one unit, as the splitter reads it: its trail byte is never taken
// for a backslash or a quote.
std::string AfxCommandLineArgument(const std::string& arg);
