// Broken-down local time, as the platforms' C runtimes take and give it.
#pragma once

#include <ctime>

struct LocalTimeParts {
    int year;   // e.g. 1980
    int month;  // 1-12
    int day;    // 1-31
    int hour;
    int minute;
    int second;
    int isDst;  // -1: let the rules decide
};

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
