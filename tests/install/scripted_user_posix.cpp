// The terminal presentation reads answer lines from standard input and prints every
// box and dialog on standard output: feed the one, capture the other.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>

#include "scripted_user.h"

namespace {

std::string MakeTempFile(const std::string& contents) {
    char path[] = "/tmp/tpx-scripted-XXXXXX";
    int fd = mkstemp(path);
    if (fd < 0) std::abort();
    if (!contents.empty() && write(fd, contents.data(), contents.size()) < 0) std::abort();
    close(fd);
    return path;
}

}  // namespace

struct ScriptedUser::Impl {
    std::string answersPath;
    std::string outputPath;
    int savedStdout = -1;
    bool finished = false;
    std::string transcript;
};

ScriptedUser::ScriptedUser(std::vector<bool> answers) : m_impl(new Impl) {
    std::string lines;
    for (bool yes : answers) lines += yes ? "y\n" : "n\n";
    m_impl->answersPath = MakeTempFile(lines);
    m_impl->outputPath = MakeTempFile("");
    if (!std::freopen(m_impl->answersPath.c_str(), "r", stdin)) std::abort();
    std::cin.clear();
    std::cout.flush();
    std::fflush(stdout);
    m_impl->savedStdout = dup(STDOUT_FILENO);
    int fd = open(m_impl->outputPath.c_str(), O_WRONLY | O_TRUNC);
    dup2(fd, STDOUT_FILENO);
    close(fd);
}

ScriptedUser::~ScriptedUser() {
    Finish();
}

std::string ScriptedUser::Finish() {
    if (m_impl->finished) return m_impl->transcript;
    m_impl->finished = true;
    std::cout.flush();
    std::fflush(stdout);
    dup2(m_impl->savedStdout, STDOUT_FILENO);
    close(m_impl->savedStdout);
    std::ifstream in(m_impl->outputPath, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    m_impl->transcript = text.str();
    std::freopen("/dev/null", "r", stdin);
    std::cin.clear();
    unlink(m_impl->answersPath.c_str());
    unlink(m_impl->outputPath.c_str());
    return m_impl->transcript;
}
