// Packs from modern zippers (UTF-8 names) installed by the Windows program, in the
// ANSI code page Wine takes from the Unix locale: 1252 in the usual runs, 932 when
// scripts/test.sh runs this binary again under a Japanese locale.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "e2e/driver/sandbox.h"
#include "e2e/driver/win_driver.h"
#include "ui/dialog_texts.h"
#include "ui/resources.h"

namespace {

std::wstring Wide(const std::string& text, UINT codePage) {
    std::wstring wide(text.size(), L'\0');
    const int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()),
                                      &wide[0], static_cast<int>(wide.size()));
    wide.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return wide;
}

std::string Utf8(const std::wstring& wide) {
    std::string text(wide.size() * 4, '\0');
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                      &text[0], static_cast<int>(text.size()), nullptr, nullptr);
    text.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return text;
}

// Every file and folder under dir, as UTF-8 paths relative to it, sorted; read with the
// wide calls, so that what is on disk is seen whatever the code page.
void ListTree(const std::wstring& dir, const std::wstring& prefix, std::vector<std::string>& out) {
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((dir + L"\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        const std::wstring name = found.cFileName;
        // The installer's lock file stays in custom; it is no installed entry.
        if (name == L"." || name == L".." || (prefix.empty() && name == L"~tpx.lock")) continue;
        out.push_back(Utf8(prefix + name));
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ListTree(dir + L"\\" + name, prefix + name + L"\\", out);
    } while (FindNextFileW(find, &found));
    FindClose(find);
}

std::vector<std::string> Installed(const e2e::Sandbox& box) {
    std::vector<std::string> out;
    ListTree(Wide(box.CustomDir(), CP_ACP), L"", out);
    std::sort(out.begin(), out.end());
    return out;
}

// Installs one of the zipfile packs; returns the outcome dialog's heading and exit code.
struct Result {
    std::string heading;
    DWORD exitCode = 99;
    std::vector<std::string> installed;
};

Result InstallPack(const std::string& pack) {
    e2e::Sandbox box("names_" + pack);
    Result result;
    if (!box.Ok() || !CopyFileA(e2e::WindowsPath(TPX_UTF8_PACKS "/" + pack).c_str(),
                                box.Path(pack).c_str(), FALSE)) {
        ADD_FAILURE() << "no sandbox for " << pack;
        return result;
    }
    e2e::Process p = box.Start("\"" + box.Path(pack) + "\"");
    HWND dlg = e2e::WaitForDialog(p);
    if (dlg != nullptr) {
        for (const e2e::WindowInfo& child : e2e::Children(dlg)) {
            if (child.text == TPX_TEXT_OK_HEADING || child.text == TPX_TEXT_FAILED_HEADING)
                result.heading = child.text;
        }
        e2e::SaveScreenshot(
            dlg, e2e::ArtifactPath("names_" + pack + "_cp" + std::to_string(GetACP()) + ".bmp"));
        e2e::PressButton(dlg, IDOK);
    }
    result.exitCode = p.WaitExit().value_or(98);
    result.installed = Installed(box);
    return result;
}

TEST(InstallNamesWin, ZipfileNamesInstallAsTheCodePageHoldsThem) {
    const UINT acp = GetACP();
    RecordProperty("codePage", static_cast<int>(acp));
    std::printf("ANSI code page %u\n", acp);
    if (acp != 1252 && acp != 932) GTEST_SKIP() << "code page " << acp << " not covered";
    const Result echecs = InstallPack("echecs.tpx");
    const Result shogi = InstallPack("shogi.tpx");
    if (acp == 1252) {
        // Lower-cased by the ASCII rule only: É stays, R becomes r.
        EXPECT_EQ(echecs.heading, TPX_TEXT_OK_HEADING);
        EXPECT_EQ(echecs.exitCode, 0u);
        EXPECT_EQ(echecs.installed, (std::vector<std::string>{"\xC3\x89"
                                                              "checs",
                                                              "\xC3\x89"
                                                              "checs\\r\xC3\xA8gles.txt",
                                                              "\xC3\x89"
                                                              "checs\\tpx.cfg"}));
        // 将棋 has no place in 1252: the failure dialog, nothing on disk.
        EXPECT_EQ(shogi.heading, TPX_TEXT_FAILED_HEADING);
        EXPECT_EQ(shogi.exitCode, 1u);
        EXPECT_EQ(shogi.installed, std::vector<std::string>{});
    } else {
        EXPECT_EQ(echecs.heading, TPX_TEXT_FAILED_HEADING);
        EXPECT_EQ(echecs.installed, std::vector<std::string>{});
        EXPECT_EQ(shogi.heading, TPX_TEXT_OK_HEADING);
        EXPECT_EQ(shogi.exitCode, 0u);
        const std::string dir = "\xE5\xB0\x86\xE6\xA3\x8B";  // 将棋
        EXPECT_EQ(shogi.installed,
                  (std::vector<std::string>{dir, dir + "\\tpx.cfg",
                                            dir + "\\\xE8\xA1\xA8",                // 表
                                            dir + "\\\xE8\xA1\xA8\\\xE3\x82\xBD",  // 表\ソ
                                            dir + "\\\xE9\xA7\x92.txt"}));         // 駒.txt
    }
}

}  // namespace
