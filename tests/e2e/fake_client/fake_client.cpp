// Stands in for the game client in whole-program tests. While it runs it holds the
// client's named mutex and shows a top-level window of the client's class; it logs to
// client.log beside itself how it was started and every WM_COPYDATA it receives, one
// line each, so a test can read what the installer handed over:
//   start <command line after the program path>
//   copydata <dwData> <cbData> <text up to its NUL>
// It ends on WM_CLOSE or after a minute, so a failed test leaves nothing running.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

const char kClientClass[] = "Quorvix_BrenvoClass";
constexpr UINT_PTR kLifetimeTimer = 1;
constexpr UINT kLifetimeMs = 60000;

std::string LogPath() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string p = path;
    return p.substr(0, p.find_last_of('\\') + 1) + "client.log";
}

// Opens, appends and closes each time: the test may read the file at any moment.
void Log(const std::string& line) {
    if (FILE* f = std::fopen(LogPath().c_str(), "ab")) {
        std::fprintf(f, "%s\n", line.c_str());
        std::fclose(f);
    }
}

// The command line without the program's own path, skipped as a C runtime would.
const char* Arguments(const char* cmd) {
    if (*cmd == '"') {
        ++cmd;
        while (*cmd && *cmd != '"') ++cmd;
        if (*cmd == '"') ++cmd;
    } else {
        while (static_cast<unsigned char>(*cmd) > ' ') ++cmd;
    }
    while (*cmd && static_cast<unsigned char>(*cmd) <= ' ') ++cmd;
    return cmd;
}

LRESULT CALLBACK ClientProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_COPYDATA: {
            const auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
            const char* data = static_cast<const char*>(cds->lpData);
            std::string text = data ? std::string(data, strnlen(data, cds->cbData)) : "";
            Log("copydata " + std::to_string(cds->dwData) + " " + std::to_string(cds->cbData) +
                " " + text);
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
    HANDLE mutex = CreateMutexA(nullptr, FALSE, kClientClass);
    Log(std::string("start ") + Arguments(GetCommandLineA()));

    WNDCLASSA wc{};
    wc.lpfnWndProc = ClientProc;
    wc.hInstance = instance;
    wc.lpszClassName = kClientClass;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    RegisterClassA(&wc);
    HWND hwnd = CreateWindowExA(0, kClientClass, "Fake client", WS_OVERLAPPEDWINDOW, 10, 10, 240,
                                120, nullptr, nullptr, instance, nullptr);
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    SetTimer(hwnd, kLifetimeTimer, kLifetimeMs, nullptr);

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (mutex) CloseHandle(mutex);
    return 0;
}
