#include "values/rounding.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfenv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "tests/native/x87_test_support.h"

namespace lumi {
namespace {

using test::kDouble;
using test::kExtended;
using test::Precision;
using test::UnderControlWord;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// Same double, bit for bit (tells +0.0 from -0.0).
void ExpectSameDouble(double actual, double expected, const char* what) {
    EXPECT_EQ(std::bit_cast<std::uint64_t>(actual), std::bit_cast<std::uint64_t>(expected))
        << what << ": got " << actual << ", want " << expected;
}

struct RoundCase {
    double value;
    std::int32_t digits;
    double extended;  // result under each working precision
    double dbl;
};

TEST(RoundToDigits, RoundsHalfUpAtBothPrecisions) {
    const RoundCase cases[] = {
        {1.005, 2, 1.0, 1.0},
        {2.675, 2, 2.68, 2.68},
        {1.2345, 3, 1.235, 1.235},
        {0.285, 2, 0.28, 0.28},
        {2.5, 0, 3.0, 3.0},
        {-2.5, 0, -2.0, -2.0},
        {-2.6, 0, -3.0, -3.0},
        {0.5, 0, 1.0, 1.0},
        {97.5, 0, 98.0, 98.0},
        {-0.5, 0, 0.0, 0.0},
        {-0.0, 0, 0.0, 0.0},
        {1e-10, 5, 0.0, 0.0},
        {-1e-10, 5, 0.0, 0.0},
        {0.49999999999999994, 0, 1.0, 1.0},
        {1.45, 1, 1.5, 1.5},
        {-1.45, 1, -1.4, -1.4},
        {-1.55, 1, -1.5, -1.5},
        {0.123456789, 8, 0.123456789, 0.123456789},
        {0.123456789, 7, 0.1234568, 0.1234568},
        {1.23456789, 100, 1.23456789, 1.23456789},
        {1.0000000005, 9, 1.000000001, 1.000000001},
        {1.5, -3, 2.0, 2.0},
        {1.5, INT32_MIN, 2.0, 2.0},
        {123.456, 1, 123.5, 123.5},
        {1234567.891, 3, 1234567.891, 1234567.891},
        {2.1474836474, 9, 2.147483647, 2.147483647},
        {-2.1474836485, 9, -2.147483648, -2.147483648},
        // The product keeps 64 bits under extended precision.
        {-0.05, 1, -0.1, 0.0},
        {-0.005, 2, -0.01, 0.0},
        // Beyond a 32-bit floor: the value rounded all the same.
        {3.0, 9, 3.0, 3.0},
        {-3.0, 9, -3.0, -3.0},
        {2.1474836475, 9, 2.147483648, 2.147483648},
        {25000000.0, 2, 25000000.0, 25000000.0},
        {21474836.48, 2, 21474836.48, 21474836.48},
        {1e12, 0, 1e12, 1e12},
        {5000000000.4, 0, 5000000000.0, 5000000000.0},
        {-5000000000.5, 0, -5000000000.0, -5000000000.0},
        {1e300, 5, 1e300, 1e300},
        {-kInf, 0, -kInf, -kInf},
    };
    for (const Precision p : {kExtended, kDouble}) {
        for (const RoundCase& c : cases) {
            SCOPED_TRACE(testing::Message() << p.name << " " << c.value << ", " << c.digits);
            const long double result =
                UnderControlWord(p.controlWord, [&] { return RoundToDigits(c.value, c.digits); });
            ExpectSameDouble(StoreAsDouble(result), p.controlWord == kControlExtended ? c.extended : c.dbl,
                             "RoundToDigits");
        }
    }
}

TEST(FloorToDouble, IsTheFloorOfEveryDouble) {
    const double cases[][2] = {
        {2.5, 2.0},
        {-2.5, -3.0},
        {-0.5, -1.0},
        {-0.0, 0.0},
        {-1e-300, -1.0},
        {2147483647.9, 2147483647.0},
        {-2147483648.0, -2147483648.0},
        {-2147483647.5, -2147483648.0},
        // Beyond 32 bits: the floor all the same; whole doubles are their own.
        {2147483648.0, 2147483648.0},
        {-2147483648.5, -2147483649.0},
        {4503599627370495.5, 4503599627370495.0},
        {-4503599627370495.5, -4503599627370496.0},
        {0x1p63, 0x1p63},
        {kInf, kInf},
        {-kInf, -kInf},
    };
    for (const Precision p : {kExtended, kDouble}) {
        for (const auto& [value, expected] : cases) {
            SCOPED_TRACE(testing::Message() << p.name << " " << value);
            ExpectSameDouble(UnderControlWord(p.controlWord, [&] { return FloorToDouble(value); }), expected,
                             "FloorToDouble");
        }
    }
}

// Every precision with every rounding mode, exceptions masked.
std::vector<std::uint16_t> EveryControlWord() {
    std::vector<std::uint16_t> words;
    for (const std::uint16_t precision : {0x0000, 0x0200, 0x0300})
        for (const std::uint16_t rounding : {0x0000, 0x0400, 0x0800, 0x0C00})
            words.push_back(static_cast<std::uint16_t>(0x007F | precision | rounding));
    return words;
}

// The floor does not depend on the caller's rounding mode, which the integer
// conversion rounds in: nearest and upward carry the top of the range to 2^31
// before the correction takes it back.
TEST(FloorToDouble, IsTheSameFloorUnderEveryControlWord) {
    const double cases[][2] = {
        {2.5, 2.0},
        {-2.5, -3.0},
        {3.0, 3.0},
        {-3.0, -3.0},
        {0.49999999999999994, 0.0},
        {-0.49999999999999994, -1.0},
        {-0.0, 0.0},
        {-1e-300, -1.0},
        {2147483647.5, 2147483647.0},
        {2147483647.9999998, 2147483647.0},
        {2147483647.0, 2147483647.0},
        {-2147483647.5, -2147483648.0},
        {-2147483647.0000002, -2147483648.0},
        {-2147483648.0, -2147483648.0},
        {-2147483648.0000005, -2147483649.0},
        {2147483648.0, 2147483648.0},
        {-9223372036854774784.0, -9223372036854774784.0},
        {kInf, kInf},
    };
    for (const std::uint16_t word : EveryControlWord()) {
        for (const auto& [value, expected] : cases) {
            SCOPED_TRACE(testing::Message() << std::hex << word << std::dec << " " << value);
            ExpectSameDouble(UnderControlWord(word, [&] { return FloorToDouble(value); }), expected,
                             "FloorToDouble");
        }
    }
}

TEST(RoundToDigits, ExactCasesUnderEveryControlWord) {
    const RoundCase cases[] = {
        {2.5, 0, 3.0, 3.0},   {-2.5, 0, -2.0, -2.0}, {97.5, 0, 98.0, 98.0}, {-0.5, 0, 0.0, 0.0},
        {1.5, -3, 2.0, 2.0},  {-2.6, 0, -3.0, -3.0}, {-0.0, 0, 0.0, 0.0},   {1e-10, 5, 0.0, 0.0},
    };
    for (const std::uint16_t word : EveryControlWord()) {
        for (const RoundCase& c : cases) {
            SCOPED_TRACE(testing::Message() << std::hex << word << std::dec << " " << c.value << ", " << c.digits);
            const long double result = UnderControlWord(word, [&] { return RoundToDigits(c.value, c.digits); });
            ExpectSameDouble(StoreAsDouble(result), c.extended, "RoundToDigits");
        }
    }
}

TEST(MaxOfMinOf, TiesAndNaNsGiveTheSecondOperandAndSignal) {
    const double otherNaN = -std::numeric_limits<double>::quiet_NaN();
    const struct {
        double a, b, max, min;
    } cases[] = {
        {1.0, 2.0, 2.0, 1.0},
        {2.0, 1.0, 2.0, 1.0},
        {0.0, -0.0, -0.0, -0.0},
        {-0.0, 0.0, 0.0, 0.0},
        {kNaN, 5.0, 5.0, 5.0},
        {5.0, kNaN, kNaN, kNaN},
        {kNaN, otherNaN, otherNaN, otherNaN},
        {-kInf, kInf, kInf, -kInf},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.a << ", " << c.b);
        std::feclearexcept(FE_ALL_EXCEPT);
        ExpectSameDouble(MaxOf(c.a, c.b), c.max, "MaxOf");
        EXPECT_EQ(std::fetestexcept(FE_INVALID) != 0, std::isnan(c.a) || std::isnan(c.b)) << "MaxOf";
        std::feclearexcept(FE_ALL_EXCEPT);
        ExpectSameDouble(MinOf(c.a, c.b), c.min, "MinOf");
        EXPECT_EQ(std::fetestexcept(FE_INVALID) != 0, std::isnan(c.a) || std::isnan(c.b)) << "MinOf";
    }
    std::feclearexcept(FE_ALL_EXCEPT);
}

TEST(SecondsToDayNumber, DividesTrulyAndRoundsOnceToDouble) {
    const struct {
        HostTime time;
        double extended, dbl;
    } cases[] = {
        {0, 25569.0, 25569.0},
        {43200, 25569.5, 25569.5},
        {86400, 25570.0, 25570.0},
        {-86400, 25568.0, 25568.0},
        {-1, 25568.999988425927, 25568.999988425927},
        {1000000000, 37143.07407407407, 37143.07407407407},
        {2147483647, 50424.13480324074, 50424.13480324074},
        {-2147483648, 713.8651851851852, 713.8651851851864},
    };
    for (const Precision p : {kExtended, kDouble}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(testing::Message() << p.name << " " << c.time);
            ExpectSameDouble(UnderControlWord(p.controlWord, [&] { return SecondsToDayNumber(c.time); }),
                             p.controlWord == kControlExtended ? c.extended : c.dbl, "SecondsToDayNumber");
        }
    }
}

}  // namespace
}  // namespace lumi
