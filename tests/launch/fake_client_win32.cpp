// Stands in for the client under Windows. It appends what it sees to client.record
// beside itself:
//   module <own path>, command <its command line>, args <argc>, arg<i> <argv[i]> as
//   its C runtime split them, cwd <current directory>
// and, started with --serve (plus --minimized, --maximized or --no-window), holds
// the client's mutex, owns a top-level window of the client's class and records
//   ready, then for each WM_COPYDATA: state <normal|minimized|maximized>,
//   foreground <yes|no>, copydata <dwData> <cbData> <hex bytes>
// It ends on WM_CLOSE or after two minutes, so a failed test leaves nothing behind.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "hex.h"

namespace {

const char kClientClass[] = "Quorvix_BrenvoClass";
const UINT_PTR kLifetimeTimer = 1;
const UINT kLifetimeMs = 120000;

std::string g_recordPath;

void Record(const std::string& line) {
    if (FILE* f = std::fopen(g_recordPath.c_str(), "ab")) {
        std::fprintf(f, "%s\n", line.c_str());
        std::fclose(f);
    }
}

const char* StateOf(HWND hwnd) {
    if (IsIconic(hwnd)) return "minimized";
    if (IsZoomed(hwnd)) return "maximized";
    return "normal";
}

LRESULT CALLBACK ClientProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_COPYDATA: {
            const auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
            Record(std::string("state ") + StateOf(hwnd));
            Record(std::string("foreground ") + (GetForegroundWindow() == hwnd ? "yes" : "no"));
            Record("copydata " + std::to_string(cds->dwData) + " " + std::to_string(cds->cbData) +
                   " " + Hex(static_cast<const char*>(cds->lpData), cds->lpData ? cds->cbData : 0));
            return TRUE;
        }
        case WM_TIMER:
            if (wParam == kLifetimeTimer) DestroyWindow(hwnd);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string self = path;
    g_recordPath = self.substr(0, self.find_last_of('\\') + 1) + "client.record";
    const char* command = GetCommandLineA();
    char cwd[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, cwd);
    Record("module " + self);
    Record(std::string("command ") + command);
    Record("args " + std::to_string(__argc));
    for (int i = 1; i < __argc; ++i) Record("arg" + std::to_string(i) + " " + __argv[i]);
    Record(std::string("cwd ") + cwd);

    if (!std::strstr(command, "--serve")) return 0;
    HANDLE mutex = CreateMutexA(nullptr, FALSE, kClientClass);
    if (std::strstr(command, "--no-window")) {
        Record("ready");
        Sleep(kLifetimeMs);
        CloseHandle(mutex);
        return 0;
    }

    WNDCLASSA wc{};
    wc.lpfnWndProc = ClientProc;
    wc.hInstance = instance;
    wc.lpszClassName = kClientClass;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    RegisterClassA(&wc);
    HWND hwnd = CreateWindowExA(0, kClientClass, "Fake client", WS_OVERLAPPEDWINDOW, 10, 10, 240,
                                120, nullptr, nullptr, instance, nullptr);
    int show = SW_SHOWNORMAL;
    if (std::strstr(command, "--minimized")) show = SW_SHOWMINIMIZED;
    if (std::strstr(command, "--maximized")) show = SW_SHOWMAXIMIZED;
    ShowWindow(hwnd, show);
    SetTimer(hwnd, kLifetimeTimer, kLifetimeMs, nullptr);
    Record(std::string("ready ") + StateOf(hwnd));

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    CloseHandle(mutex);
    return 0;
}
