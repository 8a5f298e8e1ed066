#include "tools/models/exact_decimal.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <optional>

namespace lumi::test {

// ---- Big integers ------------------------------------------------------------

BigUint::BigUint(std::uint64_t value)
    : limbs_{static_cast<std::uint32_t>(value), static_cast<std::uint32_t>(value >> 32)} {
    Trim();
}

int BigUint::BitLength() const {
    return limbs_.empty() ? 0 : 32 * int(limbs_.size() - 1) + std::bit_width(limbs_.back());
}

bool BigUint::Bit(int i) const { return i >= 0 && i / 32 < int(limbs_.size()) && (limbs_[i / 32] >> (i % 32) & 1); }

bool BigUint::AnyBitBelow(int n) const {
    for (int i = 0; i < n && i / 32 < int(limbs_.size()); i += 32) {
        const int width = std::min(32, n - i);
        const std::uint32_t mask = width == 32 ? ~0u : (1u << width) - 1;
        if (limbs_[i / 32] & mask) return true;
    }
    return false;
}

std::uint64_t BigUint::Low64() const { return (limbs_.size() > 1 ? std::uint64_t{limbs_[1]} << 32 : 0) | Limb(0); }

BigUint BigUint::operator<<(int n) const {
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

BigUint BigUint::operator>>(int n) const {
    BigUint r;
    for (std::size_t i = n / 32; i < limbs_.size(); ++i) {
        const std::uint64_t pair = (std::uint64_t{Limb(i + 1)} << 32) | limbs_[i];
        r.limbs_.push_back(static_cast<std::uint32_t>(pair >> (n % 32)));
    }
    r.Trim();
    return r;
}

BigUint operator+(const BigUint& a, const BigUint& b) {
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

BigUint operator-(const BigUint& a, const BigUint& b) {
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

BigUint operator*(const BigUint& a, const BigUint& b) {
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

BigUint BigUint::Divide(std::uint64_t divisor, std::uint64_t& remainder) const {
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

int Compare(const BigUint& a, const BigUint& b) {
    if (a.limbs_.size() != b.limbs_.size()) return a.limbs_.size() < b.limbs_.size() ? -1 : 1;
    for (std::size_t i = a.limbs_.size(); i-- > 0;) {
        if (a.limbs_[i] != b.limbs_[i]) return a.limbs_[i] < b.limbs_[i] ? -1 : 1;
    }
    return 0;
}

void BigUint::Trim() {
    while (!limbs_.empty() && limbs_.back() == 0) limbs_.pop_back();
}

// ---- Exact binary values ---------------------------------------------------------

Exact FromDouble(double value) {
    const auto bits = std::bit_cast<std::uint64_t>(value);
    const int field = static_cast<int>(bits >> 52 & 0x7FF);
    const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
    return {value < 0, field == 0 ? fraction : fraction | std::uint64_t{1} << 52, (field == 0 ? 1 : field) - 1075};
}

Exact FromInteger(std::int64_t value) { return {value < 0, BigUint(value < 0 ? 0 - std::uint64_t(value) : value), 0}; }

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

int Compare(const Exact& a, const Exact& b) {
    const int exponent = std::min(a.exponent, b.exponent);
    return Compare(a.mantissa << (a.exponent - exponent), b.mantissa << (b.exponent - exponent));
}

namespace {

// Whether dropping bits moves the kept magnitude up one unit: `half` is the
// highest dropped bit, `belowHalf` whether any lower one is set.
bool RoundsAway(Rounding rounding, bool negative, bool half, bool belowHalf, bool lastKept) {
    switch (rounding) {
        case Rounding::Nearest: return half && (belowHalf || lastKept);  // ties to even
        case Rounding::Down: return negative && (half || belowHalf);
        case Rounding::Up: return !negative && (half || belowHalf);
        case Rounding::TowardZero: return false;
    }
    return false;
}

// Drops the lowest `count` bits of the mantissa, rounding in `rounding`.
Exact DropBits(const Exact& x, int count, Rounding rounding) {
    if (count <= 0) return x;
    BigUint kept = x.mantissa >> count;
    if (RoundsAway(rounding, x.negative, x.mantissa.Bit(count - 1), x.mantissa.AnyBitBelow(count - 1), kept.Bit(0)))
        kept = kept + 1;
    return {x.negative, kept, x.exponent + count};
}

}  // namespace

Exact RoundToBits(const Exact& x, int bits, Rounding rounding) {
    const Exact rounded = DropBits(x, x.mantissa.BitLength() - bits, rounding);
    // A carry to 2^bits leaves a zero to drop: exact in every mode.
    return DropBits(rounded, rounded.mantissa.BitLength() - bits, rounding);
}

Exact RoundToInteger(const Exact& x, Rounding rounding) { return DropBits(x, -x.exponent, rounding); }

Exact Divide(const Exact& a, const Exact& b, int bits, Rounding rounding) {
    const int shift = std::max(0, bits + 2 + b.mantissa.BitLength() - a.mantissa.BitLength());
    std::uint64_t remainder;
    const BigUint quotient = (a.mantissa << shift).Divide(b.mantissa.Low64(), remainder);
    // A final sticky bit below the quotient's P + 2 bits keeps ties and
    // inexactness exact.
    const Exact sticky{a.negative != b.negative, (quotient << 1) + BigUint(remainder != 0),
                       a.exponent - shift - b.exponent - 1};
    return RoundToBits(sticky, bits, rounding);
}

long double ToLongDouble(const Exact& x) {
    const long double magnitude = std::ldexp(static_cast<long double>(x.mantissa.Low64()), x.exponent);
    return x.negative ? -magnitude : magnitude;
}

BigUint PowerOfTen(int power) {
    BigUint result(1);
    for (int i = 0; i < power; ++i) result = result * BigUint(10);
    return result;
}

// ---- FormatFixed -------------------------------------------------------------

namespace {

// The table constants: powers of ten rounded to a 64-bit significand, to nearest.
const std::vector<Exact>& RoundedPowers(int step) {
    static const auto make = [](int step) {
        std::vector<Exact> powers;
        for (int i = 0; i <= 32; ++i) powers.push_back(RoundToBits({false, PowerOfTen(i * step), 0}, 64, Rounding::Nearest));
        return powers;
    };
    static const std::vector<Exact> ones = make(1), thirtyTwos = make(32);
    return step == 1 ? ones : thirtyTwos;
}

}  // namespace

ModelImage ModelDecimalImage(double value, X87Mode mode) {
    if (value == 0) return {};
    Exact scaled = FromDouble(std::fabs(value));
    const int binaryExponent = scaled.mantissa.BitLength() - 1 + scaled.exponent;
    int exponent = static_cast<int>(std::floor(binaryExponent * 19728 / 65536.0)) + 1;
    const int power = 18 - exponent, n = std::abs(power);
    const auto apply = [&](const Exact& factor) {
        scaled = power >= 0 ? RoundToBits(Multiply(scaled, factor), mode.bits, mode.rounding)
                            : Divide(scaled, factor, mode.bits, mode.rounding);
    };
    apply(RoundedPowers(1)[n % 32]);
    if (n >= 32) apply(RoundedPowers(32)[n / 32]);
    scaled = RoundToInteger(scaled, mode.rounding);
    if (Compare(scaled, Exact{false, PowerOfTen(18), 0}) >= 0) {
        scaled = RoundToInteger(Divide(scaled, FromInteger(10), mode.bits, mode.rounding), mode.rounding);
        ++exponent;
    }
    return {exponent, (scaled.mantissa << scaled.exponent).Low64()};
}

std::string ImageDigits(const ModelImage& image) {
    std::string digits = std::to_string(image.digits);
    digits.insert(0, 18 - digits.size(), '0');
    digits.erase(digits.find_last_not_of('0') + 1);
    return digits;
}

std::string ModelText(double value, std::int32_t digits, char separator, X87Mode mode) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    const ModelImage image = ModelDecimalImage(value, mode);
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

// ---- RoundToDigits -------------------------------------------------------------

namespace {

bool AtLeastTwoTo63(const Exact& x) {
    return Compare(Exact{false, x.mantissa, x.exponent}, Exact{false, BigUint(1), 63}) >= 0;
}

// The quotient floor(scaled sum) / m, or nothing where the answer is the
// value itself: an infinity, a NaN, or a value or scaled sum of 2^63 or more
// in magnitude, each a whole number of any unit already.
std::optional<Exact> ModelQuotient(double value, std::int32_t digits, X87Mode mode) {
    if (!std::isfinite(value) || AtLeastTwoTo63(FromDouble(value))) return std::nullopt;
    std::int64_t multiplier = 1;
    for (int i = 0; i < std::clamp(digits, 0, 8); ++i) multiplier *= 10;
    if (digits >= 8) multiplier *= 10;  // eight and more digits round to nine
    Exact sum = RoundToBits(Multiply(FromDouble(value), FromInteger(multiplier)), mode.bits, mode.rounding);
    sum = RoundToBits(RoundToBits(Add(sum, Exact{false, 1, -1}), mode.bits, mode.rounding), 53, mode.rounding);
    if (AtLeastTwoTo63(sum)) return std::nullopt;
    // The mathematical floor, whatever the mode.
    const int drop = std::max(0, -sum.exponent);
    const auto whole = static_cast<std::int64_t>(((sum.mantissa >> drop) << std::max(0, sum.exponent)).Low64());
    const bool fraction = sum.mantissa.AnyBitBelow(drop);
    const std::int64_t floor = sum.negative ? -whole - fraction : whole;
    return Divide(FromInteger(floor), FromInteger(multiplier), mode.bits, mode.rounding);
}

// value as the unit loads it: a signalling NaN quieted, payload kept.
double Quieted(double value) {
    constexpr std::uint64_t kQuietBit = std::uint64_t{1} << 51;
    return std::isnan(value) ? std::bit_cast<double>(std::bit_cast<std::uint64_t>(value) | kQuietBit) : value;
}

}  // namespace

long double ModelRoundToDigits(double value, std::int32_t digits, X87Mode mode) {
    const std::optional<Exact> quotient = ModelQuotient(value, digits, mode);
    return quotient ? ToLongDouble(*quotient) : Quieted(value);
}

double ModelRoundToDigitsStored(double value, std::int32_t digits, X87Mode mode) {
    // The quotient lies far inside the normal double range (or is zero).
    const std::optional<Exact> quotient = ModelQuotient(value, digits, mode);
    return quotient ? static_cast<double>(ToLongDouble(RoundToBits(*quotient, 53, mode.rounding))) : Quieted(value);
}

}  // namespace lumi::test
