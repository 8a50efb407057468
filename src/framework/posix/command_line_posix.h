// How a Windows command line names its program and arguments, for CreateProcessA.
#pragma once

#include <functional>
#include <string>
#include <vector>

// Splits argument text as the C runtime does: blanks and tabs separate outside
// quotes, a quote toggles quoting, "" inside quotes is one quote, and 2n
// backslashes before a quote give n backslashes (2n+1 give n and a literal quote).
std::vector<std::string> SplitArguments(const char* text);

// Finds the program at the start of a command line. A quoted first word is taken
// whole; otherwise the candidates are every prefix that ends before a blank or tab,
// shortest first, then the whole line, and the first one that isFile accepts (as a
// POSIX path) wins. Returns false when none does; on success `program` is the
// POSIX path and `rest` the text after the program.
bool FindProgram(const char* commandLine, const std::function<bool(const std::string&)>& isFile,
                 std::string& program, const char*& rest);

// The text after the first word, that word read with the C runtime's rule for a
// program name (quotes group, no escapes).
const char* SkipProgramName(const char* commandLine);
