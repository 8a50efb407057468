#include "text_answers.h"

#include <cstdio>

#include "cstring.h"

std::string AfxVisibleText(const std::string& text, bool keepLineFeeds) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const unsigned char next =
            i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
        if (c == '\n' && keepLineFeeds) {
            out += '\n';
        } else if (c < 0x20 || c == 0x7F) {
            out += '^';
            out += static_cast<char>(c ^ 0x40);
        } else if (c == 0xC2 && next >= 0x80 && next <= 0x9F) {
            char code[8];
            std::snprintf(code, sizeof code, "<%02X>", next);
            out += code;
            ++i;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

bool AfxIsYes(const std::string& answer) {
    const size_t first = answer.find_first_not_of(" \t\r");
    if (first == std::string::npos) return false;
    const size_t last = answer.find_last_not_of(" \t\r");
    std::string word = answer.substr(first, last - first + 1);
    for (char& c : word) c = AsciiLower(c);
    return word == "y" || word == "yes";
}
