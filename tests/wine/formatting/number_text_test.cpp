// Number to text through all 21 rows: the value from the row's slots, the
// digits from its slot or constant, under the caller's control word.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <sstream>
#include <vector>

#include "tests/wine/formatting/formatting_rows.h"

namespace lumi::test {
namespace {

constexpr std::uint64_t kQuietNaN = 0x7FF8000000000000;
constexpr std::uint64_t kNegativeNaNWithPayload = 0xFFF8000000012345;
constexpr std::uint64_t kSignallingNaN = 0x7FF0000000000001;
constexpr std::uint64_t kSmallestSubnormal = 1;
constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr std::int32_t kMostDigits = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kFewestDigits = std::numeric_limits<std::int32_t>::min();

struct NumberCase {
    std::uint64_t value;
    std::int32_t digits;
    std::u16string_view text;
};

constexpr std::uint64_t B(double value) { return std::bit_cast<std::uint64_t>(value); }

// In the en_US locale, extended precision, to nearest. Rows with constant
// digits take the cases with their count; rows reading digits take them all.
constexpr NumberCase kNumberCases[] = {
    // 0 decimals: ties away from zero, no separator, exponent form past 8 digits.
    {B(1.23456), 0, u"1"},
    {B(2.5), 0, u"3"},
    {B(-2.5), 0, u"-3"},
    {B(0.5), 0, u"1"},
    {B(-0.4), 0, u"0"},
    {B(-0.6), 0, u"-1"},
    {B(9.5), 0, u"10"},
    {B(-1234.5678), 0, u"-1235"},
    {B(99999999.4), 0, u"99999999"},
    {B(99999999.5), 0, u"1E8"},
    {B(123456789.0), 0, u"1.2345679E8"},
    {B(1e300), 0, u"1E300"},
    {B(0.0), 0, u"0"},
    {B(-0.0), 0, u"0"},
    {kSmallestSubnormal, 0, u"0"},
    // 1 and 2 decimals.
    {B(1.23456), 1, u"1.2"},
    {B(0.05), 1, u"0.1"},
    {B(-123456789.0), 1, u"-1.2345679E8"},
    {B(1.23456), 2, u"1.23"},
    {B(1.5), 2, u"1.50"},
    {B(-1234.5678), 2, u"-1234.57"},
    {B(0.125), 2, u"0.13"},
    {B(1.005), 2, u"1.00"},
    {B(-0.004), 2, u"0.00"},
    {B(-0.005), 2, u"-0.01"},
    {B(-0.0), 2, u"0.00"},
    {B(12345678.9), 2, u"12345679.00"},
    {B(99999999.99), 2, u"1E08"},
    {B(123456789.0), 2, u"1.2345679E08"},
    {B(1.7976931348623157e308), 2, u"1.7976931E308"},
    // Specials: digits play no part.
    {B(kInfinity), 0, u"INF"},
    {B(-kInfinity), 2, u"-INF"},
    {kQuietNaN, 0, u"NAN"},
    {kNegativeNaNWithPayload, 2, u"NAN"},
    {kSignallingNaN, 2, u"NAN"},
    // Counts only a slot can give.
    {B(1.23456), 5, u"1.23456"},
    {B(3.14159265358979), 10, u"3.1415927000"},
    {B(0.000123456789), 18, u"0.000123456790000000"},
    {B(1.5), 19, u"1.500000000000000000"},
    {B(-6e-20), 19, u"-0.000000000000000000"},
    {B(100000000.0), 3, u"1E008"},
    {B(1234500000.0), 4, u"1.2345E0009"},
    {B(1234500000.0), 5, u"1.2345E9"},
    {B(123.456), -1, u"120.000000000000000000"},
    {B(555555555.0), -9, u"1E9"},
    // The whole 32-bit range of a digits slot: k = E + digits must not wrap.
    {B(1.5), kMostDigits, u"1.500000000000000000"},
    {B(123456789.0), kMostDigits, u"1.2345679E8"},
    {B(1.5), kFewestDigits, u"0.000000000000000000"},
    {B(-1.5), kFewestDigits, u"0.000000000000000000"},
};

// Values whose text shows the working precision of the caller's control
// word: each lies just below a tie that double precision rounds onto.
struct PrecisionCase {
    std::uint64_t value;
    std::int32_t digits;
    std::u16string_view extended, doublePrecision;
};

constexpr PrecisionCase kPrecisionCases[] = {
    {B(1.23456705e20), 0, u"1.234567E20", u"1.2345671E20"},
    {B(0.015), 2, u"0.01", u"0.02"},
    {B(152.18955), 4, u"152.1895", u"152.1896"},
    {B(6.20665), 4, u"6.2066", u"6.2067"},
};

std::u16string TextOf(const FormattingRow& row, std::uint64_t value, std::int32_t digits, const DecoyPattern& decoy,
                      std::uint16_t controlWord) {
    RowInputs inputs;
    inputs.value = value;
    inputs.digits = digits;
    return OutcomeOf(row, CallRow(row, PlaceInputs(row, inputs, decoy, MinimalPush(row)), controlWord)).text;
}

std::string Case(const FormattingRow& row, std::uint64_t value, std::int32_t digits) {
    std::ostringstream out;
    out.precision(17);
    out << row.code << " with " << FromBits(value) << " (" << Hex(value) << "), digits " << digits << ": ";
    return out.str();
}

TEST(NumberToText, EveryRowGivesTheTextOfItsValueAndDigits) {
    std::vector<std::string> faults;
    int calls = 0;
    for (const FormattingRow& row : RowsOf(Group::NumberToText)) {
        for (const NumberCase& c : kNumberCases) {
            if (!row.TakesDigits(c.digits)) continue;
            const DecoyPattern& decoy = Decoys()[calls++ % Decoys().size()];
            const std::u16string text = TextOf(row, c.value, c.digits, decoy, kExtendedToNearest);
            if (text != c.text) faults.push_back(Case(row, c.value, c.digits) + Units(text) + ", want " + Units(std::u16string(c.text)));
        }
    }
    EXPECT_TRUE(faults.empty()) << Listed(faults);
}

TEST(NumberToText, EveryRowWorksAtTheCallersPrecision) {
    std::vector<std::string> faults;
    for (const FormattingRow& row : RowsOf(Group::NumberToText)) {
        for (const PrecisionCase& c : kPrecisionCases) {
            if (!row.TakesDigits(c.digits)) continue;
            for (auto [controlWord, want] : {std::pair{kExtendedToNearest, c.extended}, std::pair{kDoubleToNearest, c.doublePrecision}}) {
                const std::u16string text = TextOf(row, c.value, c.digits, Decoys()[0], controlWord);
                if (text != want)
                    faults.push_back(Case(row, c.value, c.digits) + "under " + Hex(controlWord) + " " + Units(text) +
                                     ", want " + Units(std::u16string(want)));
            }
        }
    }
    EXPECT_TRUE(faults.empty()) << Listed(faults);
}

// A NaN is told by its bits: NAN comes back, and a signalling one raises no
// invalid operation, as it would if it were loaded onto the x87 to be looked at.
TEST(NumberToText, NaNsOfEveryKindGiveNanAndRaiseNothing) {
    constexpr std::uint64_t kNaNs[] = {kQuietNaN, kNegativeNaNWithPayload, kSignallingNaN, 0xFFF0000000000001};
    std::vector<std::string> faults;
    for (const FormattingRow& row : RowsOf(Group::NumberToText)) {
        for (const std::uint64_t nan : kNaNs) {
            for (const std::int32_t digits : {0, 2}) {
                if (!row.TakesDigits(digits)) continue;
                RowInputs inputs;
                inputs.value = nan;
                inputs.digits = digits;
                const CallRecord record =
                    CallWithCleanStatus(row, PlaceInputs(row, inputs, Decoys()[0], MinimalPush(row)));
                const std::u16string text = OutcomeOf(row, record).text;
                if (text != u"NAN" || (record.statusWordAfter & kInvalidOperation) != 0)
                    faults.push_back(Case(row, nan, digits) + Units(text) + " with status word " +
                                     Hex(record.statusWordAfter));
            }
        }
    }
    EXPECT_TRUE(faults.empty()) << Listed(faults);
}

}  // namespace
}  // namespace lumi::test
