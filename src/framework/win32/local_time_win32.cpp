// The 64-bit C runtime calls, so that the i686 build has no 2038 limit either.
#include <time.h>

#include "local_time.h"

namespace platform {

bool LocalPartsToTime(const LocalTimeParts& parts, int64_t* time) {
    struct tm tm = ToTm(parts);
    __time64_t t = _mktime64(&tm);
    if (t == -1) return false;  // the runtime's range begins after 1970-01-01
    *time = static_cast<int64_t>(t);
    return true;
}

bool TimeToLocalParts(int64_t time, LocalTimeParts* parts) {
    __time64_t t = static_cast<__time64_t>(time);
    struct tm tm;
    if (_localtime64_s(&tm, &t) != 0) return false;
    *parts = FromTm(tm);
    return true;
}

int64_t CurrentTime() {
    return static_cast<int64_t>(_time64(nullptr));
}

}  // namespace platform
