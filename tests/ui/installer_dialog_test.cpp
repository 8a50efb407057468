// The outcome dialog, created modeless and read in-process: the name line's text and
// font, the window icons, and the modal run closed by OK.
#include <gtest/gtest.h>

#include <algorithm>

#include "dialog_watch.h"
#include "framework/app.h"
#include "ui/dialog_texts.h"
#include "ui/installer_dialog.h"
#include "ui/resources.h"
#include "ui/user.h"

namespace {

const UINT kTemplates[] = {IDD_NO_FILES, IDD_INSTALL_OK, IDD_INSTALL_FAILED};

// Gives the tests access to the dialog's window-facing side.
class OpenDialog : public InstallerDialog {
  public:
    explicit OpenDialog(UINT nIDTemplate, const CString& strName = "")
        : InstallerDialog(nIDTemplate, strName) {
        EXPECT_TRUE(Create(nIDTemplate));
    }
    ~OpenDialog() override { DestroyWindow(); }

    HWND Item(int nID) const {
        HWND hWnd = nullptr;
        GetDlgItem(nID, &hWnd);
        return hWnd;
    }
    using InstallerDialog::m_hIcon;
};

std::string TextOf(HWND hWnd) {
    char text[512] = {};
    GetWindowTextA(hWnd, text, sizeof(text));
    return text;
}

LOGFONTA FontOf(HWND hWnd) {
    LOGFONTA lf{};
    auto font = reinterpret_cast<HFONT>(SendMessageA(hWnd, WM_GETFONT, 0, 0));
    EXPECT_NE(font, nullptr);
    EXPECT_NE(GetObjectA(font, sizeof(lf), &lf), 0);
    return lf;
}

class InstallerDialogTest : public testing::Test {
  protected:
    CWinApp app;
};

}  // namespace

TEST_F(InstallerDialogTest, EmptyNameShowsTheDefaultInBoldInEveryTemplate) {
    for (UINT id : kTemplates) {
        SCOPED_TRACE(id);
        OpenDialog dlg(id);
        HWND hName = dlg.Item(IDC_SERVICE_NAME);
        ASSERT_NE(hName, nullptr);
        EXPECT_EQ(TextOf(hName), TPX_TEXT_DEFAULT_NAME);

        LOGFONTA name = FontOf(hName);
        LOGFONTA dialog = FontOf(dlg.m_hWnd);
        EXPECT_EQ(name.lfWeight, FW_BOLD);
        // Only the weight differs from the dialog's own font.
        EXPECT_STREQ(name.lfFaceName, dialog.lfFaceName);
        EXPECT_EQ(name.lfHeight, dialog.lfHeight);
        EXPECT_EQ(name.lfItalic, dialog.lfItalic);
        EXPECT_EQ(name.lfCharSet, dialog.lfCharSet);
        EXPECT_LT(dialog.lfWeight, FW_BOLD);
        // The other lines keep the dialog font.
        HWND hOther = dlg.Item(-1);  // the first text line without an id
        ASSERT_NE(hOther, nullptr);
        EXPECT_NE(TextOf(hOther), "");
        EXPECT_LT(FontOf(hOther).lfWeight, FW_BOLD);
    }
}

TEST_F(InstallerDialogTest, NameIsShownVerbatim) {
    EXPECT_EQ(TextOf(OpenDialog(IDD_INSTALL_OK, "\"my pack.tpx\"").Item(IDC_SERVICE_NAME)),
              "\"my pack.tpx\"");
    // A long name gets no more room but is kept whole in the control.
    std::string longName(300, 'n');
    OpenDialog dlg(IDD_INSTALL_FAILED, longName.c_str());
    EXPECT_EQ(TextOf(dlg.Item(IDC_SERVICE_NAME)), longName);
}

TEST_F(InstallerDialogTest, ProgramIconIsTheBigAndSmallIconAndTheDragIcon) {
    HICON hProgram = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_INSTALLER));
    ASSERT_NE(hProgram, nullptr);
    for (UINT id : kTemplates) {
        SCOPED_TRACE(id);
        OpenDialog dlg(id);
        EXPECT_EQ(dlg.m_hIcon, hProgram);
        EXPECT_EQ(dlg.GetIcon(TRUE), hProgram);
        EXPECT_EQ(dlg.GetIcon(FALSE), hProgram);
        EXPECT_EQ(reinterpret_cast<HICON>(dlg.SendMessage(WM_QUERYDRAGICON)), hProgram);
    }
}

TEST_F(InstallerDialogTest, ModalRunEndsWithOkAndShowsTheTemplateInOrder) {
    INT_PTR result = 0;
    std::vector<ShownDialog> shown = WatchDialogs([&] {
        InstallerDialog dlg(IDD_INSTALL_OK, "Space Pack");
        app.m_pMainWnd = &dlg;
        result = dlg.DoModal();
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(app.m_pMainWnd, nullptr);
    ASSERT_EQ(shown.size(), 1u);
    std::vector<std::string> expected = {TPX_TEXT_CAPTION, "[ OK ]"};
    for (const std::string& l : SplitLines(TPX_TEXT_OK_HEADING)) expected.push_back(l);
    for (const std::string& l : SplitLines(TPX_TEXT_OK_FOOTER)) expected.push_back(l);
    expected.push_back("**Space Pack**");
    EXPECT_EQ(shown[0], expected);
}

// The program's user sees the outcome through this dialog class, as the application's
// main window while it runs.
TEST_F(InstallerDialogTest, TheUserSeesTheOutcomeAsTheMainWindow) {
    std::vector<ShownDialog> shown = WatchDialogs([&] {
        RealUser().ShowOutcome(IDD_INSTALL_FAILED, "\"broken.tpx\"", "The disk is full (a.txt).");
    });
    EXPECT_EQ(app.m_pMainWnd, nullptr) << "the main window outlived its dialog";
    ASSERT_EQ(shown.size(), 1u);
    const std::vector<std::string>& lines = shown[0];
    ASSERT_GE(lines.size(), 2u);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "**\"broken.tpx\"**"), lines.end());
    EXPECT_EQ(lines.back(), "The disk is full (a.txt).");
}
