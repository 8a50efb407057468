#include "ctime.h"

#include "host.h"

namespace {

bool IsLeapYear(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int y, int m) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return (m == 2 && IsLeapYear(y)) ? 29 : kDays[m - 1];
}

int Clamp(int v, int lo, int hi) {
    return v < lo ? lo : (v > hi ? hi : v);
}

CTime::time_type FromLocalParts(const LocalTimeParts& parts) {
    int64_t t = 0;
    if (AfxGetHost().LocalPartsToTime(parts, &t)) return t;
    // The local rules cannot place this moment: take the fields as UTC instead.
    return AfxDaysFromCivil(parts.year, parts.month, parts.day) * 86400 +
           static_cast<int64_t>(parts.hour) * 3600 + static_cast<int64_t>(parts.minute) * 60 +
           parts.second;
}

}  // namespace

CTime::CTime(int nYear, int nMonth, int nDay, int nHour, int nMin, int nSec, int nDST) {
    m_time = FromLocalParts({nYear, nMonth, nDay, nHour, nMin, nSec, nDST});
}

// A DOS stamp that names no real moment is clamped field by field into the valid
// range: month 0 -> 1 and 13-15 -> 12, day 0 -> 1 and past the month's end -> its
// last day, hour 24-31 -> 23, minute 60-63 -> 59, seconds 60 and 62 -> 58. Every
// stamp (1980-2107) then fits the 64-bit calendar, so no stamp yields -1.
CTime::CTime(WORD wDosDate, WORD wDosTime, int nDST) {
    int year = 1980 + (wDosDate >> 9);
    int month = Clamp((wDosDate >> 5) & 0x0F, 1, 12);
    int day = Clamp(wDosDate & 0x1F, 1, DaysInMonth(year, month));
    int hour = Clamp(wDosTime >> 11, 0, 23);
    int minute = Clamp((wDosTime >> 5) & 0x3F, 0, 59);
    int second = Clamp((wDosTime & 0x1F) * 2, 0, 58);
    m_time = FromLocalParts({year, month, day, hour, minute, second, nDST});
}

CTime CTime::GetCurrentTime() {
    return CTime(AfxGetHost().CurrentTime());
}

namespace {
LocalTimeParts Parts(CTime::time_type t) {
    LocalTimeParts parts{1970, 1, 1, 0, 0, 0, 0};
    AfxGetHost().TimeToLocalParts(t, &parts);
    return parts;
}
}  // namespace

int CTime::GetYear() const {
    return Parts(m_time).year;
}
int CTime::GetMonth() const {
    return Parts(m_time).month;
}
int CTime::GetDay() const {
    return Parts(m_time).day;
}
int CTime::GetHour() const {
    return Parts(m_time).hour;
}
int CTime::GetMinute() const {
    return Parts(m_time).minute;
}
int CTime::GetSecond() const {
    return Parts(m_time).second;
}

int64_t AfxDaysFromCivil(int64_t y, int64_t m, int64_t d) {
    y += (m - 1) / 12;
    m = (m - 1) % 12 + 1;
    if (m <= 0) {
        m += 12;
        y -= 1;
    }
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}
