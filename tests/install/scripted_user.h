// Stands in for the person in front of the installer while a test calls it in-process,
// over the platform's real files: answers its yes/no questions from a script and keeps
// a transcript of what was asked and shown.
#pragma once

#include <string>
#include <vector>

#include "support/fake_platform.h"

class ScriptedUser {
  public:
    // answers[i] answers the i-th question (true: Yes); questions beyond the script get No.
    explicit ScriptedUser(std::vector<bool> answers = {});

    // Every question's text and every outcome ("outcome 103 <name>"), one per line.
    std::string Finish() const;
    const FakePlatform& Platform() const { return m_platform; }

  private:
    FakePlatform m_platform;
    ::Platform::Scope m_scope;
};

// The directories named by the overwrite questions of a transcript, in order.
std::vector<std::string> AskedDirectories(const std::string& transcript);
// How often `text` occurs in the transcript.
int CountOccurrences(const std::string& transcript, const std::string& text);
