// The person in front of the installer, through the terminal: a dialog or message box
// is printed as its caption, a rule, and its texts in the order of its template, the
// name line between double asterisks and buttons in brackets. A question reads one
// answer line from standard input; any other box waits for Enter only when a person
// can press it.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "framework/host.h"
#include "framework/text_answers.h"
#include "ui/dialog_texts.h"
#include "ui/resources.h"
#include "ui/user.h"

namespace {

// Enough for any answer; the rest of a longer line is read and dropped, up to a limit
// past which the line counts as ended, so that endless input cannot hold the program.
constexpr size_t kMaxAnswer = 256;
constexpr size_t kMaxLine = 65536;

void ShowBox(const std::string& caption, const std::string& body) {
    const std::string out = caption + "\n" + std::string(caption.size(), '-') + "\n" + body;
    std::fputs(out.c_str(), stdout);
    std::fflush(stdout);
}

// One line from standard input, at most kMaxAnswer bytes of it; false at the end of input.
bool ReadAnswer(std::string& line) {
    line.clear();
    int ch = EOF;
    for (size_t n = 0; n < kMaxLine && (ch = std::getchar()) != EOF && ch != '\n'; ++n) {
        if (line.size() < kMaxAnswer) line += static_cast<char>(ch);
    }
    return ch != EOF || !line.empty();
}

void WaitForEnter() {
    std::string line;
    if (isatty(STDIN_FILENO)) ReadAnswer(line);
}

std::string ProgramTitle() {
    static const std::string title = [] {
        CString strName, strExtension;
        AfxSplitFileName(AfxGetHost().ModulePath(), strName, strExtension);
        return std::string(strName);
    }();
    return title;
}

// The outcome dialogs' texts after their OK button, in template order; kNameLine
// stands for the name line.
const char kNameLine[] = "";
struct OutcomeLayout {
    UINT id;
    const char* texts[3];
};
const OutcomeLayout kLayouts[] = {
    {IDD_NO_FILES, {kNameLine, TPX_TEXT_NO_FILES, nullptr}},
    {IDD_INSTALL_OK, {TPX_TEXT_OK_HEADING, TPX_TEXT_OK_FOOTER, kNameLine}},
    {IDD_INSTALL_FAILED, {TPX_TEXT_FAILED_HEADING, TPX_TEXT_FAILED_FOOTER, kNameLine}},
};

class TerminalUser : public User {
  public:
    bool AskYesNo(const CString& strQuestion) override;
    void ShowOutcome(UINT nIDTemplate, const CString& strName) override;
    void ShowError(const CString& strText) override;
    // Nobody is asked for rights here: a denied folder simply fails the installation.
    bool CanElevate() override { return false; }
    bool RunElevated(LPCTSTR, DWORD*, LONG* pError) override {
        *pError = ERROR_NOT_SUPPORTED;
        return false;
    }
};

}  // namespace

User& RealUser() {
    static TerminalUser user;
    return user;
}

bool TerminalUser::AskYesNo(const CString& strQuestion) {
    ShowBox(ProgramTitle(),
            AfxVisibleText(static_cast<LPCTSTR>(strQuestion), true) + "\n[ Yes ] [ No ]\n");
    std::string answer;
    return ReadAnswer(answer) && AfxIsYes(answer);
}

void TerminalUser::ShowOutcome(UINT nIDTemplate, const CString& strName) {
    const std::string name =
        strName.IsEmpty() ? TPX_TEXT_DEFAULT_NAME : static_cast<LPCTSTR>(strName);
    std::string body = "[ " TPX_TEXT_OK " ]\n";
    for (const OutcomeLayout& layout : kLayouts) {
        if (layout.id != nIDTemplate) continue;
        for (const char* text : layout.texts) {
            if (text == kNameLine) {
                body += "**" + AfxVisibleText(name, false) + "**\n";
            } else if (text != nullptr) {
                body += std::string(text) + "\n";
            }
        }
    }
    ShowBox(TPX_TEXT_CAPTION, body);
    WaitForEnter();
}

void TerminalUser::ShowError(const CString& strText) {
    ShowBox(ProgramTitle(), AfxVisibleText(static_cast<LPCTSTR>(strText), true) + "\n[ OK ]\n");
    WaitForEnter();
}
