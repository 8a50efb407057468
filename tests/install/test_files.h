// Reading, writing and listing files in tests.
#pragma once

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

inline std::string ReadFileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void WriteFileBytes(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// The installer's lock file, which stays in the custom folder.
const char kLockFile[] = "~tpx.lock";

// Every file and directory below root, as generic relative paths, without the lock file.
inline std::set<std::string> ListTree(const fs::path& root) {
    std::set<std::string> names;
    for (const auto& item : fs::recursive_directory_iterator(root)) {
        if (item.path().filename() == kLockFile) continue;
        names.insert(fs::relative(item.path(), root).generic_string());
    }
    return names;
}

inline std::string ToUpperAscii(std::string text) {
    for (char& ch : text) {
        if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 32);
    }
    return text;
}
