// Stands in for the person in front of the installer while a test calls it in-process,
// over the machine's real files: answers its yes/no questions from a script and keeps
// a transcript of what was asked and shown.
#pragma once

#include <string>
#include <vector>

#include "app/install_outcome.h"
#include "support/fake_roles.h"

class ScriptedUser {
  public:
    ScriptedUser();

    // answers[i] answers the i-th question from now on (true: Yes); questions beyond
    // the script get No.
    void Script(std::vector<bool> answers);
    // Every question's text since Script, then the outcome dialog start-up would show
    // for `outcome` ("outcome 103 <name>"), one per line.
    std::string Transcript(const InstallOutcome& outcome) const;
    InstallerRoles Roles() { return RolesOf(m_platform); }
    const FakePlatform& Platform() const { return m_platform; }

  private:
    FakePlatform m_platform;
    HostScope m_scope;
};

// The directories named by the overwrite questions of a transcript, in order.
std::vector<std::string> AskedDirectories(const std::string& transcript);
// How often `text` occurs in the transcript.
int CountOccurrences(const std::string& transcript, const std::string& text);
