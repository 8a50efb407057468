#include <ctime>

#include "local_time.h"

namespace platform {

bool LocalPartsToTime(const LocalTimeParts& parts, int64_t* time) {
    struct tm tm = ToTm(parts);
    tm.tm_wday = -1;  // mktime sets it on success; -1 is also a valid result
    time_t t = mktime(&tm);
    if (t == static_cast<time_t>(-1) && tm.tm_wday == -1) return false;
    *time = static_cast<int64_t>(t);
    return true;
}

bool TimeToLocalParts(int64_t time, LocalTimeParts* parts) {
    time_t t = static_cast<time_t>(time);
    struct tm tm;
    if (localtime_r(&t, &tm) == nullptr) return false;
    *parts = FromTm(tm);
    return true;
}

int64_t CurrentTime() {
    return static_cast<int64_t>(::time(nullptr));
}

}  // namespace platform
