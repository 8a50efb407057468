// A watcher thread plays the user: the installer's message boxes and dialogs run modal
// loops on the test's own thread, so another thread reads and answers them.
#include <windows.h>

#include <atomic>
#include <deque>
#include <mutex>
#include <thread>

#include "e2e/driver/win_driver.h"
#include "scripted_user.h"
#include "ui/dialog_texts.h"
#include "ui/resources.h"

struct ScriptedUser::Impl {
    std::deque<bool> answers;
    std::atomic<bool> stop{false};
    std::mutex lock;
    std::string transcript;
    bool finished = false;
    std::thread watcher;

    void Record(const std::string& text) {
        std::lock_guard<std::mutex> guard(lock);
        transcript += text;
        transcript += '\n';
    }

    void Answer(HWND window) {
        HWND nameLine = e2e::ChildById(window, IDC_SERVICE_NAME);
        if (nameLine != nullptr) {
            // One of the program's dialogs: wait until its name line is filled in.
            for (int i = 0; i < 200 && e2e::WindowText(nameLine) == TPX_TEXT_NAME_PLACEHOLDER;
                 ++i) {
                Sleep(10);
            }
            std::string texts;
            for (const e2e::WindowInfo& child : e2e::Children(window)) texts += child.text + "\n";
            Record(texts);
            e2e::PressButton(window, IDOK);
        } else {
            e2e::MessageBoxInfo box = e2e::ReadMessageBox(window);
            Record(box.caption + "\n" + box.text);
            bool yes = false;
            if (!answers.empty()) {
                yes = answers.front();
                answers.pop_front();
            }
            e2e::PressButton(window, yes ? IDYES : IDNO);
        }
        e2e::WaitWindowGone(window, 10000);
    }

    void Run() {
        const DWORD self = GetCurrentProcessId();
        while (!stop) {
            for (HWND window : e2e::TopLevelWindows(self, "#32770")) Answer(window);
            Sleep(10);
        }
    }
};

ScriptedUser::ScriptedUser(std::vector<bool> answers) : m_impl(new Impl) {
    m_impl->answers.assign(answers.begin(), answers.end());
    m_impl->watcher = std::thread([this] { m_impl->Run(); });
}

ScriptedUser::~ScriptedUser() {
    Finish();
}

std::string ScriptedUser::Finish() {
    if (!m_impl->finished) {
        m_impl->finished = true;
        m_impl->stop = true;
        m_impl->watcher.join();
    }
    std::lock_guard<std::mutex> guard(m_impl->lock);
    return m_impl->transcript;
}
