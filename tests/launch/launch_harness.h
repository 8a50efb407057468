// Plumbing for the whole-program hand-off cases, one implementation per platform:
// a fresh folder per case with the program copied into an install directory, the
// fake client copied where a case wants it, and runs of the program whose message
// box (if any) is read and closed.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace launch {

// Whether a message box shows its icon (the terminal presentation prints none).
extern const bool kBoxShowsIcon;
// Whether the C runtime opens files by paths longer than 260 characters.
extern const bool kLongPathsOpen;

// What LaunchCase(name).Root() will be, for cases that size paths in advance.
std::string CaseRoot(const std::string& name);

class LaunchCase {
  public:
    // <work folder>/<name>/, emptied, holding the install directory `installName`
    // (blanks and nested folders allowed) with the program in it as `programName`
    // (".exe" is appended on Windows). Natively the case also gets its own
    // runtime directory, so that no other client or test is seen.
    explicit LaunchCase(const std::string& name, const std::string& installName = "inst",
                        const std::string& programName = "tpxinstall");
    ~LaunchCase();
    LaunchCase(const LaunchCase&) = delete;
    LaunchCase& operator=(const LaunchCase&) = delete;

    bool Ok() const { return m_ok; }
    // Folders in the platform's own form, each ending in its separator.
    const std::string& Root() const { return m_root; }
    const std::string& InstallDir() const { return m_installDir; }
    const std::string& ProgramPath() const { return m_program; }

    // A copy of the fake client at `path`; its record is client.record beside it.
    bool CopyClient(const std::string& path) const;
    bool WriteText(const std::string& path, const std::string& text) const;
    // The lines of client.record in `dir` (ending in its separator); none when missing.
    std::vector<std::string> Record(const std::string& dir) const;
    // Waits until client.record in `dir` holds a line beginning with `prefix`.
    bool WaitForRecord(const std::string& dir, const std::string& prefix) const;

  private:
    bool m_ok = false;
    std::string m_root;
    std::string m_installDir;
    std::string m_program;
    std::string m_runtimeDir;  // natively: the case's own, removed afterwards
};

// A fake client started by the test with --serve and `options` from its copy at
// `path`; ended when the object goes.
class ServingClient {
  public:
    ServingClient(const LaunchCase& launchCase, const std::string& path,
                  const std::vector<std::string>& options);
    ~ServingClient();
    ServingClient(const ServingClient&) = delete;
    ServingClient& operator=(const ServingClient&) = delete;
    // True once it holds the mutex (and owns its window, unless asked not to).
    bool Ready() const { return m_ready; }

  private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
    bool m_ready = false;
};

struct Outcome {
    bool exited = false;
    unsigned long exitCode = 0;
    bool box = false;  // a message box was shown (and closed with its button)
    std::string boxCaption;
    std::string boxText;
    std::string boxIcon;  // "hand", "question", ... when kBoxShowsIcon
    std::vector<int> boxButtons;
};

// Runs the case's program with `args` (each one quoted when it holds a blank, and
// the quotes removed again by the program) and waits for it to end.
Outcome RunInstaller(const LaunchCase& launchCase, const std::vector<std::string>& args);

// Time for a client that was wrongly started to show up in its record.
void WaitForStrayClient();

}  // namespace launch
