// Calendar time in 64-bit seconds since 1970-01-01 UTC.
#pragma once

#include <cstdint>

#include "platform_api.h"

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar (the month may lie
// outside 1-12 and is carried into the year).
int64_t AfxDaysFromCivil(int64_t year, int64_t month, int64_t day);

class CTime {
  public:
    typedef int64_t time_type;

    CTime() = default;
    explicit CTime(time_type t) : m_time(t) {}
    // Local time; nDST -1 lets the local-time rules decide daylight saving.
    CTime(int nYear, int nMonth, int nDay, int nHour, int nMin, int nSec, int nDST = -1);
    // From a DOS date and time, read as local time.
    CTime(WORD wDosDate, WORD wDosTime, int nDST = -1);

    static CTime GetCurrentTime();
    // The same; the name under which windows.h's GetCurrentTime macro leaves it.
    static CTime GetTickCount() { return GetCurrentTime(); }

    time_type GetTime() const { return m_time; }
    // Broken-down local time of this moment.
    int GetYear() const;
    int GetMonth() const;
    int GetDay() const;
    int GetHour() const;
    int GetMinute() const;
    int GetSecond() const;

    bool operator==(CTime other) const { return m_time == other.m_time; }
    bool operator!=(CTime other) const { return m_time != other.m_time; }
    bool operator<(CTime other) const { return m_time < other.m_time; }

  private:
    time_type m_time = 0;
};
