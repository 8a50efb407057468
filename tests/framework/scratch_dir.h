// A fresh directory per test under the build tree, removed afterwards (read-only
// files included), and small helpers to put bytes into files there.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

class ScratchDir {
  public:
    ScratchDir() {
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "." + info->name();
        // Absolute as the program sees it: under Wine that adds the drive letter.
        m_root = std::filesystem::absolute(std::filesystem::path(TPX_BINARY_DIR) / "test-scratch" /
                                           name);
        Clean();
        std::filesystem::create_directories(m_root);
    }
    ~ScratchDir() { Clean(); }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    // Absolute path of name inside the directory, with forward slashes.
    std::string Path(const std::string& name = "") const {
        std::string p = m_root.generic_string();
        return name.empty() ? p : p + "/" + name;
    }
    // The same with backslashes, as Windows programs write paths.
    std::string WinPath(const std::string& name = "") const {
        std::string p = Path(name);
        for (char& c : p) {
            if (c == '/') c = '\\';
        }
        return p;
    }

    static void Write(const std::string& path, const std::string& bytes) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        ASSERT_TRUE(out.good()) << path;
    }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    static bool Exists(const std::string& path) { return std::filesystem::exists(path); }

  private:
    void Clean() {
        std::error_code ec;
        if (!std::filesystem::exists(m_root, ec)) return;
        for (auto& entry : std::filesystem::recursive_directory_iterator(m_root, ec)) {
            std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_write,
                                         std::filesystem::perm_options::add, ec);
        }
        std::filesystem::remove_all(m_root, ec);
    }

    std::filesystem::path m_root;
};
