#include "app.h"

// Nothing here delivers messages from outside, so there is no loop to run.
int CWinApp::Run() {
    return ExitInstance();
}
