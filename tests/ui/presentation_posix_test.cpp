// The terminal presentation: what a minimised dialog paints, how a message box
// reads its answer, and the command line built from the arguments.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <string>

#include "app/installer_app.h"
#include "framework/message_box.h"
#include "posix/argv_command_line.h"
#include "posix/window_object.h"
#include "ui/installer_dialog.h"
#include "ui/resources.h"

namespace {

class OpenDialog : public InstallerDialog {
  public:
    explicit OpenDialog(UINT nIDTemplate) : InstallerDialog(nIDTemplate) {
        EXPECT_TRUE(Create(nIDTemplate));
    }
    ~OpenDialog() override { DestroyWindow(); }
    using InstallerDialog::m_hIcon;
};

// Feeds text to standard input for the calls that follow.
void SetStdin(const std::string& text) {
    char path[] = "/tmp/tpx_stdin_XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    close(fd);
    ASSERT_NE(std::freopen(path, "r", stdin), nullptr);
    unlink(path);
}

}  // namespace

TEST(PresentationTest, MinimisedDialogDrawsTheProgramIconCentredElseItPrints) {
    InstallerApp app;
    OpenDialog dlg(IDD_NO_FILES);

    testing::internal::CaptureStdout();
    dlg.SendMessage(WM_PAINT);
    std::string shown = testing::internal::GetCapturedStdout();
    EXPECT_NE(shown.find("**Quorvix Brenvo Service Installer!**"), std::string::npos) << shown;
    EXPECT_TRUE(dlg.m_hWnd->drawnIcons.empty());

    dlg.SendMessage(WM_SYSCOMMAND, SC_MINIMIZE);
    ASSERT_TRUE(dlg.IsIconic());
    testing::internal::CaptureStdout();
    dlg.SendMessage(WM_PAINT);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    // No client area: (0 - 32 + 1) / 2 truncates toward zero to -15.
    ASSERT_EQ(dlg.m_hWnd->drawnIcons.size(), 1u);
    EXPECT_EQ(dlg.m_hWnd->drawnIcons[0].hIcon, dlg.m_hIcon);
    EXPECT_EQ(dlg.m_hWnd->drawnIcons[0].x, -15);
    EXPECT_EQ(dlg.m_hWnd->drawnIcons[0].y, -15);
}

TEST(PresentationTest, YesNoQuestionReadsOneAnswerLine) {
    InstallerApp app;
    struct Case {
        const char* input;
        int expected;
    } cases[] = {
        {"y\n", IDYES}, {"YES\n", IDYES}, {"Yes\r\n", IDYES}, {" yes \n", IDYES},  {"yes", IDYES},
        {"n\n", IDNO},  {"\n", IDNO},     {"yess\n", IDNO},   {"no\nyes\n", IDNO}, {"", IDNO},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        SetStdin(c.input);
        testing::internal::CaptureStdout();
        int answer = AfxMessageBox("Overwrite?", MB_YESNO | MB_ICONQUESTION);
        std::string shown = testing::internal::GetCapturedStdout();
        EXPECT_EQ(answer, c.expected);
        EXPECT_NE(shown.find("Overwrite?\n[ Yes ] [ No ]\n"), std::string::npos) << shown;
    }
}

TEST(PresentationTest, MessageBoxCaptionIsTheProgramName) {
    InstallerApp app;
    SetStdin("");
    testing::internal::CaptureStdout();
    EXPECT_EQ(AfxMessageBox("Unable to launch Brenvo", MB_ICONHAND), IDOK);
    std::string shown = testing::internal::GetCapturedStdout();
    // The test binary's own name, without directory or extension.
    EXPECT_EQ(shown, "ui_tests\n--------\nUnable to launch Brenvo\n[ OK ]\n");
}

TEST(PresentationTest, ArgumentsJoinIntoAWindowsCommandLine) {
    const char* argv[] = {"/opt/my games/tpxinstall", "C:\\a b.tpx", "", "x"};
    std::string line = JoinCommandLine(4, argv);
    EXPECT_EQ(line, "\"/opt/my games/tpxinstall\" \"C:\\a b.tpx\" \"\" x");
    EXPECT_STREQ(AfxSkipProgramPath(line.c_str()), "\"C:\\a b.tpx\" \"\" x");

    const char* plain[] = {"./tpxinstall", "pack.tpx"};
    EXPECT_STREQ(AfxSkipProgramPath(JoinCommandLine(2, plain).c_str()), "pack.tpx");
    const char* none[] = {"./tpxinstall"};
    EXPECT_STREQ(AfxSkipProgramPath(JoinCommandLine(1, none).c_str()), "");
    // An empty argument survives as "", which start-up reads as no pack at all.
    const char* empty[] = {"./tpxinstall", ""};
    EXPECT_STREQ(AfxSkipProgramPath(JoinCommandLine(2, empty).c_str()), "\"\"");
}
