// The one application object; the framework's process entry finds it.
#include "app/installer_app.h"

InstallerApp theApp;
