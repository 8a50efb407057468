// Elevation under Wine, which has no UAC: "runas" starts the program plainly. Run as a
// non-root user with a read-only (0555) custom folder, which Wine maps to access denied
// as a protected folder denies it on Windows. scripts/test.sh prepares that folder and
// names it in TPX_ELEVATION_BOX; elsewhere the case skips itself.
#include <windows.h>
// tlhelp32.h needs the types of windows.h.
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "e2e/driver/win_driver.h"
#include "support/zip_builder.h"
#include "ui/dialog_texts.h"
#include "ui/resources.h"

namespace {

std::vector<DWORD> ProgramProcesses() {
    std::vector<DWORD> pids;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return pids;
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more;
         more = Process32Next(snapshot, &entry)) {
        if (_stricmp(entry.szExeFile, "tpxinstall.exe") == 0) pids.push_back(entry.th32ProcessID);
    }
    CloseHandle(snapshot);
    return pids;
}

// A dialog of a program process, the re-run's when `except` is given, and that process.
HWND WaitForProgramDialog(DWORD except, DWORD* pid) {
    for (int i = 0; i < 300; ++i) {
        for (DWORD candidate : ProgramProcesses()) {
            if (candidate == except) continue;
            const std::vector<HWND> dialogs = e2e::TopLevelWindows(candidate, "#32770");
            if (!dialogs.empty()) {
                *pid = candidate;
                return dialogs.front();
            }
        }
        Sleep(100);
    }
    return nullptr;
}

TEST(InstallElevationWin, ReadOnlyCustomRerunsOnceAndTheRerunShowsTheFailure) {
    const char* boxDir = std::getenv("TPX_ELEVATION_BOX");
    if (boxDir == nullptr) GTEST_SKIP() << "needs scripts/test.sh's non-root run";
    const std::string box = e2e::WindowsPath(boxDir);
    const std::string custom = box + "\\custom";
    const std::string probe = custom + "\\writable.tmp";
    HANDLE h = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        CloseHandle(h);
        DeleteFileA(probe.c_str());
        GTEST_SKIP() << custom << " is writable (run as root?)";
    }
    ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));

    const std::string program = box + "\\tpxinstall.exe";
    ASSERT_TRUE(CopyFileA(e2e::WindowsPath(TPX_PROGRAM_EXE).c_str(), program.c_str(), FALSE));
    zipbuild::ZipBuilder zip;
    zip.AddStored("chess/tpx.cfg", "[tpx]\r\ntitle=Chess\r\n");
    zip.WriteFile(box + "\\elevate.tpx");

    e2e::Process p = e2e::Process::Start(program, "\"" + box + "\\elevate.tpx\"", box);
    ASSERT_TRUE(p.Started());
    // Exactly one more run, which shows the outcome, while the first waits showing
    // nothing. (Wine has no prompt: "runas" starts the program plainly.)
    DWORD shower = 0;
    HWND dlg = WaitForProgramDialog(p.Id(), &shower);
    ASSERT_NE(dlg, nullptr) << "no failure dialog from a re-run";
    EXPECT_EQ(ProgramProcesses().size(), 2u);
    EXPECT_TRUE(e2e::TopLevelWindows(p.Id()).empty());
    bool failed = false;
    for (const e2e::WindowInfo& child : e2e::Children(dlg))
        failed |= child.text == TPX_TEXT_FAILED_HEADING;
    EXPECT_TRUE(failed) << "an elevated run fails too: Wine keeps the Unix permissions";
    EXPECT_EQ(e2e::WindowText(e2e::ChildById(dlg, IDC_SERVICE_NAME)), "\"elevate.tpx\"");
    e2e::SaveScreenshot(dlg, e2e::ArtifactPath("elevation_failed.bmp"));
    e2e::PressButton(dlg, IDOK);
    EXPECT_EQ(p.WaitExit(), 1u);
    EXPECT_EQ(ProgramProcesses().size(), 0u) << "no dialog of ours followed";
}

}  // namespace
