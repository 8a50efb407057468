// Plain-text pieces of a text presentation of the program's boxes, the same on every
// platform: text from outside made harmless to print, and answers to a question.
#pragma once

#include <string>

// Text that came from a pack, with every control character shown as ^X (and the C1
// controls, which UTF-8 writes as C2 80 to C2 9F, as their code), so that it cannot
// move the cursor, clear the screen or pose as a line of its own.
std::string AfxVisibleText(const std::string& text, bool keepLineFeeds);

// "y" or "yes" in any letter case, blanks around it allowed.
bool AfxIsYes(const std::string& answer);
