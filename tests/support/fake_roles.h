// The installer's roles, all played by one fake.
#pragma once

#include "app/installer_app.h"
#include "support/fake_platform.h"

inline InstallerRoles RolesOf(FakePlatform& fake) {
    return InstallerRoles{fake, fake, fake, fake};
}
