// Stand-ins for the modes and the profile reader, linked instead of the real ones,
// so that start-up can be run on its own.
#pragma once

#include <string>
#include <vector>

struct FakeModes {
    std::vector<std::string> calls;  // "install:<path>", "launch:<line>", "profile-start", ...
    bool failInstall = false;        // InstallPackage sets the error flag

    static FakeModes& Get();
};
