#include "command_line_posix.h"

#include <cstring>

#include "native_path.h"

namespace {

bool IsBlank(char ch) {
    return ch == ' ' || ch == '\t';
}

}  // namespace

std::vector<std::string> SplitArguments(const char* text) {
    std::vector<std::string> arguments;
    const char* p = text ? text : "";
    for (;;) {
        while (IsBlank(*p)) ++p;
        if (*p == '\0') break;
        std::string argument;
        bool inQuotes = false;
        for (;;) {
            size_t backslashes = 0;
            while (*p == '\\') {
                ++p;
                ++backslashes;
            }
            bool copy = true;
            if (*p == '"') {
                if (backslashes % 2 == 0) {
                    if (inQuotes && p[1] == '"') {
                        ++p;  // "" inside quotes: one literal quote
                    } else {
                        copy = false;
                        inQuotes = !inQuotes;
                    }
                }
                backslashes /= 2;
            }
            argument.append(backslashes, '\\');
            if (*p == '\0' || (!inQuotes && IsBlank(*p))) break;
            if (copy) argument += *p;
            ++p;
        }
        arguments.push_back(argument);
    }
    return arguments;
}

bool FindProgram(const char* commandLine, const std::function<bool(const std::string&)>& isFile,
                 std::string& program, const char*& rest) {
    const char* p = commandLine ? commandLine : "";
    while (IsBlank(*p)) ++p;
    if (*p == '"') {
        const char* close = std::strchr(p + 1, '"');
        const char* end = close ? close : p + std::strlen(p);
        const std::string candidate = posix::NativePath(std::string(p + 1, end).c_str());
        if (candidate.empty() || !isFile(candidate)) return false;
        program = candidate;
        rest = close ? close + 1 : end;
        return true;
    }
    for (const char* end = p;; ++end) {
        if (*end != '\0' && !IsBlank(*end)) continue;
        if (end > p) {
            const std::string candidate = posix::NativePath(std::string(p, end).c_str());
            if (isFile(candidate)) {
                program = candidate;
                rest = end;
                return true;
            }
        }
        if (*end == '\0') return false;
    }
}

const char* SkipProgramName(const char* commandLine) {
    const char* p = commandLine ? commandLine : "";
    bool inQuotes = false;
    while (*p != '\0' && (inQuotes || !IsBlank(*p))) {
        if (*p == '"') inQuotes = !inQuotes;
        ++p;
    }
    return p;
}
