// Time to text through the five rows: the time from the row's slot, the
// row's pattern, the calendar and clock of the time itself.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "tests/wine/formatting/formatting_rows.h"
#include "tests/wine/support/time_oracle.h"

namespace lumi::test {
namespace {

constexpr DecoyPattern kSignallingNaNDecoys{"signalling NaN", 0x00000001, 0x7FF00001};

struct TimeCase {
    std::int32_t time;
    std::u16string_view clock, dateTime, dateTimeSeconds;  // by "h:n", "yyyy.mm.dd h:n", "... h:n:s"
};

constexpr TimeCase kTimeCases[] = {
    {0, u"0:0", u"1970.01.01 0:0", u"1970.01.01 0:0:0"},
    {59, u"0:0", u"1970.01.01 0:0", u"1970.01.01 0:0:59"},
    {3599, u"0:59", u"1970.01.01 0:59", u"1970.01.01 0:59:59"},
    {32707, u"9:5", u"1970.01.01 9:5", u"1970.01.01 9:5:7"},
    {43200, u"12:0", u"1970.01.01 12:0", u"1970.01.01 12:0:0"},
    {47223, u"13:7", u"1970.01.01 13:7", u"1970.01.01 13:7:3"},
    {86399, u"23:59", u"1970.01.01 23:59", u"1970.01.01 23:59:59"},
    {-1, u"23:59", u"1969.12.31 23:59", u"1969.12.31 23:59:59"},
    {-14182940, u"20:17", u"1969.07.20 20:17", u"1969.07.20 20:17:40"},
    {951827445, u"12:30", u"2000.02.29 12:30", u"2000.02.29 12:30:45"},
    {1413709507, u"9:5", u"2014.10.19 9:5", u"2014.10.19 9:5:7"},
    {std::numeric_limits<std::int32_t>::min(), u"20:45", u"1901.12.13 20:45", u"1901.12.13 20:45:52"},
    {std::numeric_limits<std::int32_t>::max(), u"3:14", u"2038.01.19 3:14", u"2038.01.19 3:14:7"},
};

std::u16string_view ExpectedText(const TimeCase& c, Pattern pattern) {
    return pattern == Pattern::Time ? c.clock : pattern == Pattern::DateTime ? c.dateTime : c.dateTimeSeconds;
}

std::u16string TextOf(const FormattingRow& row, std::int32_t time, const DecoyPattern& decoy) {
    RowInputs inputs;
    inputs.time = time;
    return OutcomeOf(row, CallRow(row, PlaceInputs(row, inputs, decoy, MinimalPush(row)))).text;
}

TimeForm FormOf(Pattern pattern) {
    return pattern == Pattern::Time ? TimeForm::Clock
           : pattern == Pattern::DateTime ? TimeForm::DateTime : TimeForm::DateTimeSeconds;
}

TEST(TimeToText, EveryRowGivesTheTextOfItsPattern) {
    std::vector<std::string> faults;
    int calls = 0;
    for (const FormattingRow& row : RowsOf(Group::TimeToText)) {
        for (const TimeCase& c : kTimeCases) {
            const DecoyPattern& decoy = Decoys()[calls++ % Decoys().size()];
            const std::u16string text = TextOf(row, c.time, decoy);
            const std::u16string want(ExpectedText(c, row.pattern));
            if (text != want)
                faults.push_back(std::string(row.code) + " with " + std::to_string(c.time) + ": " + Units(text) +
                                 ", want " + Units(want));
        }
    }
    EXPECT_TRUE(faults.empty()) << Listed(faults);
}

// Times spread over the whole 32-bit range, each with an odd second of the
// day, against the calendar of FileTimeToSystemTime.
TEST(TimeToText, EveryRowAgreesWithTheSystemCalendarOverTheWholeRange) {
    constexpr std::int64_t kStep = 1'000'003;  // about 11.6 days: every month, every hour
    std::vector<std::string> faults;
    for (const FormattingRow& row : RowsOf(Group::TimeToText)) {
        for (std::int64_t time = std::numeric_limits<std::int32_t>::min();
             time <= std::numeric_limits<std::int32_t>::max(); time += kStep) {
            const auto time32 = static_cast<std::int32_t>(time);
            const std::u16string text = TextOf(row, time32, kSignallingNaNDecoys);
            const std::u16string want = OracleTimeText(time32, FormOf(row.pattern));
            if (text != want)
                faults.push_back(std::string(row.code) + " with " + std::to_string(time32) + ": " + Units(text) +
                                 ", want " + Units(want));
        }
    }
    EXPECT_TRUE(faults.empty()) << Listed(faults);
}

}  // namespace
}  // namespace lumi::test
