// The exact model of the x87 steps of FormatFixed and RoundToDigits (shared
// with the known-answer table's generator) against the routines on random
// inputs, under every precision and rounding mode a control word selects.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cfenv>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "tools/models/exact_decimal.h"
#include "tests/native/x87_test_support.h"
#include "values/format_fixed.h"
#include "values/rounding.h"

namespace lumi {
namespace {

using test::Compare;
using test::Exact;
using test::ImageDigits;
using test::ModelDecimalImage;
using test::ModelImage;
using test::ModelRoundToDigits;
using test::ModelRoundToDigitsStored;
using test::ModelText;
using test::Rounding;
using test::X87Mode;

// ---- Random inputs --------------------------------------------------------

struct Input {
    double value;
    std::int32_t digits;
};

class InputSource {
public:
    explicit InputSource(std::uint64_t seed) : random_(seed) {}

    Input Next() {
        switch (Uniform(0, 9)) {
            case 0:
            case 1:
            case 2:
                return PriceLike();
            case 3:
            case 4:
                return NearTie();
            case 5:
                return {std::bit_cast<double>(random_()), Digits()};
            case 6:
            case 7:
                return {std::ldexp(Sign() * Uniform(1, 1 << 30), static_cast<int>(Uniform(-1104, 993))),
                        Digits()};
            case 8:
                return {Sign() * std::pow(10.0, static_cast<double>(Uniform(-323, 308))), Digits()};
            default:
                return Special();
        }
    }

private:
    std::int64_t Uniform(std::int64_t low, std::int64_t high) {
        return std::uniform_int_distribution<std::int64_t>(low, high)(random_);
    }
    double Sign() { return Uniform(0, 1) ? -1.0 : 1.0; }
    std::int32_t Digits() {
        static constexpr std::int32_t kExtremes[] = {INT32_MIN, INT32_MIN + 1,   -400,
                                                     400,       INT32_MAX - 300, INT32_MAX};
        return Uniform(0, 19) == 0 ? kExtremes[Uniform(0, 5)] : static_cast<std::int32_t>(Uniform(-20, 30));
    }
    // A decimal with 2 to 5 decimals, shown with about as many.
    Input PriceLike() {
        const int decimals = static_cast<int>(Uniform(2, 5));
        const double value = Sign() * double(Uniform(0, 999999999)) / std::pow(10.0, decimals);
        return {value, static_cast<std::int32_t>(decimals - Uniform(0, 2))};
    }
    // A decimal that ends in 5 one place past the decimals shown, a few ulps either side.
    Input NearTie() {
        const int decimals = static_cast<int>(Uniform(0, 6));
        double value = Sign() * double(Uniform(0, 99999999) * 10 + 5) / std::pow(10.0, decimals + 1);
        for (std::int64_t steps = Uniform(-2, 2); steps != 0; steps += steps < 0 ? 1 : -1) {
            value = std::nextafter(value, steps < 0 ? -INFINITY : INFINITY);
        }
        return {value, static_cast<std::int32_t>(decimals)};
    }
    Input Special() {
        static const double kValues[] = {
            0.0,
            -0.0,
            INFINITY,
            -INFINITY,
            NAN,
            -NAN,
            DBL_MAX,
            -DBL_MAX,
            DBL_MIN,
            DBL_TRUE_MIN,
            -DBL_TRUE_MIN,
            1e18,
            999999999999999872.0,
            99999999.5,
            2147483647.5,
            0x1p63,
            -0x1p63,
            9223372036854774784.0,  // the last double below 2^63
            4503599627370495.5,
            25000000.0,
            -2147483648.5,
            2.1474836475,
            0.5,
            -0.5,
        };
        return {kValues[Uniform(0, std::size(kValues) - 1)], Digits()};
    }
    std::mt19937_64 random_;
};

// ---- The comparison ----------------------------------------------------------

// Round to nearest at 64 and 53 bits is what hosts run; the other ten
// combinations of precision and rounding mode get fewer inputs.
constexpr int kInputsToNearest = 1000000;
constexpr int kInputsOtherwise = 100000;

struct Checked {
    X87Mode mode;
    int inputs;

    std::uint16_t ControlWord() const {
        const int precisionField = mode.bits == 24 ? 0 : mode.bits == 53 ? 2 : 3;
        return static_cast<std::uint16_t>(0x007F | precisionField << 8 | static_cast<int>(mode.rounding) << 10);
    }
};

void PrintTo(const Checked& checked, std::ostream* out) { *out << std::hex << checked.ControlWord(); }

std::vector<Checked> EveryMode() {
    std::vector<Checked> modes;
    for (int bits : {64, 53, 24})
        for (Rounding rounding : {Rounding::Nearest, Rounding::Down, Rounding::Up, Rounding::TowardZero}) {
            const bool usual = rounding == Rounding::Nearest && bits != 24;
            modes.push_back({{bits, rounding}, usual ? kInputsToNearest : kInputsOtherwise});
        }
    return modes;
}

class Oracle : public testing::TestWithParam<Checked> {};

TEST_P(Oracle, MatchesTheRoutinesOnRandomInputs) {
    const Checked checked = GetParam();
    const X87Mode mode = checked.mode;
    InputSource inputs(20240601 + mode.bits + 100 * static_cast<int>(mode.rounding));
    int failures = 0;
    for (int i = 0; i < checked.inputs && failures < 10; ++i) {
        const Input in = inputs.Next();
        char16_t text[kFixedTextMaxUnits + 1];
        DecimalImage image;
        double stored = 0;
        const long double rounded = test::UnderControlWord(checked.ControlWord(), [&] {
            image = MakeDecimalImage(in.value);
            FormatFixed(in.value, in.digits, u'.', text);
            const long double quotient = RoundToDigits(in.value, in.digits);
            stored = StoreAsDouble(quotient);  // as a rounding export stores it
            return quotient;
        });
        const ModelImage expectedImage =
            std::isfinite(in.value) ? ModelDecimalImage(in.value, mode) : ModelImage{};
        const bool sameImage = !std::isfinite(in.value) || (image.exponent == expectedImage.exponent &&
                                                            image.digits == ImageDigits(expectedImage));
        const std::string expectedText = ModelText(in.value, in.digits, '.', mode);
        const long double expectedRounded = ModelRoundToDigits(in.value, in.digits, mode);
        const double expectedStored = ModelRoundToDigitsStored(in.value, in.digits, mode);
        const bool sameRounded = test::SameLongDouble(rounded, expectedRounded) &&
                                 std::bit_cast<std::uint64_t>(stored) == std::bit_cast<std::uint64_t>(expectedStored);
        if (test::Narrow(text) != expectedText || !sameRounded || !sameImage) {
            ++failures;
            ADD_FAILURE() << "control word " << std::hex << checked.ControlWord() << " value " << std::hexfloat
                          << in.value << std::defaultfloat << " (" << in.value << "), digits " << std::dec
                          << in.digits << ": text " << test::Narrow(text) << " want " << expectedText
                          << "; rounded " << rounded << " want " << expectedRounded << "; stored " << stored
                          << " want " << expectedStored << "; image " << image.digits << "E" << image.exponent
                          << " want " << ImageDigits(expectedImage) << "E" << expectedImage.exponent;
        }
    }
}

// The edges of the floor, as the value and digits that make the scaled sum:
// both sides of the 32-bit range, the 2^52, 2^53 and 2^63 edges, NaN
// payloads, infinities, zeros and denormals.
struct EdgeCase {
    std::uint64_t bits;
    std::int32_t digits;
};

constexpr std::uint64_t Bits(double value) { return std::bit_cast<std::uint64_t>(value); }
constexpr std::uint64_t kSignallingNaN = 0x7FF0000000000001, kNegativeSignallingNaN = 0xFFF4000000000000;

constexpr EdgeCase kEdges[] = {
    {Bits(2147483647.0), 0},          {Bits(-2147483648.0), 0},        // sums +-2147483647.5
    {Bits(2147483647.5), 0},          {Bits(-2147483648.5), 0},        // sums +-2147483648.0
    {Bits(2147483646.5), 0},          {Bits(-2147483647.5), 0},
    {Bits(2.1474836474), 9},          {Bits(2.1474836475), 9},         {Bits(-2.1474836485), 9},
    {Bits(-2.1474836495), 9},         {Bits(21474836.47), 2},          {Bits(21474836.48), 2},
    {Bits(-21474836.485), 2},         {Bits(25000000.0), 2},           {Bits(3.0), 9},
    {Bits(-3.0), 9},                  {Bits(1e12), 0},                 {Bits(5000000000.4), 0},
    {Bits(-5000000000.5), 0},         {Bits(4503599627370495.5), 0},   {Bits(-4503599627370495.5), 0},
    {Bits(9007199254740991.0), 0},    {Bits(0x1p53), 0},               {Bits(-0x1p53 - 2), 0},
    {Bits(9007199.254740993), 9},     {Bits(9223372036854774784.0), 0}, {Bits(-9223372036854774784.0), 0},
    {Bits(0x1p63), 0},                {Bits(-0x1p63), 0},              {Bits(9223372036.854775), 9},
    {Bits(92233720368547.75), 5},     {Bits(1e300), 5},                {Bits(DBL_MAX), 9},
    {0x7FF8000000000000, 2},          {0xFFF8000000012345, 0},         {0x7FFFFFFFFFFFFFFF, 9},
    {kSignallingNaN, 2},              {kNegativeSignallingNaN, 0},     {Bits(INFINITY), 2},
    {Bits(-INFINITY), 0},             {0, 2},                          {0x8000000000000000, 9},
    {1, 9},                           {0x800FFFFFFFFFFFFF, 0},         {0x0010000000000000, 2},
};

// Against the model, raising invalid operation for a signalling NaN alone: a
// host that unmasks it would trap on any other.
TEST_P(Oracle, MatchesTheModelAtTheEdgesOfTheFloor) {
    const Checked checked = GetParam();
    for (const EdgeCase& c : kEdges) {
        const double value = std::bit_cast<double>(c.bits);
        SCOPED_TRACE(testing::Message() << std::hex << c.bits << std::dec << " (" << value << "), " << c.digits);
        std::feclearexcept(FE_ALL_EXCEPT);
        double stored;
        const long double quotient = test::UnderControlWord(checked.ControlWord(), [&] {
            const long double result = RoundToDigits(value, c.digits);
            stored = StoreAsDouble(result);
            return result;
        });
        const bool invalid = std::fetestexcept(FE_INVALID) != 0;
        std::feclearexcept(FE_ALL_EXCEPT);
        EXPECT_TRUE(test::SameLongDouble(quotient, ModelRoundToDigits(value, c.digits, checked.mode)));
        EXPECT_EQ(Bits(stored), Bits(ModelRoundToDigitsStored(value, c.digits, checked.mode)));
        EXPECT_EQ(invalid, c.bits == kSignallingNaN || c.bits == kNegativeSignallingNaN) << "invalid operation";
    }
}

INSTANTIATE_TEST_SUITE_P(EveryControlWord, Oracle, testing::ValuesIn(EveryMode()), [](const auto& info) {
    char name[8];
    std::snprintf(name, sizeof name, "cw%04X", info.param.ControlWord());
    return std::string(name);
});

// Under extended precision the image of 1e-9 <= |v| < 1e18 lies within one
// unit in the 18th digit of the exact expansion; check that the model (and
// so the routine) holds to it.
TEST(Oracle, ImageIsWithinOneUnitOfTheExactExpansion) {
    InputSource inputs(7);
    for (int i = 0; i < 100000; ++i) {
        const double value = std::fabs(inputs.Next().value);
        if (!(value >= 1e-9 && value < 1e18)) continue;
        const ModelImage image = ModelDecimalImage(value, X87Mode{});
        const Exact exact = test::Multiply(test::FromDouble(value), {false, test::PowerOfTen(18 - image.exponent), 0});
        ASSERT_GE(Compare(exact, Exact{false, test::BigUint(image.digits - 1), 0}), 0) << value;
        ASSERT_LE(Compare(exact, Exact{false, test::BigUint(image.digits + 1), 0}), 0) << value;
        const DecimalImage actual =
            test::UnderControlWord(kControlExtended, [&] { return MakeDecimalImage(value); });
        ASSERT_EQ(actual.exponent, image.exponent) << value;
    }
}

}  // namespace
}  // namespace lumi
