#include "scripted_user.h"

#include "framework/file_system.h"

ScriptedUser::ScriptedUser() : m_platform(&RealFileSystem()), m_scope(m_platform) {}

void ScriptedUser::Script(std::vector<bool> answers) {
    m_platform.answers.assign(answers.begin(), answers.end());
    m_platform.calls.clear();
}

std::string ScriptedUser::Transcript(const InstallOutcome& outcome) const {
    std::string transcript;
    for (const std::string& line : m_platform.calls) {
        if (line.rfind("ask ", 0) == 0) transcript += line.substr(4) + "\n";
    }
    if (outcome.kind == InstallOutcome::Kind::installed) {
        transcript += "outcome 103 " + std::string(outcome.strName) + "\n";
    }
    return transcript;
}

std::vector<std::string> AskedDirectories(const std::string& transcript) {
    static const std::string kBefore = "destination directory:\n\"";
    static const std::string kAfter = "\".\n\nOverwrite";
    std::vector<std::string> dirs;
    for (size_t pos = transcript.find(kBefore); pos != std::string::npos;
         pos = transcript.find(kBefore, pos + 1)) {
        size_t start = pos + kBefore.size();
        size_t end = transcript.find(kAfter, start);
        if (end == std::string::npos) break;
        dirs.push_back(transcript.substr(start, end - start));
    }
    return dirs;
}

int CountOccurrences(const std::string& transcript, const std::string& text) {
    int count = 0;
    for (size_t pos = transcript.find(text); pos != std::string::npos;
         pos = transcript.find(text, pos + text.size())) {
        ++count;
    }
    return count;
}
