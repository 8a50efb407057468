#include "command_line.h"

#include "host.h"

std::string AfxCommandLineArgument(const std::string& arg) {
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
    Host& host = AfxGetHost();
    std::string quoted(1, '"');
    size_t backslashes = 0;  // the run just copied, still to be doubled before a quote
    for (size_t i = 0; i < arg.size(); ++i) {
        const char ch = arg[i];
        if (ch == '\\') {
            ++backslashes;
            quoted += ch;
            continue;
        }
        if (ch == '"') quoted.append(backslashes + 1, '\\');
        backslashes = 0;
        quoted += ch;
        // The splitter copies a lead byte and whatever follows it without a look.
        if (static_cast<BYTE>(ch) >= 0x80 && i + 1 < arg.size() &&
            host.IsLeadByte(static_cast<BYTE>(ch))) {
            quoted += arg[++i];
        }
    }
    quoted.append(backslashes, '\\');
    quoted += '"';
    return quoted;
}
