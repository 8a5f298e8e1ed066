// An exact model of the x87 steps of FormatFixed and RoundToDigits, checked
// against the routines on random inputs. It shares no code with them: every
// product, quotient and sum is formed exactly on big integers and rounded to
// the working precision P, ties to even, as the x87 rounds.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "tests/native/x87_test_support.h"
#include "values/format_fixed.h"
#include "values/rounding.h"

namespace lumi {
namespace {

class BigUint {
public:
    BigUint(std::uint64_t value = 0)
        : limbs_{static_cast<std::uint32_t>(value), static_cast<std::uint32_t>(value >> 32)} {
        Trim();
    }

    int BitLength() const {
        return limbs_.empty() ? 0 : 32 * int(limbs_.size() - 1) + std::bit_width(limbs_.back());
    }
    bool Bit(int i) const {
        return i >= 0 && i / 32 < int(limbs_.size()) && (limbs_[i / 32] >> (i % 32) & 1);
    }
    bool AnyBitBelow(int n) const {
        for (int i = 0; i < n && i / 32 < int(limbs_.size()); i += 32) {
            const int width = std::min(32, n - i);
            const std::uint32_t mask = width == 32 ? ~0u : (1u << width) - 1;
            if (limbs_[i / 32] & mask) return true;
        }
        return false;
    }
    bool IsZero() const { return limbs_.empty(); }
    std::uint64_t Low64() const { return (limbs_.size() > 1 ? std::uint64_t{limbs_[1]} << 32 : 0) | Limb(0); }

    BigUint operator<<(int n) const {
        BigUint r;
        r.limbs_.assign(limbs_.size() + n / 32 + 1, 0);
        for (std::size_t i = 0; i < limbs_.size(); ++i) {
            const std::uint64_t shifted = std::uint64_t{limbs_[i]} << (n % 32);
            r.limbs_[i + n / 32] |= static_cast<std::uint32_t>(shifted);
            r.limbs_[i + n / 32 + 1] |= static_cast<std::uint32_t>(shifted >> 32);
        }
        r.Trim();
        return r;
    }
    BigUint operator>>(int n) const {
        BigUint r;
        for (std::size_t i = n / 32; i < limbs_.size(); ++i) {
            const std::uint64_t pair = (std::uint64_t{Limb(i + 1)} << 32) | limbs_[i];
            r.limbs_.push_back(static_cast<std::uint32_t>(pair >> (n % 32)));
        }
        r.Trim();
        return r;
    }
    friend BigUint operator+(const BigUint& a, const BigUint& b) {
        BigUint r;
        std::uint64_t carry = 0;
        for (std::size_t i = 0; i < std::max(a.limbs_.size(), b.limbs_.size()) || carry; ++i) {
            carry += std::uint64_t{a.Limb(i)} + b.Limb(i);
            r.limbs_.push_back(static_cast<std::uint32_t>(carry));
            carry >>= 32;
        }
        r.Trim();
        return r;
    }
    friend BigUint operator-(const BigUint& a, const BigUint& b) {  // a >= b
        BigUint r;
        std::int64_t borrow = 0;
        for (std::size_t i = 0; i < a.limbs_.size(); ++i) {
            std::int64_t d = std::int64_t{a.limbs_[i]} - b.Limb(i) - borrow;
            borrow = d < 0;
            r.limbs_.push_back(static_cast<std::uint32_t>(d + (borrow << 32)));
        }
        r.Trim();
        return r;
    }
    friend BigUint operator*(const BigUint& a, const BigUint& b) {
        BigUint r;
        r.limbs_.assign(a.limbs_.size() + b.limbs_.size(), 0);
        for (std::size_t i = 0; i < a.limbs_.size(); ++i) {
            std::uint64_t carry = 0;
            for (std::size_t j = 0; j < b.limbs_.size() || carry; ++j) {
                carry += r.limbs_[i + j] + std::uint64_t{a.limbs_[i]} * b.Limb(j);
                r.limbs_[i + j] = static_cast<std::uint32_t>(carry);
                carry >>= 32;
            }
        }
        r.Trim();
        return r;
    }
    // Quotient; the remainder goes to `remainder`.
    BigUint Divide(std::uint64_t divisor, std::uint64_t& remainder) const {
        BigUint q;
        q.limbs_.assign(limbs_.size(), 0);
        unsigned __int128 rest = 0;
        for (std::size_t i = limbs_.size(); i-- > 0;) {
            rest = (rest << 32) | limbs_[i];
            q.limbs_[i] = static_cast<std::uint32_t>(rest / divisor);
            rest %= divisor;
        }
        remainder = static_cast<std::uint64_t>(rest);
        q.Trim();
        return q;
    }
    friend int Compare(const BigUint& a, const BigUint& b) {
        if (a.limbs_.size() != b.limbs_.size()) return a.limbs_.size() < b.limbs_.size() ? -1 : 1;
        for (std::size_t i = a.limbs_.size(); i-- > 0;) {
            if (a.limbs_[i] != b.limbs_[i]) return a.limbs_[i] < b.limbs_[i] ? -1 : 1;
        }
        return 0;
    }

private:
    std::uint32_t Limb(std::size_t i) const { return i < limbs_.size() ? limbs_[i] : 0; }
    void Trim() {
        while (!limbs_.empty() && limbs_.back() == 0) limbs_.pop_back();
    }
    std::vector<std::uint32_t> limbs_;  // little-endian
};

// negative ? -mantissa : mantissa, times 2^exponent.
struct Exact {
    bool negative = false;
    BigUint mantissa;
    int exponent = 0;
};

Exact FromDouble(double value) {  // finite values only
    const auto bits = std::bit_cast<std::uint64_t>(value);
    const int field = static_cast<int>(bits >> 52 & 0x7FF);
    const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
    return {value < 0, field == 0 ? fraction : fraction | std::uint64_t{1} << 52,
            (field == 0 ? 1 : field) - 1075};
}

Exact FromInteger(std::int64_t value) {
    return {value < 0, BigUint(value < 0 ? 0 - std::uint64_t(value) : value), 0};
}

Exact Multiply(const Exact& a, const Exact& b) {
    return {a.negative != b.negative, a.mantissa * b.mantissa, a.exponent + b.exponent};
}

Exact Add(const Exact& a, const Exact& b) {
    const int exponent = std::min(a.exponent, b.exponent);
    const BigUint x = a.mantissa << (a.exponent - exponent), y = b.mantissa << (b.exponent - exponent);
    if (a.negative == b.negative) return {a.negative, x + y, exponent};
    const bool xLarger = Compare(x, y) >= 0;
    return {xLarger ? a.negative : b.negative, xLarger ? x - y : y - x, exponent};
}

int Compare(const Exact& a, const Exact& b) {  // both non-negative
    const int exponent = std::min(a.exponent, b.exponent);
    return Compare(a.mantissa << (a.exponent - exponent), b.mantissa << (b.exponent - exponent));
}

// Drops the lowest `count` bits of the mantissa, rounding to nearest, ties to even.
Exact DropBits(const Exact& x, int count) {
    if (count <= 0) return x;
    BigUint kept = x.mantissa >> count;
    if (x.mantissa.Bit(count - 1) && (x.mantissa.AnyBitBelow(count - 1) || kept.Bit(0))) kept = kept + 1;
    return {x.negative, kept, x.exponent + count};
}

Exact RoundToBits(const Exact& x, int bits) {
    const Exact rounded = DropBits(x, x.mantissa.BitLength() - bits);
    return DropBits(rounded, rounded.mantissa.BitLength() - bits);  // a carry to 2^bits
}

Exact RoundToInteger(const Exact& x) { return DropBits(x, -x.exponent); }

// a / b rounded to `bits`; b has at most 64 bits.
Exact Divide(const Exact& a, const Exact& b, int bits) {
    const int shift = std::max(0, bits + 2 + b.mantissa.BitLength() - a.mantissa.BitLength());
    std::uint64_t remainder;
    const BigUint quotient = (a.mantissa << shift).Divide(b.mantissa.Low64(), remainder);
    // A final sticky bit below the quotient's P + 2 bits keeps ties exact.
    const Exact sticky{a.negative != b.negative, (quotient << 1) + BigUint(remainder != 0),
                       a.exponent - shift - b.exponent - 1};
    return RoundToBits(sticky, bits);
}

long double ToLongDouble(const Exact& x) {  // at most 64 bits of mantissa
    const long double magnitude = std::ldexp(static_cast<long double>(x.mantissa.Low64()), x.exponent);
    return x.negative ? -magnitude : magnitude;
}

BigUint PowerOfTen(int power) {
    BigUint result(1);
    for (int i = 0; i < power; ++i) result = result * BigUint(10);
    return result;
}

// ---- FormatFixed -------------------------------------------------------

struct ModelImage {
    int exponent = 0;
    std::uint64_t digits = 0;  // d1..d18 as one integer; 0 for the zero image
};

// The table constants: powers of ten rounded to a 64-bit significand.
const std::vector<Exact>& RoundedPowers(int step) {
    static const auto make = [](int step) {
        std::vector<Exact> powers;
        for (int i = 0; i <= 32; ++i) powers.push_back(RoundToBits({false, PowerOfTen(i * step), 0}, 64));
        return powers;
    };
    static const std::vector<Exact> ones = make(1), thirtyTwos = make(32);
    return step == 1 ? ones : thirtyTwos;
}

ModelImage ModelDecimalImage(double value, int precision) {
    if (value == 0) return {};
    Exact scaled = FromDouble(std::fabs(value));
    const int binaryExponent = scaled.mantissa.BitLength() - 1 + scaled.exponent;
    int exponent = static_cast<int>(std::floor(binaryExponent * 19728 / 65536.0)) + 1;
    const int power = 18 - exponent, n = std::abs(power);
    const auto apply = [&](const Exact& factor) {
        scaled =
            power >= 0 ? RoundToBits(Multiply(scaled, factor), precision) : Divide(scaled, factor, precision);
    };
    apply(RoundedPowers(1)[n % 32]);
    if (n >= 32) apply(RoundedPowers(32)[n / 32]);
    scaled = RoundToInteger(scaled);
    if (Compare(scaled, Exact{false, PowerOfTen(18), 0}) >= 0) {
        scaled = RoundToInteger(Divide(scaled, FromInteger(10), precision));
        ++exponent;
    }
    return {exponent, (scaled.mantissa << scaled.exponent).Low64()};
}

// As DecimalImage holds them: no trailing zeros, empty for zero.
std::string ImageDigits(const ModelImage& image) {
    std::string digits = std::to_string(image.digits);
    digits.insert(0, 18 - digits.size(), '0');
    digits.erase(digits.find_last_not_of('0') + 1);
    return digits;
}

std::string ModelText(double value, std::int32_t digits, char separator, int precision) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    const ModelImage image = ModelDecimalImage(value, precision);
    // The cut, as arithmetic: the kept value is rounded / 10^decimals.
    std::uint64_t rounded = 0;
    std::int64_t decimals = 0;
    const std::int64_t keep = std::min<std::int64_t>(std::int64_t{image.exponent} + digits, 8);
    if (image.digits != 0 && keep >= 0) {
        std::uint64_t unit = 1;
        for (int i = 0; i < 18 - keep; ++i) unit *= 10;
        rounded = (image.digits + unit / 2) / unit;
        decimals = rounded == 0 ? 0 : keep - image.exponent;
    }
    std::string text = value < 0 && rounded != 0 ? "-" : "";
    std::string sep = separator ? std::string(1, separator) : "";
    std::string all = std::to_string(rounded);
    if (std::int64_t(all.size()) - decimals > 8) {  // 10^8 or more
        const std::int64_t power = std::int64_t(all.size()) - 1 - decimals;
        while (all.size() > 1 && all.back() == '0') all.pop_back();
        char exponentText[24];
        std::snprintf(exponentText, sizeof exponentText, "%0*lld", digits >= 1 && digits <= 4 ? digits : 1,
                      static_cast<long long>(power));
        return text + all[0] + (all.size() > 1 ? sep + all.substr(1) : "") + "E" + exponentText;
    }
    const std::int64_t shown = digits >= 0 && digits <= 18 ? digits : 18;
    if (decimals <= 0) {
        text += rounded == 0 ? "0" : all + std::string(-decimals, '0');
        return shown == 0 ? text : text + sep + std::string(shown, '0');
    }
    all.insert(0, std::string(std::max<std::int64_t>(0, decimals + 1 - all.size()), '0'));
    const std::string fraction = all.substr(all.size() - decimals) + std::string(shown, '0');
    text += all.substr(0, all.size() - decimals);
    return shown == 0 ? text : text + sep + fraction.substr(0, shown);
}

// ---- RoundToDigits -------------------------------------------------------

Exact ModelRoundToDigits(double value, std::int32_t digits, int precision) {
    std::int64_t multiplier = 1;
    for (int i = 0; i < std::clamp(digits, 0, 8); ++i) multiplier *= 10;
    if (digits >= 8) multiplier *= 10;  // eight and more digits round to nine
    // Floor through a 32-bit integer: -2^31 (the x87 indefinite) at and above
    // 2^31 and for NaN, -2^31 - 1 at and below -2^31 - 1.
    constexpr std::int64_t kTwoTo31 = std::int64_t{1} << 31;
    std::int64_t floor = -kTwoTo31;
    if (std::isinf(value) && value < 0) floor = -kTwoTo31 - 1;
    if (std::isfinite(value)) {
        Exact sum = RoundToBits(Multiply(FromDouble(value), FromInteger(multiplier)), precision);
        sum = RoundToBits(RoundToBits(Add(sum, Exact{false, 1, -1}), precision), 53);
        const bool overflows = sum.mantissa.BitLength() + sum.exponent > 1024;  // to an infinity
        const Exact magnitude{false, sum.mantissa, sum.exponent};
        if (overflows || Compare(magnitude, FromInteger(sum.negative ? kTwoTo31 + 1 : kTwoTo31)) >= 0) {
            floor = sum.negative ? -kTwoTo31 - 1 : -kTwoTo31;
        } else {
            const int drop = std::max(0, -sum.exponent);
            const auto whole =
                static_cast<std::int64_t>(((sum.mantissa >> drop) << std::max(0, sum.exponent)).Low64());
            const bool fraction = sum.mantissa.AnyBitBelow(drop);
            floor = sum.negative ? -whole - fraction : whole;
        }
    }
    return Divide(FromInteger(floor), FromInteger(multiplier), precision);
}

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

constexpr int kInputsPerPrecision = 1000000;

struct Checked {
    int precisionBits;
    test::Precision precision;
};

void PrintTo(const Checked& checked, std::ostream* out) { *out << checked.precision.name; }

class Oracle : public testing::TestWithParam<Checked> {};

TEST_P(Oracle, MatchesTheRoutinesOnRandomInputs) {
    const auto [bits, precision] = GetParam();
    InputSource inputs(20240601 + bits);
    int failures = 0;
    for (int i = 0; i < kInputsPerPrecision && failures < 10; ++i) {
        const Input in = inputs.Next();
        char16_t text[kFixedTextMaxUnits + 1];
        DecimalImage image;
        const long double rounded = test::UnderControlWord(precision.controlWord, [&] {
            image = MakeDecimalImage(in.value);
            FormatFixed(in.value, in.digits, u'.', text);
            return RoundToDigits(in.value, in.digits);
        });
        const ModelImage expectedImage =
            std::isfinite(in.value) ? ModelDecimalImage(in.value, bits) : ModelImage{};
        const bool sameImage = !std::isfinite(in.value) || (image.exponent == expectedImage.exponent &&
                                                            image.digits == ImageDigits(expectedImage));
        const std::string expectedText = ModelText(in.value, in.digits, '.', bits);
        const long double expectedRounded = ToLongDouble(ModelRoundToDigits(in.value, in.digits, bits));
        const bool sameRounded =
            rounded == expectedRounded && std::signbit(rounded) == std::signbit(expectedRounded);
        if (test::Narrow(text) != expectedText || !sameRounded || !sameImage) {
            ++failures;
            ADD_FAILURE() << precision.name << " value " << std::hexfloat << in.value << std::defaultfloat
                          << " (" << in.value << "), digits " << in.digits << ": text " << test::Narrow(text)
                          << " want " << expectedText << "; rounded " << rounded << " want "
                          << expectedRounded << "; image " << image.digits << "E" << image.exponent
                          << " want " << ImageDigits(expectedImage) << "E" << expectedImage.exponent;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(BothPrecisions, Oracle,
                         testing::Values(Checked{64, test::kExtended}, Checked{53, test::kDouble}),
                         [](const auto& info) { return std::string(info.param.precision.name); });

// Under extended precision the image of 1e-9 <= |v| < 1e18 lies within one
// unit in the 18th digit of the exact expansion; check that the model (and
// so the routine) holds to it.
TEST(Oracle, ImageIsWithinOneUnitOfTheExactExpansion) {
    InputSource inputs(7);
    for (int i = 0; i < 100000; ++i) {
        const double value = std::fabs(inputs.Next().value);
        if (!(value >= 1e-9 && value < 1e18)) continue;
        const ModelImage image = ModelDecimalImage(value, 64);
        const Exact exact = Multiply(FromDouble(value), {false, PowerOfTen(18 - image.exponent), 0});
        ASSERT_GE(Compare(exact, Exact{false, BigUint(image.digits - 1), 0}), 0) << value;
        ASSERT_LE(Compare(exact, Exact{false, BigUint(image.digits + 1), 0}), 0) << value;
        const DecimalImage actual =
            test::UnderControlWord(kControlExtended, [&] { return MakeDecimalImage(value); });
        ASSERT_EQ(actual.exponent, image.exponent) << value;
    }
}

}  // namespace
}  // namespace lumi
