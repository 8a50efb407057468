// A scratch install directory per test: <temp>/tpx-install-<random>/custom, the
// application object pointing at it, and helpers to build packs and inspect the result.
#pragma once

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "app/installer_app.h"
#include "framework/file_system.h"
#include "profile/profile_reader.h"
#include "scripted_user.h"
#include "support/zip_builder.h"
#include "test_files.h"

class InstallTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::random_device random;
        root_ = fs::temp_directory_path() / ("tpx-install-" + std::to_string(random()));
        custom_ = root_ / CustomLeaf();
        fs::create_directories(custom_);
        ProfileStartup(RealFileSystem());
        app_.m_strCustomDir = custom_.string().c_str();
    }

    void TearDown() override {
        ProfileShutdown();
        // Entries may have made files read-only, which Windows would not delete.
        std::error_code ec;
        for (const auto& item : fs::recursive_directory_iterator(root_, ec)) {
            fs::permissions(item.path(), fs::perms::owner_write, fs::perm_options::add, ec);
        }
        fs::remove_all(root_, ec);
    }

    virtual std::string CustomLeaf() const { return "custom"; }

    // Writes the pack beside the custom directory and returns its path.
    std::string WritePack(const zipbuild::ZipBuilder& zip, const std::string& name = "pack.tpx") {
        fs::path path = root_ / name;
        zip.WriteFile(path.string());
        return path.string();
    }

    // Installs with a scripted user and returns what was shown.
    std::string Install(const std::string& packPath, std::vector<bool> answers = {}) {
        user_.Script(std::move(answers));
        return user_.Transcript(app_.InstallPackage(packPath.c_str()));
    }

    // The question's directory for a custom subdirectory ("" for the top level).
    std::string Shown(const std::string& sub) const {
        if (sub.empty()) return "/";
        std::string dir = ToUpperAscii(custom_.string() + "\\" + sub);
        for (char& ch : dir) {
            if (ch == '\\') ch = '/';
        }
        return dir + "/";
    }

    bool NoTempFilesLeft() const {
        for (const std::string& name : ListTree(root_)) {
            if (name.find("~tpx") != std::string::npos && name.find(".tmp") != std::string::npos) {
                return false;
            }
        }
        return true;
    }

    ScriptedUser user_;
    InstallerApp app_{user_.Roles()};
    fs::path root_;
    fs::path custom_;
};
