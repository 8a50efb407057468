#include "cstring.h"

// Text is handled byte by byte here (UTF-8 has no lead bytes in this sense).
BOOL IsAnsiLeadByte(BYTE) {
    return FALSE;
}
