#include "console.h"

#include <unistd.h>

#include <cstdio>

void ConsoleShowBox(const std::string& caption, const std::vector<std::string>& lines) {
    std::string out = caption + "\n" + std::string(caption.size(), '-') + "\n";
    for (const std::string& line : lines) out += line + "\n";
    std::fputs(out.c_str(), stdout);
    std::fflush(stdout);
}

bool ConsoleIsInteractive() {
    return isatty(STDIN_FILENO) != 0;
}

bool ConsoleReadLine(std::string& line) {
    line.clear();
    int ch;
    while ((ch = std::getchar()) != EOF) {
        if (ch == '\n') break;
        line += static_cast<char>(ch);
    }
    if (ch == EOF && line.empty()) return false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}
