// Local-time rules of the platform (mktime and localtime), in 64-bit seconds.
#pragma once

#include <cstdint>

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

// Normalises out-of-range fields as mktime does; false when the platform cannot.
bool LocalPartsToTime(const LocalTimeParts& parts, int64_t* time);
bool TimeToLocalParts(int64_t time, LocalTimeParts* parts);
int64_t CurrentTime();

}  // namespace platform
