// Window-system types, constants and calls with a local meaning on POSIX.
#pragma once

#include "api_types.h"
