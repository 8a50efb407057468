#include "cstring.h"

BOOL IsAnsiLeadByte(BYTE ch) {
    return ::IsDBCSLeadByte(ch);
}
