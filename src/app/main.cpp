// The one application object, on the machine's own parts; the framework's process
// entry finds it.
#include "app/installer_app.h"
#include "framework/client_program.h"
#include "framework/file_system.h"
#include "framework/tracer.h"
#include "ui/user.h"

InstallerApp theApp(InstallerRoles{RealFileSystem(), RealUser(), RealClientProgram(),
                                   RealTracer()});
