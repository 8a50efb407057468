// The outcome dialog, created modeless and read in-process: the name line's text and
// font, the window icons, and the modal run closed by OK.
#include <gtest/gtest.h>

#include "dialog_watch.h"
#include "framework/platform.h"
#include "app/installer_app.h"
#include "framework/app.h"
#include "ui/dialog_texts.h"
#include "ui/installer_dialog.h"
#include "ui/resources.h"

namespace {

const UINT kTemplates[] = {IDD_NO_FILES, IDD_INSTALL_OK, IDD_INSTALL_FAILED};

// Gives the tests access to the dialog's window-facing side.
class OpenDialog : public InstallerDialog {
  public:
    explicit OpenDialog(UINT nIDTemplate) : InstallerDialog(nIDTemplate) {
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
    InstallerApp app;
};

}  // namespace

TEST_F(InstallerDialogTest, EmptyNameShowsTheDefaultInBoldInEveryTemplate) {
    app.m_strServiceName = "";
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

TEST_F(InstallerDialogTest, NameIsShownVerbatimAsHeldWhenTheWindowOpens) {
    {
        // Constructed first, named afterwards: the name at opening time counts.
        InstallerDialog dlg(IDD_INSTALL_OK);
        app.m_strServiceName = "\"my pack.tpx\"";
        ASSERT_TRUE(dlg.Create(IDD_INSTALL_OK));
        HWND hName = nullptr;
        dlg.GetDlgItem(IDC_SERVICE_NAME, &hName);
        EXPECT_EQ(TextOf(hName), "\"my pack.tpx\"");
        dlg.DestroyWindow();
    }

    // A long name gets no more room but is kept whole in the control.
    std::string longName(300, 'n');
    app.m_strServiceName = longName.c_str();
    OpenDialog dlg(IDD_INSTALL_FAILED);
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
    app.m_strServiceName = "Space Pack";
    INT_PTR result = 0;
    std::vector<ShownDialog> shown = WatchDialogs([&] {
        InstallerDialog dlg(IDD_INSTALL_OK);
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

// The program's platform shows the outcome through this dialog class, as the
// application's main window while it runs.
TEST_F(InstallerDialogTest, ThePlatformShowsTheOutcomeAsTheMainWindow) {
    app.m_strServiceName = "\"broken.tpx\"";
    std::vector<ShownDialog> shown = WatchDialogs(
        [&] { Platform::Default().ShowOutcome(IDD_INSTALL_FAILED, app.m_strServiceName); });
    EXPECT_EQ(app.m_pMainWnd, nullptr) << "the main window outlived its dialog";
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].back(), "**\"broken.tpx\"**");
}
