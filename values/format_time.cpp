#include "values/format_time.h"

#include <chrono>
#include <cstdint>

#include "values/text_writer.h"

namespace lumi {
namespace {

struct ClockFields {
    int year;
    unsigned month;
    unsigned day;
    unsigned hour;
    unsigned minute;
    unsigned second;
};

// Whole-second integer arithmetic: no rounding mode can move a second, and
// floor<days> puts negative times on the day before 1970 at a positive time
// of day.
ClockFields DecodeHostTime(HostTime time) {
    using namespace std::chrono;
    const sys_seconds instant{seconds{time}};
    const sys_days day = floor<days>(instant);
    const year_month_day date{day};
    const hh_mm_ss<seconds> clock{instant - day};
    return {
        static_cast<int>(date.year()),
        static_cast<unsigned>(date.month()),
        static_cast<unsigned>(date.day()),
        static_cast<unsigned>(clock.hours().count()),
        static_cast<unsigned>(clock.minutes().count()),
        static_cast<unsigned>(clock.seconds().count()),
    };
}

bool IsLetter(char16_t unit) {
    return (unit >= u'a' && unit <= u'z') || (unit >= u'A' && unit <= u'Z');
}

}  // namespace

std::size_t FormatTime(HostTime time, const char16_t* pattern, char16_t timeSeparator,
                       char16_t* out) {
    const ClockFields fields = DecodeHostTime(time);
    TextWriter writer(out, kTimeTextMaxUnits);
    char16_t previousLetter = 0;  // decides whether "m" is month or minute

    // A letter opens a token: the run of that letter, its length the least
    // number of digits. ":" is the time separator, anything else literal.
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
            case u'y': writer.PutDecimal(static_cast<std::uint32_t>(fields.year), count); break;
            case u'm': writer.PutDecimal(previousLetter == u'h' ? fields.minute : fields.month, count); break;
            case u'd': writer.PutDecimal(fields.day, count); break;
            case u'h': writer.PutDecimal(fields.hour, count); break;
            case u'n': writer.PutDecimal(fields.minute, count); break;
            case u's': writer.PutDecimal(fields.second, count); break;
            default: break;  // no pattern of the library uses other letters
        }
        previousLetter = unit;
    }
    return writer.Finish();
}

}  // namespace lumi
