#include "e2e/driver/win_driver.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace e2e {
namespace {

constexpr DWORD kPollMs = 100;
constexpr UINT kSendTimeoutMs = 5000;

bool Expired(DWORD start, DWORD timeoutMs) {
    return GetTickCount() - start >= timeoutMs;
}

// Windows holds "no id" (-1 in a template) as 0xFFFF or as all bits set.
int NormalisedId(HWND hwnd) {
    const LONG_PTR raw = GetWindowLongPtrA(hwnd, GWLP_ID);
    const int id = static_cast<int>(raw);
    return (id == 0xFFFF || id == -1) ? -1 : id;
}

// A top-down 32-bit DIB selected into a memory DC; both released together.
class DibCanvas {
  public:
    DibCanvas(int width, int height) : width_(width), height_(height) {
        BITMAPINFO bmi{};
        bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
        bmi.bmiHeader.biWidth = width;
        bmi.bmiHeader.biHeight = -height;
        bmi.bmiHeader.biPlanes = 1;
        bmi.bmiHeader.biBitCount = 32;
        bmi.bmiHeader.biCompression = BI_RGB;
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, &bmi, DIB_RGB_COLORS, &bits_, nullptr, 0);
        if (dc_ && bitmap_) old_ = SelectObject(dc_, bitmap_);
    }
    ~DibCanvas() {
        if (old_) SelectObject(dc_, old_);
        if (bitmap_) DeleteObject(bitmap_);
        if (dc_) DeleteDC(dc_);
    }
    DibCanvas(const DibCanvas&) = delete;
    DibCanvas& operator=(const DibCanvas&) = delete;

    bool Ok() const { return dc_ && bitmap_ && bits_; }
    HDC Dc() const { return dc_; }
    Picture Read() const {
        GdiFlush();
        Picture p;
        p.width = width_;
        p.height = height_;
        const auto* src = static_cast<const DWORD*>(bits_);
        p.pixels.assign(src, src + static_cast<size_t>(width_) * height_);
        for (DWORD& px : p.pixels) px &= 0x00FFFFFF;
        return p;
    }

  private:
    int width_;
    int height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    void* bits_ = nullptr;
};

struct EnumState {
    DWORD pid;
    const char* className;
    const char* caption;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectTopLevel(HWND hwnd, LPARAM param) {
    auto* state = reinterpret_cast<EnumState*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != state->pid || !IsWindowVisible(hwnd)) return TRUE;
    if (state->className && ClassName(hwnd) != state->className) return TRUE;
    if (state->caption && WindowText(hwnd) != state->caption) return TRUE;
    state->found.push_back(hwnd);
    return TRUE;
}

SIZE IconSize(HICON icon) {
    SIZE size{0, 0};
    ICONINFO info{};
    if (!GetIconInfo(icon, &info)) return size;
    BITMAP bm{};
    if (info.hbmColor && GetObjectA(info.hbmColor, sizeof(bm), &bm)) {
        size = {bm.bmWidth, bm.bmHeight};
    } else if (info.hbmMask && GetObjectA(info.hbmMask, sizeof(bm), &bm)) {
        size = {bm.bmWidth, bm.bmHeight / 2};  // monochrome: AND and XOR masks stacked
    }
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    return size;
}

double MeanDifference(const Picture& a, const Picture& b) {
    if (a.width != b.width || a.height != b.height || a.pixels.empty()) return 1e9;
    double sum = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i) {
        for (int shift = 0; shift <= 16; shift += 8) {
            sum += std::abs(static_cast<int>((a.pixels[i] >> shift) & 0xFF) -
                            static_cast<int>((b.pixels[i] >> shift) & 0xFF));
        }
    }
    return sum / (a.pixels.size() * 3.0);
}

bool HasMessageText(HWND dialog) {
    for (const WindowInfo& c : Children(dialog)) {
        if (c.id == -1 && _stricmp(c.className.c_str(), "Static") == 0 &&
            (c.style & SS_TYPEMASK) != SS_ICON)
            return true;
    }
    return false;
}

}  // namespace

// --- Process --------------------------------------------------------------------------

Process Process::Start(const std::string& exe, const std::string& args, const std::string& dir) {
    Process p;
    const std::string winExe = WindowsPath(exe);
    std::string workDir =
        dir.empty() ? winExe.substr(0, winExe.find_last_of('\\') + 1) : WindowsPath(dir);
    std::string cmd = "\"" + winExe + "\"";
    if (!args.empty()) cmd += " " + args;
    std::vector<char> cmdBuf(cmd.begin(), cmd.end());
    cmdBuf.push_back('\0');
    STARTUPINFOA si{};
    si.cb = sizeof(si);
    if (!CreateProcessA(nullptr, cmdBuf.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        workDir.empty() ? nullptr : workDir.c_str(), &si, &p.pi_)) {
        p.pi_ = PROCESS_INFORMATION{};
    }
    return p;
}

Process::Process(Process&& other) noexcept : pi_(std::exchange(other.pi_, PROCESS_INFORMATION{})) {}

Process::~Process() {
    if (!Started()) return;
    if (Running()) Kill();
    CloseHandle(pi_.hThread);
    CloseHandle(pi_.hProcess);
}

bool Process::Running() const {
    return Started() && WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> Process::WaitExit(DWORD timeoutMs) {
    if (!Started() || WaitForSingleObject(pi_.hProcess, timeoutMs) != WAIT_OBJECT_0) return {};
    DWORD code = 0;
    if (!GetExitCodeProcess(pi_.hProcess, &code)) return {};
    return code;
}

void Process::Kill() {
    if (!Started()) return;
    TerminateProcess(pi_.hProcess, 0xDEAD);
    WaitForSingleObject(pi_.hProcess, 10000);
}

// --- paths ----------------------------------------------------------------------------

std::string WindowsPath(const std::string& path) {
    if (path.empty() || path[0] != '/') return path;
    std::string out = "Z:" + path;
    std::replace(out.begin(), out.end(), '/', '\\');
    return out;
}

std::string ArtifactPath(const std::string& fileName) {
#ifdef TPX_ARTIFACT_DIR
    std::string dir = WindowsPath(TPX_ARTIFACT_DIR);
#else
    std::string dir = WindowsPath(TPX_BINARY_DIR "/artifacts");
#endif
    // A run as another user, who cannot write in the build tree, names its own folder.
    if (const char* own = std::getenv("TPX_ARTIFACTS")) dir = WindowsPath(own);
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir + "\\" + fileName;
}

// --- windows --------------------------------------------------------------------------

std::string WindowText(HWND hwnd) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs,
                             &length)) {
        char buf[1024] = {};
        GetWindowTextA(hwnd, buf, sizeof(buf));
        return buf;
    }
    std::vector<char> buf(length + 2, '\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutA(hwnd, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()),
                        SMTO_ABORTIFHUNG, kSendTimeoutMs, &copied);
    return std::string(buf.data(), std::min<size_t>(copied, length));
}

std::string ClassName(HWND hwnd) {
    char buf[256] = {};
    GetClassNameA(hwnd, buf, sizeof(buf));
    return buf;
}

WindowInfo Describe(HWND hwnd) {
    WindowInfo info;
    info.hwnd = hwnd;
    info.className = ClassName(hwnd);
    info.text = WindowText(hwnd);
    info.id = NormalisedId(hwnd);
    info.style = static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_STYLE));
    info.exStyle = static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_EXSTYLE));
    GetWindowRect(hwnd, &info.rect);
    return info;
}

std::vector<HWND> TopLevelWindows(DWORD pid, const char* className, const char* caption) {
    EnumState state{pid, className, caption, {}};
    EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&state));
    return state.found;
}

HWND WaitForWindow(const Process& p, const char* className, const char* caption, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        std::vector<HWND> found = TopLevelWindows(p.Id(), className, caption);
        if (!found.empty()) return found.front();
        if (!p.Running() || Expired(start, timeoutMs)) return nullptr;
        Sleep(kPollMs);
    }
}

HWND WaitForDialog(const Process& p, DWORD timeoutMs) {
    return WaitForWindow(p, "#32770", nullptr, timeoutMs);
}

bool WaitWindowGone(HWND hwnd, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (IsWindow(hwnd) && IsWindowVisible(hwnd)) {
        if (Expired(start, timeoutMs)) return false;
        Sleep(kPollMs);
    }
    return true;
}

std::vector<WindowInfo> Children(HWND parent) {
    std::vector<WindowInfo> out;
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        out.push_back(Describe(c));
    return out;
}

HWND ChildById(HWND parent, int id) {
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        if (NormalisedId(c) == id) return c;
    }
    return nullptr;
}

std::optional<HICON> WindowIcon(HWND hwnd, WPARAM which) {
    DWORD_PTR icon = 0;
    if (!SendMessageTimeoutA(hwnd, WM_GETICON, which, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &icon))
        return {};
    return reinterpret_cast<HICON>(icon);
}

// --- actions --------------------------------------------------------------------------

void PressButton(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(ChildById(dialog, id)));
}

void ClickButton(HWND button) {
    PostMessageA(button, BM_CLICK, 0, 0);
}

void PressKey(HWND dialog, UINT vk) {
    GUITHREADINFO gui{};
    gui.cbSize = sizeof(gui);
    HWND target = dialog;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &gui) && gui.hwndFocus)
        target = gui.hwndFocus;
    const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC)) << 16;
    PostMessageA(target, WM_KEYDOWN, vk, scan | 1);
    PostMessageA(target, WM_KEYUP, vk, scan | 1 | (LPARAM{1} << 30) | (LPARAM{1} << 31));
}

void CloseBox(HWND window) {
    PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
}

// --- pixels ---------------------------------------------------------------------------

Picture CaptureRect(const RECT& r) {
    const int w = r.right - r.left;
    const int h = r.bottom - r.top;
    if (w <= 0 || h <= 0) return {};
    DibCanvas canvas(w, h);
    if (!canvas.Ok()) return {};
    HDC screen = GetDC(nullptr);
    BitBlt(canvas.Dc(), 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    ReleaseDC(nullptr, screen);
    return canvas.Read();
}

Picture Capture(HWND hwnd) {
    HWND top = GetAncestor(hwnd, GA_ROOT);
    RedrawWindow(top, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Sleep(300);  // the other process paints asynchronously
    RECT r{};
    GetWindowRect(hwnd, &r);
    return CaptureRect(r);
}

bool SaveBmp(const Picture& p, const std::string& path) {
    if (p.width <= 0 || p.height <= 0) return false;
    const int rowBytes = (p.width * 3 + 3) & ~3;
    const DWORD imageBytes = static_cast<DWORD>(rowBytes) * p.height;
    BITMAPFILEHEADER fh{};
    BITMAPINFOHEADER ih{};
    fh.bfType = 0x4D42;  // "BM"
    fh.bfOffBits = sizeof(fh) + sizeof(ih);
    fh.bfSize = fh.bfOffBits + imageBytes;
    ih.biSize = sizeof(ih);
    ih.biWidth = p.width;
    ih.biHeight = p.height;  // bottom-up
    ih.biPlanes = 1;
    ih.biBitCount = 24;
    ih.biCompression = BI_RGB;
    ih.biSizeImage = imageBytes;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(&fh, sizeof(fh), 1, f) == 1 && std::fwrite(&ih, sizeof(ih), 1, f) == 1;
    std::vector<unsigned char> row(rowBytes, 0);
    for (int y = p.height - 1; ok && y >= 0; --y) {
        for (int x = 0; x < p.width; ++x) {
            const DWORD px = p.At(x, y);
            row[x * 3 + 0] = static_cast<unsigned char>(px & 0xFF);
            row[x * 3 + 1] = static_cast<unsigned char>((px >> 8) & 0xFF);
            row[x * 3 + 2] = static_cast<unsigned char>((px >> 16) & 0xFF);
        }
        ok = std::fwrite(row.data(), row.size(), 1, f) == 1;
    }
    return std::fclose(f) == 0 && ok;
}

std::string SaveScreenshot(HWND hwnd, const std::string& path) {
    return SaveBmp(Capture(hwnd), path) ? path : std::string();
}

double IconDistance(HWND iconControl, HICON icon) {
    RECT client{};
    GetClientRect(iconControl, &client);
    MapWindowPoints(iconControl, nullptr, reinterpret_cast<POINT*>(&client), 2);
    const Picture shown = CaptureRect(client);
    const SIZE size = IconSize(icon);
    if (shown.pixels.empty() || size.cx <= 0) return 1e9;

    // The control's corner shows the face colour; draw the candidate over that.
    const DWORD face = shown.At(0, 0);
    const HBRUSH brush =
        CreateSolidBrush(RGB((face >> 16) & 0xFF, (face >> 8) & 0xFF, face & 0xFF));
    double best = 1e9;
    // One pixel either way absorbs rounding in the control's centring.
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            DibCanvas canvas(shown.width, shown.height);
            if (!canvas.Ok()) continue;
            RECT all{0, 0, shown.width, shown.height};
            FillRect(canvas.Dc(), &all, brush);
            DrawIconEx(canvas.Dc(), (shown.width - size.cx) / 2 + dx,
                       (shown.height - size.cy) / 2 + dy, icon, size.cx, size.cy, 0, nullptr,
                       DI_NORMAL);
            best = std::min(best, MeanDifference(shown, canvas.Read()));
        }
    }
    DeleteObject(brush);
    return best;
}

int WhichIcon(HWND iconControl, const std::vector<HICON>& candidates) {
    // A window shown a moment ago may not have painted its picture yet: look again for
    // a while before deciding that none matches.
    const DWORD start = GetTickCount();
    for (;;) {
        int best = -1;
        double bestDistance = 1e9;
        for (size_t i = 0; i < candidates.size(); ++i) {
            if (!candidates[i]) continue;
            const double d = IconDistance(iconControl, candidates[i]);
            if (d < bestDistance) {
                bestDistance = d;
                best = static_cast<int>(i);
            }
        }
        // A match leaves little beyond anti-aliasing; a wrong picture differs widely.
        if (bestDistance < 12.0) return best;
        if (Expired(start, 3000)) return -1;
        Sleep(kPollMs);
    }
}

// --- message boxes --------------------------------------------------------------------

const char* ToString(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::None:
            return "none";
        case MessageIcon::Hand:
            return "hand";
        case MessageIcon::Question:
            return "question";
        case MessageIcon::Exclamation:
            return "exclamation";
        case MessageIcon::Asterisk:
            return "asterisk";
    }
    return "?";
}

MessageBoxInfo ReadMessageBox(HWND box) {
    MessageBoxInfo info;
    info.hwnd = box;
    info.caption = WindowText(box);
    Capture(box);  // repaint before the icon is compared by its pixels
    for (const WindowInfo& c : Children(box)) {
        if (_stricmp(c.className.c_str(), "Button") == 0) {
            info.buttons.push_back(c.id);
        } else if (_stricmp(c.className.c_str(), "Static") == 0) {
            if ((c.style & SS_TYPEMASK) == SS_ICON) {
                if (!(c.style & WS_VISIBLE)) continue;
                static const MessageIcon kinds[] = {MessageIcon::Hand, MessageIcon::Question,
                                                    MessageIcon::Exclamation,
                                                    MessageIcon::Asterisk};
                const std::vector<HICON> system = {
                    LoadIconA(nullptr, IDI_HAND), LoadIconA(nullptr, IDI_QUESTION),
                    LoadIconA(nullptr, IDI_EXCLAMATION), LoadIconA(nullptr, IDI_ASTERISK)};
                const int which = WhichIcon(c.hwnd, system);
                if (which >= 0) info.icon = kinds[which];
            } else if (c.id == -1) {
                info.text = c.text;
            }
        }
    }
    std::sort(info.buttons.begin(), info.buttons.end());
    return info;
}

HWND WaitForMessageBox(const Process& p, const char* caption, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        for (HWND h : TopLevelWindows(p.Id(), "#32770", caption)) {
            if (HasMessageText(h)) return h;
        }
        if (!p.Running() || Expired(start, timeoutMs)) return nullptr;
        Sleep(kPollMs);
    }
}

}  // namespace e2e
