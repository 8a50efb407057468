#include "app/fake_modes.h"

#include "app/installer_app.h"
#include "profile/profile_reader.h"

FakeModes& FakeModes::Get() {
    static FakeModes modes;
    return modes;
}

// Like the real installation, names the pack by its quoted file name.
void InstallerApp::InstallPackage(const CString& strPackPath) {
    FakeModes::Get().calls.push_back(std::string("install:") + static_cast<LPCTSTR>(strPackPath));
    CString strName = strPackPath.Mid(strPackPath.ReverseFind('\\') + 1);
    m_strServiceName = "\"" + strName + "\"";
    if (FakeModes::Get().failInstall) m_bError = TRUE;
}

void InstallerApp::LaunchService(CString& strCmdLine) {
    FakeModes::Get().calls.push_back(std::string("launch:") + static_cast<LPCTSTR>(strCmdLine));
}

void ProfileStartup() {
    FakeModes::Get().calls.push_back("profile-start");
}

void ProfileShutdown() {
    FakeModes::Get().calls.push_back("profile-stop");
}
