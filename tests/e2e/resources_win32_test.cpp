// The built program's resources, read from tpxinstall.exe without starting it: what each
// dialog must say and hold, and that its layout keeps every control in view and apart.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "e2e/program_resources.h"
#include "ui/dialog_texts.h"
#include "ui/resources.h"

namespace {

using e2e::ControlTemplate;
using e2e::ProgramResources;

std::string Icon(UINT id) {
    return "#" + std::to_string(id);
}

// Each dialog's controls by id and text (a picture by the icon it names), in any order.
const struct {
    UINT dialog;
    std::vector<std::pair<int, std::string>> controls;
} kDialogs[] = {
    {IDD_NO_FILES,
     {{IDOK, TPX_TEXT_OK},
      {IDC_SERVICE_NAME, TPX_TEXT_DEFAULT_NAME},
      {-1, TPX_TEXT_NO_FILES},
      {-1, Icon(IDI_INSTALLER)}}},
    {IDD_INSTALL_OK,
     {{IDOK, TPX_TEXT_OK},
      {IDC_SERVICE_NAME, TPX_TEXT_NAME_PLACEHOLDER},
      {-1, TPX_TEXT_OK_HEADING},
      {-1, TPX_TEXT_OK_FOOTER},
      {-1, Icon(IDI_SUCCESS)}}},
    {IDD_INSTALL_FAILED,
     {{IDOK, TPX_TEXT_OK},
      {IDC_SERVICE_NAME, TPX_TEXT_NAME_PLACEHOLDER},
      {-1, TPX_TEXT_FAILED_HEADING},
      {-1, TPX_TEXT_FAILED_FOOTER},
      {IDC_CAUSE, ""},
      {-1, Icon(IDI_FAILED)}}},
};

bool IsFrame(const ControlTemplate& c) {
    if (c.cls == "BUTTON") return (c.style & BS_TYPEMASK) == BS_GROUPBOX;
    const DWORD type = c.style & SS_TYPEMASK;
    return (type >= SS_BLACKRECT && type <= SS_WHITEFRAME) || type == SS_ETCHEDFRAME;
}

bool Overlap(const ControlTemplate& a, const ControlTemplate& b) {
    return a.x < b.x + b.cx && b.x < a.x + a.cx && a.y < b.y + b.cy && b.y < a.y + a.cy;
}

TEST(ProgramResources, EachDialogSaysWhatItMustAndKeepsItsControlsInViewAndApart) {
    ProgramResources exe;
    ASSERT_TRUE(exe.Module()) << "cannot load " << TPX_PROGRAM_EXE;
    for (const auto& want : kDialogs) {
        SCOPED_TRACE("dialog " + std::to_string(want.dialog));
        const auto dialog = exe.Dialog(want.dialog);
        ASSERT_TRUE(dialog) << "missing or cut short";
        EXPECT_EQ(dialog->caption, TPX_TEXT_CAPTION);
        EXPECT_EQ(dialog->face, "Tahoma");
        EXPECT_EQ(dialog->pointSize, 8);
        EXPECT_EQ(dialog->weight, 0);
        EXPECT_EQ(dialog->italic, 0);
        EXPECT_EQ(dialog->charSet, DEFAULT_CHARSET);
        // A fixed frame with a caption and a taskbar button; never resized or minimised.
        const DWORD must = DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;
        EXPECT_EQ(dialog->style & must, must) << std::hex << dialog->style;
        EXPECT_EQ(dialog->style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_CHILD), 0u);
        EXPECT_TRUE(dialog->exStyle & WS_EX_APPWINDOW);

        std::vector<std::pair<int, std::string>> got;
        int tabStops = 0;
        for (const ControlTemplate& c : dialog->controls) {
            SCOPED_TRACE("control " + c.text);
            got.emplace_back(c.id, c.text);
            tabStops += (c.style & WS_TABSTOP) != 0;
            EXPECT_EQ(c.style & (WS_CHILD | WS_VISIBLE), DWORD(WS_CHILD | WS_VISIBLE));
            EXPECT_TRUE(c.x >= 0 && c.y >= 0 && c.cx > 0 && c.cy > 0 && c.x + c.cx <= dialog->cx &&
                        c.y + c.cy <= dialog->cy)
                << "outside the client area";
            if (c.cls == "BUTTON") {
                EXPECT_EQ(c.style & (BS_TYPEMASK | WS_TABSTOP),
                          DWORD(BS_DEFPUSHBUTTON | WS_TABSTOP));
            } else if (c.icon) {
                // Drawn at its own size, centred, whatever the control's size.
                const DWORD picture = SS_ICON | SS_CENTERIMAGE | SS_REALSIZEIMAGE;
                EXPECT_EQ(c.style & (SS_TYPEMASK | picture), picture);
                EXPECT_FALSE(exe.Bytes(RT_GROUP_ICON, c.icon).empty()) << "no icon " << c.icon;
            } else {
                ASSERT_EQ(c.cls, "STATIC");
                EXPECT_EQ(c.style & SS_TYPEMASK, DWORD(SS_CENTER));
            }
            for (const ControlTemplate& other : dialog->controls) {
                EXPECT_TRUE(&other == &c || IsFrame(c) || IsFrame(other) || !Overlap(c, other))
                    << "overlaps " << other.text;
            }
        }
        EXPECT_EQ(tabStops, 1);
        auto expected = want.controls;
        std::sort(expected.begin(), expected.end());
        std::sort(got.begin(), got.end());
        EXPECT_EQ(got, expected);
    }
}

// The window of long work: its text, its bar and Cancel, in view and apart; hidden
// until it has its text.
TEST(ProgramResources, TheWorkWindowHoldsItsTextBarAndCancel) {
    ProgramResources exe;
    ASSERT_TRUE(exe.Module());
    const auto dialog = exe.Dialog(IDD_WORK);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->caption, TPX_TEXT_CAPTION);
    EXPECT_EQ(dialog->face, "Tahoma");
    EXPECT_EQ(dialog->style & WS_VISIBLE, 0u);
    std::vector<std::pair<int, std::string>> got;
    for (const ControlTemplate& c : dialog->controls) {
        got.emplace_back(c.id, c.text);
        EXPECT_TRUE(c.x >= 0 && c.y >= 0 && c.x + c.cx <= dialog->cx && c.y + c.cy <= dialog->cy)
            << c.id;
        for (const ControlTemplate& other : dialog->controls)
            EXPECT_TRUE(&other == &c || !Overlap(c, other)) << c.id << " overlaps " << other.id;
    }
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, (std::vector<std::pair<int, std::string>>{
                       {IDCANCEL, TPX_TEXT_CANCEL}, {IDC_WORK_TEXT, ""}, {IDC_WORK_BAR, ""}}));
}

TEST(ProgramResources, IconsStringVersionAndManifest) {
    ProgramResources exe;
    ASSERT_TRUE(exe.Module());

    // Each group names images that exist, one of them at the 32x32 a dialog shows.
    for (UINT id : e2e::kProgramIcons) {
        SCOPED_TRACE("icon " + std::to_string(id));
        const std::vector<unsigned char> g = exe.Bytes(RT_GROUP_ICON, id);
        ASSERT_GE(g.size(), 6u);
        const size_t count = g[4] | (g[5] << 8);
        ASSERT_GE(g.size(), 6 + 14 * count);
        bool big = false;
        for (size_t i = 0; i < count; ++i) {
            const unsigned char* e = &g[6 + 14 * i];
            big |= e[0] == 32 && e[1] == 32;
            EXPECT_FALSE(exe.Bytes(RT_ICON, e[12] | (e[13] << 8)).empty());
        }
        EXPECT_TRUE(big);
    }

    char title[64] = {};
    EXPECT_GT(LoadStringA(exe.Module(), IDS_CLIENT_TITLE, title, sizeof(title)), 0);
    EXPECT_STREQ(title, TPX_TEXT_CLIENT_TITLE);

    // The version the release is named by, in the fixed block and in the strings of the
    // one translation.
    const std::string path = e2e::WindowsPath(TPX_PROGRAM_EXE);
    std::vector<char> info(GetFileVersionInfoSizeA(path.c_str(), nullptr));
    ASSERT_FALSE(info.empty());
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, static_cast<DWORD>(info.size()), info.data()));
    auto query = [&](const std::string& key) -> std::pair<const void*, UINT> {
        void* value = nullptr;
        UINT size = 0;
        if (!VerQueryValueA(info.data(), key.c_str(), &value, &size)) return {nullptr, 0};
        return {value, size};
    };
    const auto fixed = static_cast<const VS_FIXEDFILEINFO*>(query("\\").first);
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
    EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));
    char dotted[64], listed[64];
    std::snprintf(dotted, sizeof dotted, "%lu.%lu.%lu.%lu", fixed->dwFileVersionMS >> 16,
                  fixed->dwFileVersionMS & 0xFFFF, fixed->dwFileVersionLS >> 16,
                  fixed->dwFileVersionLS & 0xFFFF);
    std::snprintf(listed, sizeof listed, "%lu, %lu, %lu, %lu", fixed->dwFileVersionMS >> 16,
                  fixed->dwFileVersionMS & 0xFFFF, fixed->dwFileVersionLS >> 16,
                  fixed->dwFileVersionLS & 0xFFFF);
    EXPECT_STREQ(dotted, TPX_VERSION);
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);
    const auto translation = query("\\VarFileInfo\\Translation");
    ASSERT_EQ(translation.second, 4u);
    EXPECT_EQ(*static_cast<const DWORD*>(translation.first), 0x04B00409u);  // 0x0409, 1200
    const std::string strings = "\\StringFileInfo\\040904B0\\";
    for (const char* key : {"FileVersion", "ProductVersion"}) {
        const char* text = static_cast<const char*>(query(strings + key).first);
        EXPECT_STREQ(text ? text : "", listed) << key;
    }
    const char* original = static_cast<const char*>(query(strings + "OriginalFilename").first);
    EXPECT_STREQ(original ? original : "", "tpxinstall.exe");

    const std::vector<unsigned char> manifest = exe.Bytes(MAKEINTRESOURCEA(24), 1);
    const std::string text(manifest.begin(), manifest.end());
    for (const char* part : {"level=\"asInvoker\"", "Microsoft.Windows.Common-Controls",
                             "version=\"6.0.0.0\"", "publicKeyToken=\"6595b64144ccf1df\""}) {
        EXPECT_NE(text.find(part), std::string::npos) << part;
    }
}

}  // namespace
