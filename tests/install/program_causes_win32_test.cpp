// Each way an installation fails, met for real by the Windows program: the failure
// dialog's cause line, exit status 1, and custom as it was. Screenshots go to
// <build>/artifacts.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <utility>

#include "e2e/driver/sandbox.h"
#include "e2e/driver/win_driver.h"
#include "support/zip_builder.h"
#include "ui/resources.h"

namespace {

using zipbuild::ZipBuilder;

// Wine runs a Unix program from CreateProcess but hands back no process to wait on:
// callers look for its effect.
void RunUnix(const std::string& script) {
    std::string cmd = "/bin/sh -c \"" + script + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    CreateProcessA("Z:\\bin\\sh", cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                   &pi);
}

// Lets go of what a row holds (an open file, a tmpfs over custom) however it ends.
struct Holds {
    HANDLE file = INVALID_HANDLE_VALUE;
    std::string mountPoint;
    ~Holds() {
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
        if (!mountPoint.empty()) RunUnix("umount '" + mountPoint + "'");
    }
};

std::map<std::string, std::string> Snapshot(const std::string& dir) {
    std::map<std::string, std::string> files;
    std::error_code ec;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir, ec))
        files[e.path().string()] = e.is_directory() ? "<dir>" : e2e::ReadFile(e.path().string());
    return files;
}

BOOL CALLBACK FindFailureDialog(HWND w, LPARAM out) {
    const bool it = IsWindowVisible(w) && GetDlgItem(w, IDC_CAUSE) != nullptr;
    if (it) *reinterpret_cast<HWND*>(out) = w;
    return !it;
}

enum class Place { plain, smallVolume, refusedFolder };

struct Row {
    const char* name;
    Place place;  // where custom is; it holds games\chess.ini unless refused
    void (*pack)(ZipBuilder&);
    bool held;  // chess.ini, which the pack replaces, is held open without sharing
    // {custom} stands for custom's full path; {n}, for any number: which file finds the
    // disk full depends on which of the copying threads writes first.
    const char* cause;
};

const Row kRows[] = {
    {"disk_full", Place::smallVolume,
     [](ZipBuilder& zip) {
         for (int i = 10; i < 28; ++i)
             zip.AddStored("games/chess/p" + std::to_string(i) + ".brd", std::string(3000, 'p'));
     },
     false, "The disk is full (games\\chess\\p{n}.brd)."},
    {"refused_folder", Place::refusedFolder, [](ZipBuilder& zip) { zip.AddStored("a.txt", "a"); },
     false, "Access was refused to {custom}."},
    {"reserved_name", Place::plain,
     [](ZipBuilder& zip) {
         zip.AddStored("games/a.txt", "a");
         zip.AddStored("aux.txt", "aux");
     },
     false, "The pack holds a name that Windows cannot use: aux.txt."},
    {"damaged_entry", Place::plain,
     [](ZipBuilder& zip) {
         zip.AddStored("games/chess/board.brd", "board");
         zip.AddDeflated("games/chess/rules.txt", std::string(5000, 'r')).crc = 0xDEADBEEF;
     },
     false, "The pack is damaged: games/chess/rules.txt failed its check."},
    {"held_file", Place::plain,
     [](ZipBuilder& zip) {
         zip.AddStored("games/new.txt", "new");
         zip.AddStored("games/chess.ini", "new");
     },
     true, "Another program is using games\\chess.ini."},
};

class FailureCauseWin : public ::testing::TestWithParam<Row> {};

TEST_P(FailureCauseWin, ShowsTheCauseAndChangesNothing) {
    const Row& row = GetParam();
    const std::string name = std::string("cause_") + row.name;
    const e2e::Sandbox box(name);
    std::string dir = box.Dir(), custom = box.CustomDir();
    Holds holds;
    if (row.place == Place::refusedFolder) {
        const char* env = std::getenv("TPX_ELEVATION_BOX");
        if (env == nullptr) GTEST_SKIP() << "needs scripts/test.sh's non-root run";
        dir = e2e::WindowsPath(env);
        custom = dir + "\\custom";
        CopyFileA(e2e::WindowsPath(TPX_PROGRAM_EXE).c_str(), (dir + "\\tpxinstall.exe").c_str(),
                  FALSE);
    } else {
        ASSERT_TRUE(box.Ok());
        CreateDirectoryA(custom.c_str(), nullptr);
        if (row.place == Place::smallVolume) {
            // 16 pages: the pack's 54,000 bytes fit, its 18 files of a page each do not.
            holds.mountPoint = TPX_BINARY_DIR "/e2e-work/" + name + "/custom";
            RunUnix("umount '" + holds.mountPoint + "' 2>/dev/null; mount -t tmpfs -o size=64k " +
                    "tmpfs '" + holds.mountPoint + "'");
            ULARGE_INTEGER size{};
            for (int i = 0; i < 50 && size.QuadPart != 65536; ++i, Sleep(100))
                GetDiskFreeSpaceExA(custom.c_str(), nullptr, &size, nullptr);
            if (size.QuadPart != 65536) GTEST_SKIP() << "cannot mount a tmpfs (needs root)";
        }
        CreateDirectoryA((custom + "\\games").c_str(), nullptr);
        e2e::WriteFile(custom + "\\games\\chess.ini", "old");
    }
    const std::string pack = dir + "\\" + row.name + ".tpx";
    ZipBuilder zip;
    row.pack(zip);
    zip.WriteFile(pack);
    const auto before = Snapshot(custom);
    if (row.held)
        holds.file = CreateFileA((custom + "\\games\\chess.ini").c_str(), GENERIC_READ, 0, nullptr,
                                 OPEN_EXISTING, 0, nullptr);

    e2e::Process p = e2e::Process::Start(dir + "\\tpxinstall.exe", "\"" + pack + "\"");
    ASSERT_TRUE(p.Started());
    if (row.held) {  // the overwrite question comes first
        HWND question = e2e::WaitForMessageBox(p, "tpxinstall");
        ASSERT_NE(question, nullptr) << "no overwrite question";
        e2e::PressButton(question, IDYES);
    }
    // From any process: the refused row's dialog is the program's re-run's.
    HWND dlg = nullptr;
    for (int i = 0; i < 300 && dlg == nullptr; ++i, Sleep(100))
        EnumWindows(FindFailureDialog, reinterpret_cast<LPARAM>(&dlg));
    ASSERT_NE(dlg, nullptr) << "no failure dialog";
    std::string want = row.cause;
    if (want.find("{custom}") != std::string::npos) want.replace(want.find("{custom}"), 8, custom);
    const std::string shown = e2e::WindowText(GetDlgItem(dlg, IDC_CAUSE));
    const size_t n = want.find("{n}");
    if (n == std::string::npos) {
        EXPECT_EQ(shown, want);
    } else {
        const size_t digits = shown.find_first_not_of("0123456789", n);
        EXPECT_TRUE(digits != n && digits != std::string::npos &&
                    shown.substr(0, n) == want.substr(0, n) &&
                    shown.substr(digits) == want.substr(n + 3))
            << shown;
    }
    e2e::SaveScreenshot(dlg, e2e::ArtifactPath(name + ".bmp"));
    e2e::PressButton(dlg, IDOK);
    EXPECT_EQ(p.WaitExit(), 1u);
    if (holds.file != INVALID_HANDLE_VALUE)
        CloseHandle(std::exchange(holds.file, INVALID_HANDLE_VALUE));
    EXPECT_EQ(Snapshot(custom), before);
}

INSTANTIATE_TEST_SUITE_P(Rows, FailureCauseWin, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<Row>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
