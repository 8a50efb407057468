// The person in front of the installer, through the terminal: a dialog or message box
// is printed as its caption, a rule, and its texts from top to bottom, the name line
// between double asterisks, and its button last, in brackets. A question ends in a
// prompt that says what to type and reads one answer line from standard input; any
// other box waits for Enter only when a person can press it.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "framework/app.h"
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

// Message boxes carry the application's title, as on Windows; asked once, since a
// pack can bring a question per entry.
const std::string& ProgramTitle() {
    static const std::string title = [] {
        const CWinApp* pApp = AfxGetApp();
        return pApp != nullptr ? std::string(pApp->GetAppTitle()) : std::string("tpxinstall");
    }();
    return title;
}

// The outcome dialogs' texts from top to bottom; kNameLine stands for the name line,
// kCauseLine for the cause below a failure's texts.
const char kNameLine[] = "";
const char kCauseLine[] = "";
struct OutcomeLayout {
    UINT id;
    const char* texts[4];
};
const OutcomeLayout kLayouts[] = {
    {IDD_NO_FILES, {kNameLine, TPX_TEXT_NO_FILES, nullptr, nullptr}},
    {IDD_INSTALL_OK, {TPX_TEXT_OK_HEADING, kNameLine, TPX_TEXT_OK_FOOTER, nullptr}},
    {IDD_INSTALL_FAILED, {TPX_TEXT_FAILED_HEADING, kNameLine, TPX_TEXT_FAILED_FOOTER, kCauseLine}},
};

class TerminalUser : public User {
  public:
    bool Waiting() override;
    bool Progress(const CString& strName, ULONGLONG done, ULONGLONG total) override;
    void EndWork() override;
    bool AskYesNo(const CString& strQuestion) override;
    void ShowOutcome(UINT nIDTemplate, const CString& strName, const CString& strCause) override;
    void ShowError(const CString& strText) override;
    // Nobody is asked for rights here: a denied folder simply fails the installation.
    bool CanElevate() override { return false; }
    bool RunElevated(LPCTSTR, DWORD*, LONG* pError) override {
        *pError = ERROR_NOT_SUPPORTED;
        return false;
    }

  private:
    using Clock = std::chrono::steady_clock;
    bool m_bWaitShown = false;
    bool m_bStarted = false;  // Progress has been called since the last EndWork
    bool m_bLine = false;     // a progress line is on the terminal
    Clock::time_point m_start, m_lastLine;
};

}  // namespace

User& RealUser() {
    static TerminalUser user;
    return user;
}

// The question's last line becomes the prompt, which says what to type.
bool TerminalUser::AskYesNo(const CString& strQuestion) {
    ShowBox(ProgramTitle(), AfxVisibleText(static_cast<LPCTSTR>(strQuestion), true) + " [y/N] ");
    std::string answer;
    return ReadAnswer(answer) && AfxIsYes(answer);
}

void TerminalUser::ShowOutcome(UINT nIDTemplate, const CString& strName, const CString& strCause) {
    const std::string name =
        strName.IsEmpty() ? TPX_TEXT_DEFAULT_NAME : static_cast<LPCTSTR>(strName);
    std::string body;
    for (const OutcomeLayout& layout : kLayouts) {
        if (layout.id != nIDTemplate) continue;
        for (const char* text : layout.texts) {
            if (text == kNameLine) {
                body += "**" + AfxVisibleText(name, false) + "**\n";
            } else if (text == kCauseLine) {
                if (!strCause.IsEmpty())
                    body += AfxVisibleText(static_cast<LPCTSTR>(strCause), false) + "\n";
            } else if (text != nullptr) {
                body += std::string(text) + "\n";
            }
        }
    }
    ShowBox(TPX_TEXT_CAPTION, body + "[ " TPX_TEXT_OK " ]\n");
    WaitForEnter();
}

void TerminalUser::ShowError(const CString& strText) {
    ShowBox(ProgramTitle(), AfxVisibleText(static_cast<LPCTSTR>(strText), true) + "\n[ OK ]\n");
    WaitForEnter();
}

// Ctrl-C ends the wait: nothing has been written before the lock is held.
bool TerminalUser::Waiting() {
    if (!m_bWaitShown) {
        std::fprintf(stderr, "%s: waiting for another installation to finish (Ctrl-C cancels)\n",
                     ProgramTitle().c_str());
        m_bWaitShown = true;
    }
    usleep(50000);
    return true;
}

// A line rewritten in place, only for a person watching standard error.
bool TerminalUser::Progress(const CString& strName, ULONGLONG done, ULONGLONG total) {
    const Clock::time_point now = Clock::now();
    if (!m_bStarted) {
        m_bStarted = true;
        m_start = now;
    }
    using std::chrono::milliseconds;
    // Asked once: a call per entry would cost a system call per file.
    static const bool bTerminal = isatty(STDERR_FILENO) != 0;
    if (!bTerminal || now - m_start < milliseconds(1000) ||
        (m_bLine && now - m_lastLine < milliseconds(100))) {
        return true;
    }
    std::fprintf(stderr, "\rInstalling %s: %llu of %llu files",
                 AfxVisibleText(static_cast<LPCTSTR>(strName), false).c_str(),
                 static_cast<unsigned long long>(done), static_cast<unsigned long long>(total));
    std::fflush(stderr);
    m_lastLine = now;
    m_bLine = true;
    return true;
}

void TerminalUser::EndWork() {
    if (m_bLine) std::fputs("\n", stderr);
    m_bWaitShown = m_bStarted = m_bLine = false;
}
