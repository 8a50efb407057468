// InstallPackage against the in-memory fake: an install directory C:\Quorvix with its
// custom folder, and a pack written to C:\pack.tpx for each installation.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/installer_app.h"
#include "profile/profile_reader.h"
#include "support/fake_roles.h"
#include "ui/resources.h"
#include "support/zip_builder.h"

const std::string kFakeCustom = "C:\\Quorvix\\custom";

class FakeInstallTest : public ::testing::Test {
  protected:
    void SetUp() override {
        platform_.AddDirectory("C:\\Quorvix");
        platform_.AddDirectory(kFakeCustom);
        app_.m_strCustomDir = kFakeCustom.c_str();
        ProfileStartup(platform_);
    }
    void TearDown() override {
        ProfileShutdown();  // the fake goes with the test
    }

    // Installs `zip` with a fresh record of calls.
    void Install(const zipbuild::ZipBuilder& zip) {
        platform_.AddFile("C:\\pack.tpx", zip.Build());
        platform_.calls.clear();
        outcome_ = app_.InstallPackage("C:\\pack.tpx");
        // As start-up would show it.
        if (outcome_.kind == InstallOutcome::Kind::installed) {
            platform_.ShowOutcome(IDD_INSTALL_OK, outcome_.strName, CString());
        }
    }

    // Files and folders inside custom, but for the installer's lock file.
    std::vector<std::string> Made() const {
        std::vector<std::string> made;
        for (const std::string& path : platform_.Paths()) {
            if (path.rfind(kFakeCustom + "\\", 0) == 0 && path != kFakeCustom + "\\~tpx.lock") {
                made.push_back(path.substr(kFakeCustom.size() + 1));
            }
        }
        return made;
    }

    FakePlatform platform_;
    HostScope scope_{platform_};
    InstallOutcome outcome_;
    InstallerApp app_{RolesOf(platform_)};
};
