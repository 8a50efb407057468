// The window of long work, met by the Windows program: a second installer waits in it
// while another holds custom, a long installation shows its bar there, and Cancel in
// either changes nothing. Screenshots go to <build>/artifacts.
#include <gtest/gtest.h>

#include <windows.h>
// commctrl.h builds on windows.h.
#include <commctrl.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <string>

#include "e2e/driver/sandbox.h"
#include "e2e/driver/win_driver.h"
#include "install/chess_pack.h"
#include "support/zip_builder.h"
#include "ui/dialog_texts.h"
#include "ui/resources.h"

namespace {

using e2e::Process;
using zipbuild::ZipBuilder;

// Each name with its size and a hash of its bytes: a failure stays readable with
// thousands of 32 KiB files.
std::map<std::string, std::string> Snapshot(const std::string& dir) {
    std::map<std::string, std::string> files;
    std::error_code ec;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir, ec)) {
        const std::string bytes = e.is_directory() ? "<dir>" : e2e::ReadFile(e.path().string());
        files[e.path().string()] =
            std::to_string(bytes.size()) + " " + std::to_string(std::hash<std::string>{}(bytes));
    }
    return files;
}

// A window of p with the control `id` whose text starts with `text`; polled often,
// since the waiting window's delay is measured with it.
HWND WaitForControl(const Process& p, int id, const std::string& text) {
    const DWORD start = GetTickCount();
    do {
        for (HWND w : e2e::TopLevelWindows(p.Id(), "#32770")) {
            HWND c = GetDlgItem(w, id);
            if (c != nullptr && e2e::WindowText(c).rfind(text, 0) == 0) return w;
        }
        Sleep(10);
    } while (p.Running() && GetTickCount() - start < e2e::kStartTimeoutMs);
    return nullptr;
}

// Cancel in the work window, the box that says so, OK; the run ends with 1.
void Cancel(Process& p, HWND work, const std::string& shot) {
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(work, IDCANCEL)));
    e2e::SaveScreenshot(work, e2e::ArtifactPath(shot));
    e2e::PressButton(work, IDCANCEL);
    HWND box = e2e::WaitForMessageBox(p, "tpxinstall");
    ASSERT_NE(box, nullptr) << "no cancelled box";
    EXPECT_EQ(e2e::ReadMessageBox(box).text,
              "The installation was cancelled. Nothing was changed.");
    e2e::PressButton(box, IDOK);
    EXPECT_EQ(p.WaitExit(), 1u);
}

TEST(WorkWindowWin, AnInstallerWaitsForTheOneThatHoldsCustom) {
    const e2e::Sandbox box("work_waiting");
    ASSERT_TRUE(box.Ok());
    const std::string custom = box.CustomDir(), board = custom + "\\games\\chess\\board.txt";
    std::filesystem::create_directories(custom + "\\games\\chess");
    e2e::WriteFile(board, "old");
    ChessPack().WriteFile(box.Path("a.tpx"));
    for (const char* name : {"b", "c"}) {
        ZipBuilder zip;
        zip.AddStored(std::string(name) + ".txt", name);
        zip.WriteFile(box.Path(std::string(name) + ".tpx"));
    }
    Process a = box.Start("\"" + box.Path("a.tpx") + "\"");
    HWND question = e2e::WaitForMessageBox(a, "tpxinstall");
    ASSERT_NE(question, nullptr) << "A holds custom while it asks";
    const auto before = Snapshot(custom);

    const DWORD start = GetTickCount();
    Process b = box.Start("\"" + box.Path("b.tpx") + "\"");
    HWND work = WaitForControl(b, IDC_WORK_TEXT, TPX_TEXT_WAITING);
    const DWORD shownMs = GetTickCount() - start;
    ASSERT_NE(work, nullptr) << "B shows no waiting window";
    std::printf("waiting window shown %lu ms after B's start\n", shownMs);
    EXPECT_LT(shownMs, 2000u);
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(work, IDC_WORK_BAR)));
    Cancel(b, work, "work_waiting.bmp");
    EXPECT_EQ(Snapshot(custom), before);

    Process c = box.Start("\"" + box.Path("c.tpx") + "\"");
    work = WaitForControl(c, IDC_WORK_TEXT, TPX_TEXT_WAITING);
    ASSERT_NE(work, nullptr) << "C shows no waiting window";
    e2e::PressButton(question, IDYES);
    HWND done = WaitForControl(a, IDC_SERVICE_NAME, "Chess Deluxe");
    ASSERT_NE(done, nullptr) << "A shows no success dialog";
    e2e::PressButton(done, IDOK);
    EXPECT_EQ(a.WaitExit(), 0u);
    EXPECT_TRUE(e2e::WaitWindowGone(work));
    EXPECT_EQ(c.WaitExit(), 0u);
    EXPECT_TRUE(e2e::ReadFile(board) == std::string(40000, 'b'));
    EXPECT_EQ(e2e::ReadFile(custom + "\\c.txt"), "c");
    EXPECT_FALSE(e2e::FileExists(custom + "\\b.txt"));
    EXPECT_FALSE(e2e::FileExists(custom + "\\~tpx.lock"));
}

TEST(WorkWindowWin, ALongInstallationShowsItsBarAndCancelUndoesIt) {
    const e2e::Sandbox box("work_progress");
    ASSERT_TRUE(box.Ok());
    const std::string custom = box.CustomDir();
    std::filesystem::create_directories(custom + "\\big");
    e2e::WriteFile(custom + "\\big\\keep.txt", "keep");
    {
        ZipBuilder zip;
        for (int i = 0; i < 3000; ++i)
            zip.AddStored("big/f" + std::to_string(i) + ".dat",
                          std::string(32768, static_cast<char>('a' + i % 26)));
        zip.WriteFile(box.Path("big.tpx"));
    }
    const auto before = Snapshot(custom);
    const DWORD start = GetTickCount();
    Process p = box.Start("\"" + box.Path("big.tpx") + "\"");
    HWND work = WaitForControl(p, IDC_WORK_TEXT, "Installing \"big.tpx\"...");
    ASSERT_NE(work, nullptr) << "no progress window";
    HWND bar = GetDlgItem(work, IDC_WORK_BAR);
    EXPECT_TRUE(IsWindowVisible(bar));
    auto position = [bar] {
        DWORD_PTR pos = 0;
        SendMessageTimeoutA(bar, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 5000, &pos);
        return pos;
    };
    const DWORD_PTR first = position();
    DWORD_PTR pos = first;
    for (; pos < 500 && p.Running() && GetTickCount() - start < 120000; Sleep(10)) pos = position();
    std::printf("bar at %lu (first read %lu) %lu ms after the start\n", static_cast<DWORD>(pos),
                static_cast<DWORD>(first), GetTickCount() - start);
    EXPECT_GT(pos, first) << "the bar does not move";
    ASSERT_GE(pos, 500u);
    ASSERT_LT(pos, 1000u) << "the run is too fast to cancel halfway";
    Cancel(p, work, "work_progress.bmp");
    EXPECT_EQ(Snapshot(custom), before);
}

}  // namespace
