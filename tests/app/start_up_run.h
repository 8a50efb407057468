// Start-up run whole against the recording fake, as the process entry runs it.
#pragma once

#include <string>

#include "app/installer_app.h"
#include "support/fake_roles.h"

struct StartUp {
    BOOL bResult = TRUE;
    int nExitCode = -1;
    CString strInstallDir;
    CString strCustomDir;
};

// The folders of the fake's program path, so that start-up can make custom there.
inline void AddInstallDir(FakePlatform& platform) {
    platform.AddDirectory("C:\\Games");
    platform.AddDirectory("C:\\Games\\Quorvix Brenvo");
}

inline StartUp Start(FakePlatform& platform, const char* cmdLine) {
    HostScope scope(platform);
    std::string line(cmdLine);
    InstallerApp app(RolesOf(platform));
    app.m_lpCmdLine = &line[0];
    StartUp run;
    run.bResult = app.InitInstance();
    run.nExitCode = app.ExitInstance();
    run.strInstallDir = app.m_strInstallDir;
    run.strCustomDir = app.m_strCustomDir;
    return run;
}
