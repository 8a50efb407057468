#include "window_platform.h"

HINSTANCE AfxModuleInstance() {
    return ::GetModuleHandleA(nullptr);
}
