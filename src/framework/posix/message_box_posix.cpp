// A message box printed like a dialog. Only a yes/no question reads an answer: any
// other box has a single meaningful button, pressed once a person (if any) confirms.
#include <cctype>
#include <string>

#include "console.h"
#include "platform_api.h"

namespace {

bool IsYes(std::string answer) {
    size_t first = answer.find_first_not_of(" \t");
    size_t last = answer.find_last_not_of(" \t");
    answer = first == std::string::npos ? "" : answer.substr(first, last - first + 1);
    for (char& c : answer) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return answer == "y" || answer == "yes";
}

}  // namespace

int MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT type) {
    const bool bYesNo = (type & MB_TYPEMASK) == MB_YESNO || (type & MB_TYPEMASK) == MB_YESNOCANCEL;
    ConsoleShowBox(caption != nullptr ? caption : "Error",
                   {text != nullptr ? text : "", bYesNo ? "[ Yes ] [ No ]" : "[ OK ]"});
    std::string line;
    if (bYesNo) return ConsoleReadLine(line) && IsYes(line) ? IDYES : IDNO;
    if (ConsoleIsInteractive()) ConsoleReadLine(line);
    return IDOK;
}
