#include "values/format_fixed.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "tests/native/x87_test_support.h"

namespace lumi {
namespace {

using test::kDouble;
using test::kExtended;
using test::Narrow;
using test::Precision;
using test::UnderControlWord;

std::string Format(double value, std::int32_t digits, char16_t separator = u'.',
                   std::uint16_t controlWord = kControlExtended) {
    char16_t text[kFixedTextMaxUnits + 1];
    const std::size_t length =
        UnderControlWord(controlWord, [&] { return FormatFixed(value, digits, separator, text); });
    EXPECT_EQ(length, std::char_traits<char16_t>::length(text));
    return Narrow(text);
}

struct FixedCase {
    double value;
    std::int32_t digits;
    const char* extended;
    const char* dbl = nullptr;  // text under double precision where it differs
};

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

const FixedCase kFixedCases[] = {
    {0.0, 2, "0.00"},
    {-0.0, 2, "0.00"},
    {1.0, 0, "1"},
    {0.125, 2, "0.13"},
    {2.5, 0, "3"},
    {-2.5, 0, "-3"},
    {0.5, 0, "1"},
    {0.4, 0, "0"},
    {-0.4, 0, "0"},
    {-0.6, 0, "-1"},
    {9.5, 0, "10"},
    {1.005, 2, "1.00"},
    {0.1245, 3, "0.125"},
    {1.0585, 3, "1.059"},
    {3.14159265358979, 10, "3.1415927000"},
    {1234567.891, 3, "1234567.900"},
    {1.23456, 5, "1.23456"},
    {1234.56789, 5, "1234.56790"},
    {0.987654321, 9, "0.987654320"},
    {-1234.5678, 2, "-1234.57"},
    {-0.004, 2, "0.00"},
    {-0.005, 2, "-0.01"},
    {0.05, 1, "0.1"},
    {0.000123456789, 18, "0.000123456790000000"},
    {1e-9, 8, "0.00000000"},
    {5e-9, 8, "0.00000001"},
    {1e-18, 18, "0.000000000000000001"},
    {4e-19, 18, "0.000000000000000000"},
    {12345678.9, 3, "12345679.000"},
    {99999999.4, 2, "99999999.00"},
    {99999999.5, 0, "1E8"},
    {99999999.99, 2, "1E08"},
    {100000000.0, 3, "1E008"},
    {123456789.0, 2, "1.2345679E08"},
    {-123456789.0, 1, "-1.2345679E8"},
    {1234500000.0, 4, "1.2345E0009"},
    {1234500000.0, 5, "1.2345E9"},
    {1e300, 2, "1E300"},
    {1.7976931348623157e308, 2, "1.7976931E308"},
    {1.5, 19, "1.500000000000000000"},
    {-6e-20, 18, "0.000000000000000000"},
    {-6e-20, 19, "-0.000000000000000000"},
    {123.456, -1, "120.000000000000000000"},
    {125.0, -1, "130.000000000000000000"},
    {4.9, -1, "0.000000000000000000"},
    {400.0, -3, "0.000000000000000000"},
    {12345678.0, -2, "12345700.000000000000000000"},
    {555555555.0, -9, "1E9"},
    {kInf, 2, "INF"},
    {-kInf, 2, "-INF"},
    {kNaN, 2, "NAN"},
    {-kNaN, 2, "NAN"},
    {152.18955, 4, "152.1895", "152.1896"},
    {6.20665, 4, "6.2066", "6.2067"},
    // Extremes of the range and of the count.
    {-99999999.0, 18, "-99999999.000000000000000000"},  // the longest text, 28 units
    {4.9406564584124654e-324, 2147483647, "0.000000000000000000"},
    {-4.9406564584124654e-324, 2147483647, "-0.000000000000000000"},
    {-1.7976931348623157e308, INT32_MIN, "0.000000000000000000"},
    {-1.7976931348623157e308, -308, "-2E308"},
    {1e22, 1, "1E22"},
    {-12.5, 3, "-12.500"},
    // 2^-877 and 2^-681 have an image with a leading zero (0992..., 0996...):
    // a cut to no digit rounds on that zero, a cut to one on the 9 after it.
    {-0x1p-877, 263, "0.000000000000000000"},
    {-0x1p-877, 264, "-0.000000000000000000"},
    {-0x1p-681, 204, "0.000000000000000000"},
    {-0x1p-681, 205, "-0.000000000000000000"},
};

TEST(FormatFixed, EdgeCasesAtBothPrecisions) {
    for (const Precision p : {kExtended, kDouble}) {
        for (const FixedCase& c : kFixedCases) {
            const char* expected = (p.controlWord == kControlDouble && c.dbl) ? c.dbl : c.extended;
            EXPECT_EQ(Format(c.value, c.digits, u'.', p.controlWord), expected)
                << p.name << " " << c.value << ", " << c.digits;
        }
    }
}

TEST(FormatFixed, SeparatorIsTheGivenUnitOrNothing) {
    const struct {
        double value;
        std::int32_t digits;
        char16_t separator;
        const char* text;
    } cases[] = {
        {1.5, 2, u',', "1,50"}, {123456789.0, 2, u',', "1,2345679E08"}, {-0.25, 1, u',', "-0,3"},
        {1.5, 2, 0, "150"},     {123456789.0, 2, 0, "12345679E08"},     {1e300, 2, 0, "1E300"},
        {1.5, 0, u',', "2"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Format(c.value, c.digits, c.separator), c.text) << c.value << ", " << c.digits;
    }
}

TEST(DecimalImage, EighteenDigitsWithoutTrailingZeros) {
    const struct {
        double value;
        std::int16_t exponent;
        bool negative;
        const char* digits;
    } cases[] = {
        {0.1245, 0, false, "1245"},  // stored just below, its image is the tie
        {-0.0, 0, false, ""},
        {-2.5, 1, true, "25"},
        {1e18, 19, false, "1"},  // first guess one low, corrected
        {999999999999999872.0, 18, false, "999999999999999872"},
        {kInf, kImageInfinity, false, ""},
        {-kInf, kImageInfinity, true, ""},
        {-kNaN, kImageNaN, false, ""},
        {1.7976931348623157e308, 309, false, "179769313486231571"},
        {4.9406564584124654e-324, -323, false, "494065645841246544"},
    };
    for (const auto& c : cases) {
        const DecimalImage image = MakeDecimalImage(c.value);
        EXPECT_EQ(image.exponent, c.exponent) << c.value;
        EXPECT_EQ(image.negative, c.negative) << c.value;
        EXPECT_STREQ(image.digits, c.digits) << c.value;
    }
}

TEST(DecimalImage, CutKeepsAtMostEightDigitsHalfAwayFromZero) {
    const struct {
        DecimalImage image;
        std::int32_t digits;
        DecimalImage cut;
    } cases[] = {
        {{1, true, "25"}, 0, {1, true, "3"}},
        {{0, false, "1245"}, 3, {0, false, "125"}},
        {{0, true, "4"}, 0, {}},                     // rounds to zero: no sign
        {{0, true, "5"}, 0, {1, true, "1"}},         // nothing kept, rounds up
        {{-5, false, "123"}, 2, {}},                 // cut left of d1
        {{3, false, "1"}, INT32_MIN, {}},
        {{2, false, "9999999995"}, 8, {3, false, "1"}},  // carry out of d1
        {{3, false, "123456789"}, INT32_MAX, {3, false, "12345679"}},
        {{3, false, "1234567849"}, 5, {3, false, "12345678"}},  // only d9 decides
        {{-263, true, "099241610332960957"}, 263, {}},
        {{-263, true, "099241610332960957"}, 264, {-263, true, "1"}},
        {{kImageInfinity, true, ""}, 2, {kImageInfinity, true, ""}},
        {{kImageNaN, false, ""}, 2, {kImageNaN, false, ""}},
    };
    for (const auto& c : cases) {
        const DecimalImage cut = CutDecimalImage(c.image, c.digits);
        EXPECT_EQ(cut.exponent, c.cut.exponent) << c.image.digits << ", " << c.digits;
        EXPECT_EQ(cut.negative, c.cut.negative) << c.image.digits << ", " << c.digits;
        EXPECT_STREQ(cut.digits, c.cut.digits) << c.image.digits << ", " << c.digits;
    }
}

}  // namespace
}  // namespace lumi
