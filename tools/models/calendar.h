// A calendar of the tests' own: it walks the proleptic Gregorian calendar
// day by day from the day of the earliest 32-bit time (1901-12-13), knowing
// only the month lengths and the leap-year rule, and shares no code with
// the library's calendar.
#pragma once

#include <cstdint>
#include <vector>

namespace lumi::test {

struct DayByDayCalendar {
    int year = 1901, month = 12, day = 13;

    static int DaysInMonth(int year, int month) {
        static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
        return month == 2 && leap ? 29 : kDays[month - 1];
    }
    void NextDay() {
        if (++day > DaysInMonth(year, month)) {
            day = 1;
            if (++month > 12) {
                month = 1;
                ++year;
            }
        }
    }
};

// Midnight of 1901-12-13, the day of INT32_MIN (20:45:52), in seconds from 1970.
constexpr std::int64_t kFirstMidnight = std::int64_t{INT32_MIN} - (20 * 3600 + 45 * 60 + 52);

struct CivilTime {
    int year, month, day, hour, minute, second;
};

// The date and clock that a 32-bit count of seconds since 1970 encodes.
inline CivilTime CivilTimeOf(std::int32_t time) {
    static const std::vector<DayByDayCalendar> days = [] {
        std::vector<DayByDayCalendar> all;
        DayByDayCalendar calendar;
        for (std::int64_t midnight = kFirstMidnight; midnight <= INT32_MAX; midnight += 86400) {
            all.push_back(calendar);
            calendar.NextDay();
        }
        return all;
    }();
    const std::int64_t sinceFirst = time - kFirstMidnight;
    const DayByDayCalendar& date = days[static_cast<std::size_t>(sinceFirst / 86400)];
    const int second = static_cast<int>(sinceFirst % 86400);
    return {date.year, date.month, date.day, second / 3600, second / 60 % 60, second % 60};
}

}  // namespace lumi::test
