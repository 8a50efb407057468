// Stands in for the person in front of the installer while a test calls it in-process:
// answers its yes/no questions from a script and closes its dialogs, and keeps a
// transcript of everything shown. Natively the terminal presentation reads answers from
// standard input and prints to standard output, so both are redirected; on Windows a
// watcher thread finds the process's message boxes and dialogs and presses their buttons.
#pragma once

#include <memory>
#include <string>
#include <vector>

class ScriptedUser {
  public:
    // answers[i] answers the i-th question (true: Yes); questions beyond the script get No.
    explicit ScriptedUser(std::vector<bool> answers = {});
    ~ScriptedUser();
    ScriptedUser(const ScriptedUser&) = delete;
    ScriptedUser& operator=(const ScriptedUser&) = delete;

    // Ends the session (idempotent) and returns the transcript: every question's text and
    // every dialog's control texts, in the order shown.
    std::string Finish();

  private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// The directories named by the overwrite questions of a transcript, in order.
std::vector<std::string> AskedDirectories(const std::string& transcript);
// How often `text` occurs in the transcript.
int CountOccurrences(const std::string& transcript, const std::string& text);
