// POSIX side of the platform interface: the Win32 names the subsystems use, given
// a local meaning. Types first, then kernel calls, then the window calls.
#pragma once

#include "api_types.h"
#include "api_kernel.h"
#include "api_user.h"
#include "api_handoff.h"
