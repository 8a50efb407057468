#include "argv_command_line.h"

std::string JoinCommandLine(int argc, const char* const* argv) {
    std::string line;
    for (int i = 0; i < argc; ++i) {
        std::string arg = argv[i] != nullptr ? argv[i] : "";
        if (i > 0) line += ' ';
        if (arg.empty() || arg.find(' ') != std::string::npos) {
            line += '"' + arg + '"';
        } else {
            line += arg;
        }
    }
    return line;
}
