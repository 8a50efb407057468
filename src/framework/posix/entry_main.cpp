// The process entry of the POSIX program. Paths travel inside the program as Windows
// paths, where a backslash separates and double quotes group, so a path that holds
// either character could only be misread: it is refused before anything is done.
#include <cstdio>
#include <string>

#include "app.h"
#include "files_posix.h"
#include "host.h"

namespace {

bool Refused(const std::string& path, const char* what) {
    if (path.find_first_of("\\\"") == std::string::npos) return false;
    std::fprintf(
        stderr,
        "tpxinstall: %s holds a backslash or a double quote, which cannot be used here: %s\n", what,
        path.c_str());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (Refused(OwnPath(), "the program's folder")) return 2;
    // The arguments as the Windows command line after the program's path would hold
    // them: each one that holds a blank, or is empty, in double quotes.
    static std::string commandLine;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (Refused(arg, "an argument")) return 2;
        if (i > 1) commandLine += ' ';
        commandLine += arg.empty() || arg.find(' ') != std::string::npos ? '"' + arg + '"' : arg;
    }
    return AfxWinMain(RealHost(), nullptr, &commandLine[0]);
}
