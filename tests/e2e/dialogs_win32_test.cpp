// The program started as a user starts it, its dialogs read and answered from outside
// through the window system. Each case copies the program into a sandbox of its own.
// Screenshots of the dialogs go to <build>/artifacts.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "e2e/driver/sandbox.h"
#include "e2e/driver/win_driver.h"
#include "e2e/program_resources.h"
#include "support/zip_builder.h"
#include "ui/dialog_texts.h"
#include "ui/resources.h"

namespace {

using e2e::Process;
using e2e::Sandbox;

// The template as the program carries it.
e2e::DialogTemplate ExpectedDialog(UINT id) {
    const auto dialog = e2e::ProgramResources().Dialog(id);
    if (!dialog) throw std::runtime_error("no template " + std::to_string(id));
    return *dialog;
}

INT_PTR CALLBACK InertDialogProc(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

// Dialog units to pixels as the program's dialog converts them: the same template,
// from this binary's copy of the resources, created hidden here.
class DialogUnits {
  public:
    explicit DialogUnits(UINT templateId) {
        HMODULE self = GetModuleHandleA(nullptr);
        HRSRC res = FindResourceA(self, MAKEINTRESOURCEA(templateId), RT_DIALOG);
        if (!res) return;
        const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(self, res)));
        std::vector<BYTE> copy(data, data + SizeofResource(self, res));
        DWORD style;
        std::memcpy(&style, &copy[12], sizeof(style));  // DLGTEMPLATEEX.style
        style &= ~static_cast<DWORD>(WS_VISIBLE);
        std::memcpy(&copy[12], &style, sizeof(style));
        hwnd_ = CreateDialogIndirectParamA(self, reinterpret_cast<LPCDLGTEMPLATEA>(copy.data()),
                                           nullptr, InertDialogProc, 0);
    }
    ~DialogUnits() {
        if (hwnd_) DestroyWindow(hwnd_);
    }
    DialogUnits(const DialogUnits&) = delete;
    DialogUnits& operator=(const DialogUnits&) = delete;

    bool Ok() const { return hwnd_ != nullptr; }
    RECT Map(int x, int y, int cx, int cy) const {
        RECT r{x, y, x + cx, y + cy};
        MapDialogRect(hwnd_, &r);
        return r;
    }

  private:
    HWND hwnd_ = nullptr;
};

::testing::AssertionResult Near(const char* what, LONG actual, LONG expected) {
    if (std::labs(actual - expected) <= 1) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << what << " is " << actual << ", expected " << expected << " (+-1)";
}

// Icons this binary carries (the same .rc), at the size a dialog shows them.
struct IconCandidate {
    UINT id;
    HICON icon;
};
std::vector<IconCandidate> ProgramIcons() {
    HMODULE self = GetModuleHandleA(nullptr);
    std::vector<IconCandidate> out;
    for (const UINT id : e2e::kProgramIcons) {
        out.push_back({id, static_cast<HICON>(LoadImageA(self, MAKEINTRESOURCEA(id), IMAGE_ICON, 32,
                                                         32, LR_SHARED))});
    }
    return out;
}

UINT ShownIcon(HWND picture) {
    const std::vector<IconCandidate> candidates = ProgramIcons();
    std::vector<HICON> icons;
    for (const IconCandidate& c : candidates) icons.push_back(c.icon);
    const int which = e2e::WhichIcon(picture, icons);
    return which < 0 ? 0 : candidates[which].id;
}

// Everything that can be read of a dialog from outside, against its template: caption,
// styles, controls in template order with class, id, text, styles and place, the
// window icons, the picture, and the centred position.
void ExpectDialogMatches(HWND dlg, UINT templateId, const std::string& nameLine,
                         const std::string& cause = "") {
    const e2e::DialogTemplate t = ExpectedDialog(templateId);
    SCOPED_TRACE("dialog " + std::to_string(templateId));
    const e2e::WindowInfo info = e2e::Describe(dlg);
    EXPECT_EQ(info.className, "#32770");
    EXPECT_EQ(info.text, t.caption);
    // The system adds frame bits of its own; the template's must all be there, and
    // nothing that would let the user resize, minimise or maximise the dialog.
    EXPECT_EQ(info.style & t.style, t.style) << std::hex << info.style;
    EXPECT_EQ(info.style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_CHILD), 0u);
    EXPECT_EQ(info.exStyle & t.exStyle, t.exStyle) << std::hex << info.exStyle;

    // Centred on the screen's work area (there is no owner to centre on).
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_TRUE(
        Near("centre x", (info.rect.left + info.rect.right) / 2, (work.left + work.right) / 2));
    EXPECT_TRUE(
        Near("centre y", (info.rect.top + info.rect.bottom) / 2, (work.top + work.bottom) / 2));

    // One icon as big and small window icon, whatever the picture shows. Where the
    // window system cannot tell another process's icons (Wine), the dialog's in-process
    // unit test covers them.
    const std::optional<HICON> big = e2e::WindowIcon(dlg, ICON_BIG);
    if (big) {
        EXPECT_NE(*big, nullptr);
        EXPECT_EQ(e2e::WindowIcon(dlg, ICON_SMALL), big);
    } else {
        ::testing::Test::RecordProperty("window_icons", "not readable across processes");
    }

    DialogUnits units(templateId);
    ASSERT_TRUE(units.Ok());
    RECT client{};
    GetClientRect(dlg, &client);
    const RECT size = units.Map(0, 0, t.cx, t.cy);
    EXPECT_TRUE(Near("client width", client.right, size.right));
    EXPECT_TRUE(Near("client height", client.bottom, size.bottom));

    const std::vector<e2e::WindowInfo> controls = e2e::Children(dlg);
    ASSERT_EQ(controls.size(), t.controls.size());
    for (size_t i = 0; i < controls.size(); ++i) {
        const e2e::ControlTemplate& want = t.controls[i];
        const e2e::WindowInfo& got = controls[i];
        SCOPED_TRACE("control " + std::to_string(i));
        EXPECT_STRCASEEQ(got.className.c_str(), want.cls.c_str());
        EXPECT_EQ(got.id, want.id);
        EXPECT_EQ(got.style, want.style) << std::hex << got.style;
        EXPECT_EQ(got.exStyle & ~static_cast<DWORD>(WS_EX_NOPARENTNOTIFY), want.exStyle)
            << std::hex << got.exStyle;
        if (want.id == IDC_SERVICE_NAME) {
            EXPECT_EQ(got.text, nameLine);
        } else if (want.id == IDC_CAUSE) {
            EXPECT_EQ(got.text, cause);
        } else if (want.icon) {
            EXPECT_EQ(ShownIcon(got.hwnd), want.icon);
        } else {
            EXPECT_EQ(got.text, want.text);
        }
        RECT r = got.rect;
        MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&r), 2);
        const RECT expected = units.Map(want.x, want.y, want.cx, want.cy);
        EXPECT_TRUE(Near("left", r.left, expected.left));
        EXPECT_TRUE(Near("top", r.top, expected.top));
        EXPECT_TRUE(Near("right", r.right, expected.right));
        EXPECT_TRUE(Near("bottom", r.bottom, expected.bottom));
    }
}

// Starts the program and waits for its dialog.
struct Shown {
    Process process;
    HWND dialog;
};
Shown StartAndWaitForDialog(const Sandbox& box, const std::string& args) {
    Process p = box.Start(args);
    HWND dlg = p.Started() ? e2e::WaitForDialog(p) : nullptr;
    return {std::move(p), dlg};
}

std::string Quoted(const std::string& s) {
    return "\"" + s + "\"";
}

TEST(Dialogs, NoPackShowsTheNoFilesDialogAndOkEndsTheRun) {
    Sandbox box("no_files");
    ASSERT_TRUE(box.Ok());
    Shown run = StartAndWaitForDialog(box, "");
    ASSERT_TRUE(run.process.Started());
    ASSERT_NE(run.dialog, nullptr) << "no dialog appeared";
    ExpectDialogMatches(run.dialog, IDD_NO_FILES, TPX_TEXT_DEFAULT_NAME);
    EXPECT_TRUE(e2e::DirectoryExists(box.CustomDir())) << "custom is created all the same";
    EXPECT_FALSE(e2e::SaveScreenshot(run.dialog, e2e::ArtifactPath("no_files.bmp")).empty());

    e2e::ClickButton(e2e::ChildById(run.dialog, IDOK));
    EXPECT_EQ(run.process.WaitExit(), std::optional<DWORD>(0));
}

TEST(Dialogs, EscapeEnterAndTheCloseBoxEndTheDialogLikeOk) {
    struct Way {
        const char* name;
        const char* args;  // a command line of nothing but quotes counts as empty
        void (*act)(HWND);
    };
    const Way ways[] = {
        {"escape", "\"\"", [](HWND d) { e2e::PressKey(d, VK_ESCAPE); }},
        {"enter", "", [](HWND d) { e2e::PressKey(d, VK_RETURN); }},
        {"close_box", "", [](HWND d) { e2e::CloseBox(d); }},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        Sandbox box(std::string("close_") + way.name);
        ASSERT_TRUE(box.Ok());
        Shown run = StartAndWaitForDialog(box, way.args);
        ASSERT_NE(run.dialog, nullptr);
        EXPECT_EQ(e2e::WindowText(e2e::ChildById(run.dialog, IDC_SERVICE_NAME)),
                  TPX_TEXT_DEFAULT_NAME);
        way.act(run.dialog);
        EXPECT_TRUE(e2e::WaitWindowGone(run.dialog));
        EXPECT_EQ(run.process.WaitExit(), std::optional<DWORD>(0));
    }
}

TEST(Dialogs, FailedInstallShowsTheFailureDialogNamingThePack) {
    Sandbox box("install_failed");
    ASSERT_TRUE(box.Ok());
    // A long name with blanks: the name line keeps its one line and cuts the rest.
    const std::string pack =
        "a pack whose name is far too long for the single line the dialog gives it.tpx";
    Shown run = StartAndWaitForDialog(box, Quoted(box.Path("no such folder\\" + pack)));
    ASSERT_NE(run.dialog, nullptr) << "no failure dialog for a pack that does not exist";
    ExpectDialogMatches(run.dialog, IDD_INSTALL_FAILED, Quoted(pack), "The pack cannot be found.");
    EXPECT_FALSE(e2e::SaveScreenshot(run.dialog, e2e::ArtifactPath("install_failed.bmp")).empty());

    e2e::PressButton(run.dialog, IDOK);
    EXPECT_EQ(run.process.WaitExit(), std::optional<DWORD>(1));
}

TEST(Dialogs, InstalledPackShowsTheSuccessDialogWithItsTitle) {
    Sandbox box("install_ok");
    ASSERT_TRUE(box.Ok());
    zipbuild::ZipBuilder zip;
    zip.AddStored("TPX.CFG", "[tpx]\r\ntitle=Chess Deluxe\r\n");
    zip.AddDeflated("Games/Chess/Board.txt", std::string(40000, 'x'));
    ASSERT_NO_THROW(zip.WriteFile(box.Path("chess.tpx")));

    Shown run = StartAndWaitForDialog(box, Quoted(box.Path("chess.tpx")));
    ASSERT_NE(run.dialog, nullptr);
    ExpectDialogMatches(run.dialog, IDD_INSTALL_OK, "Chess Deluxe");
    EXPECT_FALSE(e2e::SaveScreenshot(run.dialog, e2e::ArtifactPath("install_ok.bmp")).empty());
    const std::string board = e2e::ReadFile(box.Path("custom\\games\\chess\\board.txt"));
    EXPECT_EQ(board.size(), 40000u);
    EXPECT_TRUE(board == std::string(40000, 'x')) << "board.txt differs from the entry";
    EXPECT_TRUE(e2e::FileExists(box.Path("custom\\tpx.cfg")));

    e2e::PressKey(run.dialog, VK_RETURN);
    EXPECT_EQ(run.process.WaitExit(), std::optional<DWORD>(0));
}

}  // namespace
