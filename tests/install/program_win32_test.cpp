// The Windows program installing packs as a user starts it: the overwrite question and
// the outcome dialogs read and answered from outside through the window system.
// Screenshots go to <build>/artifacts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/file_system.h"
#include "e2e/driver/sandbox.h"
#include "e2e/driver/win_driver.h"
#include "framework/ctime.h"
#include "framework/file.h"
#include "install/chess_pack.h"
#include "support/zip_builder.h"
#include "ui/dialog_texts.h"
#include "ui/resources.h"

namespace {

using e2e::Process;
using e2e::Sandbox;

// A sandbox whose custom\games\chess\board.txt already exists, and a pack in it.
struct ChessSandbox {
    explicit ChessSandbox(const std::string& name, const zipbuild::ZipBuilder& zip) : box(name) {
        CreateDirectoryA(box.CustomDir().c_str(), nullptr);
        CreateDirectoryA((box.CustomDir() + "\\games").c_str(), nullptr);
        CreateDirectoryA((box.CustomDir() + "\\games\\chess").c_str(), nullptr);
        e2e::WriteFile(Board(), "old");
        pack = box.Path(name + ".tpx");
        zip.WriteFile(pack);
    }
    std::string Board() const { return box.CustomDir() + "\\games\\chess\\board.txt"; }

    Sandbox box;
    std::string pack;
};

std::string Upper(std::string text) {
    for (char& ch : text) {
        if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 32);
        if (ch == '\\') ch = '/';
    }
    return text;
}

// Waits for the overwrite question, checks it, and answers it.
void AnswerQuestion(const Process& p, const ChessSandbox& sandbox, int answer) {
    HWND box = e2e::WaitForMessageBox(p, "tpxinstall");
    ASSERT_NE(box, nullptr) << "no overwrite question";
    const e2e::MessageBoxInfo info = e2e::ReadMessageBox(box);
    EXPECT_EQ(info.text,
              "Some of the files in this TPX already exist in the Quorvix Brenvo destination "
              "directory:\n\"" +
                  Upper(sandbox.box.CustomDir() + "\\games\\chess\\") +
                  "\".\n\nOverwrite existing custom game/service files?");
    EXPECT_EQ(info.icon, e2e::MessageIcon::Question);
    EXPECT_EQ(info.buttons, (std::vector<int>{IDYES, IDNO}));
    e2e::SaveScreenshot(box, e2e::ArtifactPath("install_question.bmp"));
    e2e::PressButton(box, answer);
    EXPECT_TRUE(e2e::WaitWindowGone(box));
}

// Waits for one of the outcome dialogs and returns its name line after checking its
// heading; presses OK.
std::string ReadOutcome(const Process& p, const char* heading, const std::string& shot) {
    HWND dlg = e2e::WaitForDialog(p);
    if (dlg == nullptr) return "<no dialog>";
    bool headed = false;
    for (const e2e::WindowInfo& child : e2e::Children(dlg)) headed |= child.text == heading;
    EXPECT_TRUE(headed) << "expected the dialog headed " << heading;
    const std::string name = e2e::WindowText(e2e::ChildById(dlg, IDC_SERVICE_NAME));
    e2e::SaveScreenshot(dlg, e2e::ArtifactPath(shot));
    e2e::PressButton(dlg, IDOK);
    return name;
}

TEST(InstallProgramWin, AnsweredYesOverwritesStampsAndShowsTheTitle) {
    zipbuild::ZipBuilder zip = ChessPack();
    ChessSandbox sandbox("install_yes", zip);
    ASSERT_TRUE(sandbox.box.Ok());
    Process p = sandbox.box.Start("\"" + sandbox.pack + "\"");
    ASSERT_TRUE(p.Started());
    AnswerQuestion(p, sandbox, IDYES);
    EXPECT_EQ(ReadOutcome(p, TPX_TEXT_OK_HEADING, "install_ok.bmp"), "Chess Deluxe");
    EXPECT_EQ(p.WaitExit(), 0u);

    EXPECT_TRUE(e2e::ReadFile(sandbox.Board()) == std::string(40000, 'b'));
    const zipbuild::Entry& board = zip.entries().front();
    CFileStatus status;
    ASSERT_TRUE(CFile::GetStatus(RealFileSystem(), sandbox.Board().c_str(), status));
    EXPECT_EQ(status.m_mtime.GetTime(), CTime(board.dosDate, board.dosTime).GetTime());
}

TEST(InstallProgramWin, AnsweredNoEndsQuietly) {
    ChessSandbox sandbox("install_no", ChessPack());
    ASSERT_TRUE(sandbox.box.Ok());
    Process p = sandbox.box.Start("\"" + sandbox.pack + "\"");
    ASSERT_TRUE(p.Started());
    AnswerQuestion(p, sandbox, IDNO);
    EXPECT_EQ(p.WaitExit(), 0u) << "no dialog may follow a No";
    EXPECT_EQ(e2e::ReadFile(sandbox.Board()), "old");
    EXPECT_FALSE(e2e::FileExists(sandbox.box.CustomDir() + "\\games\\chess\\tpx.cfg"));
}

TEST(InstallProgramWin, DamagedPackShowsTheFailureDialogAndKeepsTheOldFile) {
    zipbuild::ZipBuilder zip = ChessPack();
    zip.entries().front().crc = 0xDEADBEEF;
    ChessSandbox sandbox("damaged", zip);
    ASSERT_TRUE(sandbox.box.Ok());
    Process p = sandbox.box.Start("\"" + sandbox.pack + "\"");
    ASSERT_TRUE(p.Started());
    AnswerQuestion(p, sandbox, IDYES);
    EXPECT_EQ(ReadOutcome(p, TPX_TEXT_FAILED_HEADING, "install_failed.bmp"), "\"damaged.tpx\"");
    EXPECT_EQ(p.WaitExit(), 1u);
    EXPECT_EQ(e2e::ReadFile(sandbox.Board()), "old");
}

// A file another program holds open cannot be replaced: the moves made before it are
// undone, the failure dialog shows, and every file is as it was.
TEST(InstallProgramWin, AFileHeldOpenDuringTheMovesUndoesThemAll) {
    zipbuild::ZipBuilder zip = ChessPack();
    zip.AddStored("Games/Chess/rules.txt", "new rules");
    ChessSandbox sandbox("held_open", zip);
    ASSERT_TRUE(sandbox.box.Ok());
    const std::string rules = sandbox.box.CustomDir() + "\\games\\chess\\rules.txt";
    e2e::WriteFile(rules, "old rules");
    HANDLE held = CreateFileA(rules.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    Process p = sandbox.box.Start("\"" + sandbox.pack + "\"");
    ASSERT_TRUE(p.Started());
    AnswerQuestion(p, sandbox, IDYES);
    EXPECT_EQ(ReadOutcome(p, TPX_TEXT_FAILED_HEADING, "install_held_open.bmp"),
              "\"held_open.tpx\"");
    EXPECT_EQ(p.WaitExit(), 1u);
    CloseHandle(held);
    EXPECT_EQ(e2e::ReadFile(sandbox.Board()), "old");
    EXPECT_EQ(e2e::ReadFile(rules), "old rules");
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((sandbox.box.CustomDir() + "\\games\\chess\\*").c_str(), &found);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    std::vector<std::string> names;
    do {
        if (found.cFileName[0] != '.') names.push_back(found.cFileName);
    } while (FindNextFileA(find, &found));
    FindClose(find);
    EXPECT_EQ(names.size(), 2u) << "only board.txt and rules.txt";
    EXPECT_FALSE(e2e::FileExists(sandbox.box.CustomDir() + "\\~tpx.lock"));
}

}  // namespace
