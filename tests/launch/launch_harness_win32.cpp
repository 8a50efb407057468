// Plumbing under Windows (Wine): processes, windows and message boxes through the
// whole-program test driver.
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "e2e/driver/win_driver.h"
#include "launch/launch_harness.h"

namespace fs = std::filesystem;

namespace launch {

const bool kBoxShowsIcon = true;
const bool kLongPathsOpen = false;

namespace {

const DWORD kRecordTimeoutMs = 60000;
const DWORD kPollMs = 100;

std::string Quoted(const std::vector<std::string>& args) {
    std::string text;
    for (const std::string& arg : args) {
        if (!text.empty()) text += ' ';
        text += arg.find(' ') != std::string::npos || arg.empty() ? "\"" + arg + "\"" : arg;
    }
    return text;
}

}  // namespace

std::string CaseRoot(const std::string& name) {
    return e2e::WindowsPath(TPX_BINARY_DIR "/launch-work/") + name + "\\";
}

LaunchCase::LaunchCase(const std::string& name, const std::string& installName,
                       const std::string& programName) {
    std::error_code ec;
    m_root = CaseRoot(name);
    m_installDir = m_root + installName + "\\";
    m_program = m_installDir + programName + ".exe";
    fs::remove_all(m_root, ec);
    fs::create_directories(m_installDir, ec);
    m_ok = !ec && fs::copy_file(e2e::WindowsPath(TPX_LAUNCH_PROGRAM), m_program, ec) && !ec;
}

LaunchCase::~LaunchCase() = default;

bool LaunchCase::CopyClient(const std::string& path) const {
    std::error_code ec;
    fs::create_directories(fs::path(path).parent_path(), ec);
    return fs::copy_file(e2e::WindowsPath(TPX_LAUNCH_CLIENT), path,
                         fs::copy_options::overwrite_existing, ec) &&
           !ec;
}

bool LaunchCase::WriteText(const std::string& path, const std::string& text) const {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    return static_cast<bool>(out.flush());
}

std::vector<std::string> LaunchCase::Record(const std::string& dir) const {
    std::ifstream in(dir + "client.record", std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

bool LaunchCase::WaitForRecord(const std::string& dir, const std::string& prefix) const {
    const DWORD start = GetTickCount();
    do {
        for (const std::string& line : Record(dir)) {
            if (line.compare(0, prefix.size(), prefix) == 0) return true;
        }
        Sleep(kPollMs);
    } while (GetTickCount() - start < kRecordTimeoutMs);
    return false;
}

struct ServingClient::Impl {
    std::unique_ptr<e2e::Process> process;
};

ServingClient::ServingClient(const LaunchCase& launchCase, const std::string& path,
                             const std::vector<std::string>& options)
    : m_impl(new Impl) {
    std::vector<std::string> args = {"--serve"};
    args.insert(args.end(), options.begin(), options.end());
    const std::string dir = path.substr(0, path.find_last_of('\\') + 1);
    m_impl->process.reset(new e2e::Process(e2e::Process::Start(path, Quoted(args), dir)));
    m_ready = m_impl->process->Started() && launchCase.WaitForRecord(dir, "ready");
}

ServingClient::~ServingClient() = default;  // the process object kills the client

Outcome RunInstaller(const LaunchCase& launchCase, const std::vector<std::string>& args) {
    Outcome outcome;
    e2e::Process p =
        e2e::Process::Start(launchCase.ProgramPath(), Quoted(args), launchCase.InstallDir());
    if (!p.Started()) return outcome;
    if (HWND box = e2e::WaitForMessageBox(p, nullptr)) {
        const e2e::MessageBoxInfo info = e2e::ReadMessageBox(box);
        outcome.box = true;
        outcome.boxCaption = info.caption;
        outcome.boxText = info.text;
        outcome.boxIcon = e2e::ToString(info.icon);
        outcome.boxButtons = info.buttons;
        e2e::SaveScreenshot(box, e2e::ArtifactPath("launch_failed.bmp"));
        e2e::PressButton(box, info.buttons.empty() ? IDOK : info.buttons.front());
    }
    if (std::optional<DWORD> code = p.WaitExit()) {
        outcome.exited = true;
        outcome.exitCode = *code;
    }
    return outcome;
}

void WaitForStrayClient() {
    Sleep(3000);
}

}  // namespace launch
