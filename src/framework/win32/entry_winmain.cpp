// The process entry of the Windows program (GUI subsystem).
#include "app.h"
#include "host.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int) {
    // The command line is cut from the process's own, by the rule the application
    // expects, rather than taken from the C runtime's copy.
    LPCTSTR lpszArgs = AfxSkipProgramPath(::GetCommandLineA());
    return AfxWinMain(RealHost(), hInstance, const_cast<LPTSTR>(lpszArgs));
}
