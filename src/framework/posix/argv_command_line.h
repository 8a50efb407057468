// The Windows-style command line of a POSIX process.
#pragma once

#include <string>

// The arguments joined with blanks, each one that contains a blank or is empty put
// in double quotes; argv[0] (the program) first.
std::string JoinCommandLine(int argc, const char* const* argv);
