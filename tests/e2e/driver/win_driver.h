// Drives another process's windows from a test: starts a program, finds its dialogs and
// message boxes, reads their controls, presses their buttons and takes screenshots.
//
//   e2e::Process p = e2e::Process::Start(exe, "\"C:\\packs\\a.tpx\"");
//   HWND dlg = e2e::WaitForDialog(p, 20000);
//   auto controls = e2e::Children(dlg);          // template order
//   e2e::SaveScreenshot(dlg, e2e::ArtifactPath("no_files.bmp"));
//   e2e::PressButton(dlg, IDOK);
//   EXPECT_EQ(p.WaitExit(20000), 0u);
//
//   HWND box = e2e::WaitForMessageBox(p, "tpxinstall");   // caption: the program title
//   e2e::MessageBoxInfo mb = e2e::ReadMessageBox(box);     // text, icon kind, buttons
//   e2e::PressButton(box, IDNO);
//
// sandbox.h gives each case a folder with its own copy of the program.
//
// What crosses the process boundary: texts, styles, rectangles and pixels on the
// screen; a shown icon is recognised by its pixels. Fonts do not cross, and under Wine
// neither do window icons (WM_GETICON); check those in-process.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace e2e {

// Timeouts for Wine: a process start alone takes seconds.
constexpr DWORD kStartTimeoutMs = 30000;
constexpr DWORD kExitTimeoutMs = 30000;

// A started program. Destruction kills it if it is still running, so a failed test
// leaves no dialog behind.
class Process {
  public:
    // Runs `exe` with the command line `"exe" args` in `dir` (the exe's directory when
    // empty). Unix paths (starting with '/') are taken as Wine's Z: drive.
    static Process Start(const std::string& exe, const std::string& args,
                         const std::string& dir = std::string());
    Process(Process&& other) noexcept;
    Process& operator=(Process&&) = delete;
    Process(const Process&) = delete;
    ~Process();

    bool Started() const { return pi_.hProcess != nullptr; }
    DWORD Id() const { return pi_.dwProcessId; }
    DWORD ThreadId() const { return pi_.dwThreadId; }
    bool Running() const;
    // The exit code, or nothing when the process still runs after `timeoutMs`.
    std::optional<DWORD> WaitExit(DWORD timeoutMs = kExitTimeoutMs);
    void Kill();

  private:
    Process() = default;
    PROCESS_INFORMATION pi_{};
};

// Unix paths become Z:\ paths; others pass unchanged.
std::string WindowsPath(const std::string& path);
// The folder for screenshots and other files a person may want to look at; created.
// TPX_ARTIFACTS in the environment names another.
std::string ArtifactPath(const std::string& fileName);

struct WindowInfo {
    HWND hwnd = nullptr;
    std::string className;
    std::string text;
    int id = 0;  // control id; -1 for the "no id" 0xFFFF of a template
    DWORD style = 0;
    DWORD exStyle = 0;
    RECT rect{};  // screen coordinates
};

std::string WindowText(HWND hwnd);
std::string ClassName(HWND hwnd);
WindowInfo Describe(HWND hwnd);

// Visible top-level windows of the process, optionally of one class and caption.
std::vector<HWND> TopLevelWindows(DWORD pid, const char* className = nullptr,
                                  const char* caption = nullptr);
// Waits for a visible top-level window of the process; nullptr after the timeout or
// when the process ends first.
HWND WaitForWindow(const Process& p, const char* className, const char* caption,
                   DWORD timeoutMs = kStartTimeoutMs);
// A dialog box (class #32770) of the process, any caption.
HWND WaitForDialog(const Process& p, DWORD timeoutMs = kStartTimeoutMs);
// Waits until `hwnd` is gone (closed or its process ended).
bool WaitWindowGone(HWND hwnd, DWORD timeoutMs = kExitTimeoutMs);

// Child windows in z-order, which for a dialog is the order of its template.
std::vector<WindowInfo> Children(HWND parent);
HWND ChildById(HWND parent, int id);

// The window's icon as set with WM_SETICON (ICON_BIG or ICON_SMALL): a handle value
// only, usable for comparison. Nothing when the window system does not answer the
// question across processes (Wine 8 fails WM_GETICON sent to another process).
std::optional<HICON> WindowIcon(HWND hwnd, WPARAM which);

// Actions. All are posted, so a dialog that closes in response cannot block the test.
void PressButton(HWND dialog, int id);  // WM_COMMAND / BN_CLICKED, as a click sends it
void ClickButton(HWND button);          // BM_CLICK on the button itself
// A key press as the dialog's modal loop sees it: WM_KEYDOWN/WM_KEYUP to the control
// that has the focus (Enter presses the default button, Escape cancels).
void PressKey(HWND dialog, UINT vk);
void CloseBox(HWND window);  // WM_SYSCOMMAND SC_CLOSE, as the caption's close box sends

// Pixels of a window as it shows on the screen, top row first, 0x00RRGGBB.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<DWORD> pixels;
    DWORD At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};
// Repaints the window and grabs its screen rectangle.
Picture Capture(HWND hwnd);
Picture CaptureRect(const RECT& screenRect);
bool SaveBmp(const Picture& picture, const std::string& path);
// Capture + SaveBmp; returns the path written, or empty on failure.
std::string SaveScreenshot(HWND hwnd, const std::string& path);

// Mean absolute difference per channel between a shown icon control and `icon` drawn
// here on the dialog face colour, centred in the control's client area.
double IconDistance(HWND iconControl, HICON icon);
// Of `candidates`, the index of the icon the control shows most likely; -1 if none.
int WhichIcon(HWND iconControl, const std::vector<HICON>& candidates);

// Message boxes (the system's MessageBox, a #32770 dialog).
enum class MessageIcon { None, Hand, Question, Exclamation, Asterisk };
struct MessageBoxInfo {
    HWND hwnd = nullptr;
    std::string caption;
    std::string text;
    MessageIcon icon = MessageIcon::None;
    std::vector<int> buttons;  // control ids: IDOK, IDYES, IDNO, ...
};
const char* ToString(MessageIcon icon);
// Reads a message box: its text is the static control with id 0xFFFF, its icon the
// SS_ICON static (recognised by its pixels), its buttons the BUTTON children.
MessageBoxInfo ReadMessageBox(HWND box);
// Waits for a message box of the process: a dialog with the given caption (any when
// null) that has a text static without id. A message box's caption is the program's
// title, which tells it apart from the program's own dialogs.
HWND WaitForMessageBox(const Process& p, const char* caption, DWORD timeoutMs = kStartTimeoutMs);

}  // namespace e2e
