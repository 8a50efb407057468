// Local-time rules of the platform (mktime and localtime), in 64-bit seconds.
#pragma once

#include <cstdint>
#include <ctime>

namespace platform {

struct LocalTimeParts {
    int year;   // e.g. 1980
    int month;  // 1-12
    int day;    // 1-31
    int hour;
    int minute;
    int second;
    int isDst;  // -1: let the rules decide
};

// Both sides hand the parts to their C runtime as a struct tm.
inline struct tm ToTm(const LocalTimeParts& parts) {
    struct tm tm = {};
    tm.tm_year = parts.year - 1900;
    tm.tm_mon = parts.month - 1;
    tm.tm_mday = parts.day;
    tm.tm_hour = parts.hour;
    tm.tm_min = parts.minute;
    tm.tm_sec = parts.second;
    tm.tm_isdst = parts.isDst;
    return tm;
}

inline LocalTimeParts FromTm(const struct tm& tm) {
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour,
            tm.tm_min,         tm.tm_sec,     tm.tm_isdst};
}

// Normalises out-of-range fields as mktime does; false when the platform cannot.
bool LocalPartsToTime(const LocalTimeParts& parts, int64_t* time);
bool TimeToLocalParts(int64_t time, LocalTimeParts* parts);
int64_t CurrentTime();

}  // namespace platform
