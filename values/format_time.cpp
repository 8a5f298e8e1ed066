#include "values/format_time.h"

#include <chrono>
#include <cstdint>

#include "values/digit_pairs.h"
#include "values/text_writer.h"

namespace lumi {
namespace {

// All arithmetic here is 32-bit: a HostTime, its day and its second of the
// day all fit, and whole seconds leave nothing for a rounding mode to move.
constexpr std::int32_t kSecondsPerDay = 86400;
constexpr std::int32_t kSecondsPerHour = 3600;
constexpr std::int32_t kSecondsPerMinute = 60;

struct CivilDate {
    std::uint32_t year;
    std::uint32_t month;  // 1..12
    std::uint32_t day;    // 1..31
};

struct ClockTime {
    std::uint32_t hour;  // 0..23
    std::uint32_t minute;
    std::uint32_t second;
};

// Days since 1970-01-01 and the second of that day, 0..86399. The division
// is a floor, so a time before 1970 falls on the day before at a positive
// time of day.
struct DayAndSecond {
    std::int32_t day;
    std::int32_t second;
};

DayAndSecond SplitHostTime(HostTime time) {
    DayAndSecond split{time / kSecondsPerDay, time % kSecondsPerDay};
    if (split.second < 0) {
        split.second += kSecondsPerDay;
        split.day -= 1;
    }
    return split;
}

// Proleptic Gregorian date of a day. The count is 32-bit, so the library's
// civil calendar needs no 64-bit division here.
CivilDate DateOfDay(std::int32_t daysSince1970) {
    using namespace std::chrono;
    const year_month_day date{sys_days{days{daysSince1970}}};
    return {static_cast<std::uint32_t>(static_cast<int>(date.year())),
            static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day())};
}

ClockTime ClockOfSecond(std::int32_t secondOfDay) {
    const auto seconds = static_cast<std::uint32_t>(secondOfDay);
    const std::uint32_t hour = seconds / kSecondsPerHour;
    const std::uint32_t rest = seconds - hour * kSecondsPerHour;
    const std::uint32_t minute = rest / kSecondsPerMinute;
    return {hour, minute, rest - minute * kSecondsPerMinute};
}

// 0..99 with no leading zero: the hour, minute and second.
char16_t* PutShortNumber(char16_t* out, std::uint32_t value) {
    if (value >= 10) return PutTwoDigits(out, value);
    *out = static_cast<char16_t>(u'0' + value);
    return out + 1;
}

char16_t* PutSeparator(char16_t* out, char16_t separator) {  // 0 writes nothing
    if (separator == 0) return out;
    *out = separator;
    return out + 1;
}

// "yyyy.mm.dd " (every year of a HostTime has four digits).
char16_t* PutDateAndBlank(char16_t* out, const CivilDate& date) {
    out = PutTwoDigits(out, date.year / 100);
    out = PutTwoDigits(out, date.year % 100);
    *out++ = u'.';
    out = PutTwoDigits(out, date.month);
    *out++ = u'.';
    out = PutTwoDigits(out, date.day);
    *out++ = u' ';
    return out;
}

// "h:n", and ":s" after it when asked.
char16_t* PutClock(char16_t* out, const ClockTime& clock, char16_t separator, bool withSeconds) {
    out = PutShortNumber(out, clock.hour);
    out = PutSeparator(out, separator);
    out = PutShortNumber(out, clock.minute);
    if (withSeconds) {
        out = PutSeparator(out, separator);
        out = PutShortNumber(out, clock.second);
    }
    return out;
}

bool IsLetter(char16_t unit) {
    return (unit >= u'a' && unit <= u'z') || (unit >= u'A' && unit <= u'Z');
}

// Any other pattern, read token by token: a letter opens a token, the run
// of that letter, its length the least number of digits. ":" is the time
// separator, anything else literal. The three constants give the same text
// as the direct forms above.
std::size_t FormatByPattern(const CivilDate& date, const ClockTime& clock, const char16_t* pattern,
                            char16_t timeSeparator, char16_t* out) {
    TextWriter writer(out, kTimeTextMaxUnits);
    char16_t previousLetter = 0;  // decides whether "m" is month or minute
    while (pattern != nullptr && *pattern != 0) {
        const char16_t unit = *pattern;
        if (!IsLetter(unit)) {
            writer.Put(unit == u':' ? timeSeparator : unit);
            ++pattern;
            continue;
        }
        int count = 0;
        while (*pattern == unit) {
            ++pattern;
            ++count;
        }
        switch (unit) {
            case u'y': writer.PutDecimal(date.year, count); break;
            case u'm': writer.PutDecimal(previousLetter == u'h' ? clock.minute : date.month, count); break;
            case u'd': writer.PutDecimal(date.day, count); break;
            case u'h': writer.PutDecimal(clock.hour, count); break;
            case u'n': writer.PutDecimal(clock.minute, count); break;
            case u's': writer.PutDecimal(clock.second, count); break;
            default: break;  // no pattern of the library uses other letters
        }
        previousLetter = unit;
    }
    return writer.Finish();
}

}  // namespace

std::size_t FormatTime(HostTime time, const char16_t* pattern, char16_t timeSeparator, char16_t* out) {
    const DayAndSecond split = SplitHostTime(time);
    const ClockTime clock = ClockOfSecond(split.second);
    char16_t* end = out;
    // The three constants are written directly, field by field.
    if (pattern == PatternTime) {
        end = PutClock(end, clock, timeSeparator, false);
    } else if (pattern == PatternDateTime || pattern == PatternDateTimeSeconds) {
        end = PutDateAndBlank(end, DateOfDay(split.day));
        end = PutClock(end, clock, timeSeparator, pattern == PatternDateTimeSeconds);
    } else {
        return FormatByPattern(DateOfDay(split.day), clock, pattern, timeSeparator, out);
    }
    *end = 0;
    return static_cast<std::size_t>(end - out);
}

}  // namespace lumi
