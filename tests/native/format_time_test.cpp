#include "values/format_time.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "tools/models/calendar.h"
#include "tests/native/x87_test_support.h"

namespace lumi {
namespace {

std::string Format(HostTime time, const char16_t* pattern, char16_t separator = u':') {
    char16_t text[kTimeTextMaxUnits + 1];
    const std::size_t length = FormatTime(time, pattern, separator, text);
    EXPECT_EQ(length, std::char_traits<char16_t>::length(text));
    return test::Narrow(text);
}

TEST(FormatTime, ThreePatternsOverTheEdgesOfDaysAndOfTheRange) {
    const struct {
        HostTime time;
        const char *clock, *dateTime, *withSeconds;
    } cases[] = {
        {0, "0:0", "1970.01.01 0:0", "1970.01.01 0:0:0"},
        {59, "0:0", "1970.01.01 0:0", "1970.01.01 0:0:59"},
        {60, "0:1", "1970.01.01 0:1", "1970.01.01 0:1:0"},
        {3599, "0:59", "1970.01.01 0:59", "1970.01.01 0:59:59"},
        {32707, "9:5", "1970.01.01 9:5", "1970.01.01 9:5:7"},
        {43200, "12:0", "1970.01.01 12:0", "1970.01.01 12:0:0"},
        {47223, "13:7", "1970.01.01 13:7", "1970.01.01 13:7:3"},
        {86399, "23:59", "1970.01.01 23:59", "1970.01.01 23:59:59"},
        {86400, "0:0", "1970.01.02 0:0", "1970.01.02 0:0:0"},
        {-1, "23:59", "1969.12.31 23:59", "1969.12.31 23:59:59"},
        {-86400, "0:0", "1969.12.31 0:0", "1969.12.31 0:0:0"},
        {-14182940, "20:17", "1969.07.20 20:17", "1969.07.20 20:17:40"},
        {951827445, "12:30", "2000.02.29 12:30", "2000.02.29 12:30:45"},
        {1330473600, "0:0", "2012.02.29 0:0", "2012.02.29 0:0:0"},
        {1413676800, "0:0", "2014.10.19 0:0", "2014.10.19 0:0:0"},
        {1413709507, "9:5", "2014.10.19 9:5", "2014.10.19 9:5:7"},
        {1413763199, "23:59", "2014.10.19 23:59", "2014.10.19 23:59:59"},
        {INT32_MIN, "20:45", "1901.12.13 20:45", "1901.12.13 20:45:52"},
        {INT32_MAX, "3:14", "2038.01.19 3:14", "2038.01.19 3:14:7"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Format(c.time, PatternTime), c.clock) << c.time;
        EXPECT_EQ(Format(c.time, PatternDateTime), c.dateTime) << c.time;
        EXPECT_EQ(Format(c.time, PatternDateTimeSeconds), c.withSeconds) << c.time;
    }
}

TEST(FormatTime, ColonsFollowTheSeparatorAndDotsStay) {
    EXPECT_EQ(Format(1413709507, PatternTime, u'.'), "9.5");
    EXPECT_EQ(Format(1413709507, PatternDateTimeSeconds, u'.'), "2014.10.19 9.5.7");
    EXPECT_EQ(Format(32707, PatternTime, 0), "95");
    EXPECT_EQ(Format(32707, PatternDateTimeSeconds, 0), "1970.01.01 957");
    EXPECT_EQ(Format(1413763199, PatternDateTimeSeconds, u'-'), "2014.10.19 23-59-59");
}

// The constants are written field by field; a copy of a pattern is read
// token by token. Both must give the same text.
TEST(FormatTime, CopiesOfThePatternsGiveTheTextsOfTheConstants) {
    const char16_t copies[][17] = {u"h:n", u"yyyy.mm.dd h:n", u"yyyy.mm.dd h:n:s"};
    const char16_t* constants[] = {PatternTime, PatternDateTime, PatternDateTimeSeconds};
    const char16_t separators[] = {u':', u'.', 0, u'-'};
    constexpr std::int64_t kStep = 86400 * 7 + 3613;  // moves the day, hour, minute and second
    for (std::int64_t time = INT32_MIN; time <= INT32_MAX; time += kStep) {
        for (const char16_t separator : separators) {
            for (int i = 0; i < 3; ++i) {
                const auto host = static_cast<HostTime>(time);
                ASSERT_EQ(Format(host, copies[i], separator), Format(host, constants[i], separator))
                    << time << " pattern " << i << " separator " << int{separator};
            }
        }
    }
}

TEST(FormatTime, EveryDayOfTheRangeMatchesADayByDayCalendar) {
    test::DayByDayCalendar calendar;
    const std::int64_t firstMidnight = test::kFirstMidnight;
    const int secondsOfDay[] = {0, 1, 59, 3599, 36061, 43200, 47223, 86340, 86399};
    int days = 0;
    for (std::int64_t midnight = firstMidnight; midnight <= INT32_MAX; midnight += 86400, ++days) {
        for (const int second : secondsOfDay) {
            const std::int64_t time = midnight + second;
            if (time < INT32_MIN || time > INT32_MAX) continue;
            char expected[40];
            std::snprintf(expected, sizeof expected, "%04d.%02d.%02d %d:%d:%d", calendar.year, calendar.month,
                          calendar.day, second / 3600, second / 60 % 60, second % 60);
            const std::string text = Format(static_cast<HostTime>(time), PatternDateTimeSeconds);
            if (text != expected) {
                ADD_FAILURE() << "time " << time << ": " << text << " != " << expected;
                return;
            }
        }
        calendar.NextDay();
    }
    EXPECT_EQ(days, 49712);  // 1901-12-13 to 2038-01-19
    EXPECT_EQ(calendar.year * 10000 + calendar.month * 100 + calendar.day, 20380120);
}

}  // namespace
}  // namespace lumi
