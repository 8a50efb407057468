// The process entry of the POSIX program.
#include <string>

#include "app.h"
#include "argv_command_line.h"
#include "window_platform.h"

int main(int argc, char** argv) {
    static std::string commandLine = JoinCommandLine(argc, argv);
    LPCTSTR lpszArgs = AfxSkipProgramPath(commandLine.c_str());
    return AfxWinMain(AfxModuleInstance(), const_cast<LPTSTR>(lpszArgs));
}
