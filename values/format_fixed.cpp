#include "values/format_fixed.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "values/digit_pairs.h"
#include "values/text_writer.h"
#include "values/x87.h"

namespace lumi {
namespace {

constexpr int kImageDigits = 18;
constexpr int kSignificantDigits = 8;   // kept by the cut
constexpr int kDecidingDigits = 9;      // the kept digits and the one that rounds them
constexpr int kMaxDecimals = 18;        // shown in fixed form
constexpr int kMaxExponentWidth = 4;    // digits counts 1..4 pad the exponent

constexpr long double kImageLimit = 1e18L;  // 10^kImageDigits
// Below this a scaled value rounds, in any mode, to an integer below 10^18,
// so fistp alone gives the image; exact in 64 bits.
constexpr long double kSurelyBelowImageLimit = 1e18L - 1;

// 10^0 .. 10^31, then 10^(32 i): GCC rounds these long double literals to
// the nearest 64-bit significand; up to 10^27 they are exact.
constexpr long double kPowersOfTen[32] = {
    1e0L,  1e1L,  1e2L,  1e3L,  1e4L,  1e5L,  1e6L,  1e7L,
    1e8L,  1e9L,  1e10L, 1e11L, 1e12L, 1e13L, 1e14L, 1e15L,
    1e16L, 1e17L, 1e18L, 1e19L, 1e20L, 1e21L, 1e22L, 1e23L,
    1e24L, 1e25L, 1e26L, 1e27L, 1e28L, 1e29L, 1e30L, 1e31L,
};
constexpr long double kPowersOfTenBy32[11] = {
    1e0L,   1e32L,  1e64L,  1e96L,  1e128L, 1e160L,
    1e192L, 1e224L, 1e256L, 1e288L, 1e320L,
};

// 10^0 .. 10^9 for the digit arithmetic, all in 32 bits.
constexpr std::uint32_t kIntegerPowersOfTen[kDecidingDigits + 1] = {
    1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000,
};
constexpr std::uint32_t kHalfImageScale = kIntegerPowersOfTen[kDecidingDigits];  // 18 digits = 2 x 9

// Division of a numerator below 2^31 by a constant d >= 2 as a multiply and
// shift: with 2^s <= d, m = ceil(2^(32+s) / d) fits 32 bits and its excess
// e = m d - 2^(32+s) < 2^(s+1), so e x < 2^(32+s) and the quotient is exact.
struct Reciprocal {
    std::uint32_t multiplier;
    int shift;

    static constexpr Reciprocal Of(std::uint32_t divisor) {
        const int shift = std::bit_width(divisor) - 1;
        const std::uint64_t scale = std::uint64_t{1} << (32 + shift);
        return {static_cast<std::uint32_t>((scale + divisor - 1) / divisor), shift};
    }
    constexpr std::uint32_t Divide(std::uint32_t numerator) const {
        return static_cast<std::uint32_t>((std::uint64_t{numerator} * multiplier) >> 32) >> shift;
    }
};

// The unit of the cut that keeps `keep` of d1..d9: 10^(9 - keep), keep 0..8.
struct CutUnit {
    Reciprocal reciprocal;
    std::uint32_t half;
};

constexpr auto kCutUnits = [] {
    std::array<CutUnit, kSignificantDigits + 1> units{};
    for (int keep = 0; keep <= kSignificantDigits; ++keep) {
        const std::uint32_t unit = kIntegerPowersOfTen[kDecidingDigits - keep];
        units[keep] = {Reciprocal::Of(unit), unit / 2};
    }
    return units;
}();

// The 18-digit image as one integer: value = 0.d1 d2 ... d18 x 10^exponent,
// with d1..d18 the decimal digits of `digits`, leading zeros included.
struct ScaledImage {
    std::uint64_t digits;  // below 10^18
    int exponent;
};

// d1..d9 and d10..d18 of an image.
struct ImageHalves {
    std::uint32_t high;
    std::uint32_t low;
};

// The digits of the image after the cut: `count` decimal digits from d1 on
// (a leading zero included); count 0 is the zero image. Trailing zeros stay
// unless StripTrailingZeros drops them.
struct KeptDigits {
    std::uint32_t digits = 0;
    int count = 0;
    int exponent = 0;
};

// b with 2^b <= |value| < 2^(b+1), for a finite non-zero double; read from
// its bits rather than by a library call.
int BinaryExponent(std::uint64_t bits) {
    constexpr int kFractionBits = 52;
    constexpr int kExponentBias = 1023;
    constexpr int kSubnormalExponent = -1074;  // of the lowest fraction bit
    const int field = static_cast<int>(bits >> kFractionBits & 0x7FF);
    if (field != 0) return field - kExponentBias;
    const std::uint64_t fraction = bits & ((std::uint64_t{1} << kFractionBits) - 1);
    return std::bit_width(fraction) - 1 + kSubnormalExponent;
}

// First guess at E for a magnitude in [2^b, 2^(b+1)): floor(b 19728 / 2^16) + 1
// (the shift of a negative product floors). 19728 / 65536 lies just
// under log10 2, so over the double range the guess is at most one low (the
// 10^18 test in the image corrects that); in the binades 2^-877 and 2^-681
// it can be one high, which leaves a leading zero digit in the image.
int EstimateDecimalExponent(int binaryExponent) { return (binaryExponent * 19728 >> 16) + 1; }

// magnitude x 10^power or / 10^-power, in two steps so each factor is one
// of the table constants. Every step rounds at the caller's precision.
[[gnu::always_inline]] inline long double ScaleByPowerOfTen(long double magnitude, int power) {
    const int n = power < 0 ? -power : power;
    const long double low = kPowersOfTen[n % 32];
    if (power >= 0) {
        magnitude *= low;
        if (n >= 32) magnitude *= kPowersOfTenBy32[n / 32];
    } else {
        magnitude /= low;
        if (n >= 32) magnitude /= kPowersOfTenBy32[n / 32];
    }
    return magnitude;
}

// Round to an integer in the caller's rounding mode (x87 frndint).
long double RoundToInteger(long double value) { return __builtin_rintl(value); }

// The image of a finite non-zero value, on the x87 under the caller's
// control word: this step alone decides the digits. The scaled value is
// rounded to an integer in the caller's mode, and where that reaches 10^18
// (the estimate was one low) divided by 10 and rounded again. fistp rounds as
// frndint does, so below 10^18 - 1 it does both steps at once.
[[gnu::always_inline]] inline ScaledImage ScaleToImage(const double& value, std::uint64_t bits) {
    const long double magnitude = AbsoluteValue(LoadInPlace(value));  // exact widening
    int exponent = EstimateDecimalExponent(BinaryExponent(bits));
    long double scaled = ScaleByPowerOfTen(magnitude, kImageDigits - exponent);
    if (!(scaled < kSurelyBelowImageLimit)) {
        scaled = RoundToInteger(scaled);
        if (scaled >= kImageLimit) {
            scaled = RoundToInteger(scaled / 10.0L);
            exponent += 1;
        }
    }
    // Below 10^18: the rounding store cannot overflow.
    return {static_cast<std::uint64_t>(RoundToInt64(scaled)), exponent};
}

// One 64-by-32-bit division: below 10^18, the image divided by 10^9 fits in
// 32 bits. On i686 GCC would call a 64-bit division helper instead.
ImageHalves SplitImage(std::uint64_t digits) {
#if defined(__i386__)
    std::uint32_t high, low;
    asm("divl %4"
        : "=a"(high), "=d"(low)
        : "a"(static_cast<std::uint32_t>(digits)), "d"(static_cast<std::uint32_t>(digits >> 32)),
          "r"(kHalfImageScale));
    return {high, low};
#else
    return {static_cast<std::uint32_t>(digits / kHalfImageScale),
            static_cast<std::uint32_t>(digits % kHalfImageScale)};
#endif
}

// The cut to E + digits digits (at most 8) on d1..d9 (`top`): the kept
// digits and the one after them that decides, so d10..d18 never matter.
// Half away from zero, the sign plays no part: adding 5 at the first dropped
// digit carries into the kept ones exactly when that digit is 5 or more. A
// carry out of d1 (or a cut that keeps nothing but rounds up) leaves "1" one
// place higher; a cut to nothing is the zero image.
[[gnu::always_inline]] inline KeptDigits CutTopDigits(std::uint32_t top, int exponent, std::int32_t digits) {
    const std::int64_t wanted = std::int64_t{exponent} + digits;  // no 32-bit overflow
    if (wanted < 0) return {};
    const int keep = wanted < kSignificantDigits ? static_cast<int>(wanted) : kSignificantDigits;
    const CutUnit& unit = kCutUnits[keep];
    const KeptDigits kept{unit.reciprocal.Divide(top + unit.half), keep, exponent};
    if (kept.digits == kIntegerPowersOfTen[keep]) return {1, 1, exponent + 1};
    if (kept.digits == 0) return {};
    return kept;
}

KeptDigits StripTrailingZeros(KeptDigits kept) {
    if (kept.count == 0) return kept;
    while (kept.digits % 10 == 0) {
        kept.digits /= 10;
        kept.count -= 1;
    }
    return kept;
}

// d1..d9 of image digit characters; absent digits are zeros.
std::uint32_t TopDigitsOf(const char* digits) {
    std::uint32_t top = 0;
    int i = 0;
    for (; i < kDecidingDigits && digits[i] != '\0'; ++i) {
        top = top * 10 + static_cast<std::uint32_t>(digits[i] - '0');
    }
    for (; i < kDecidingDigits; ++i) top *= 10;
    return top;
}

// The `count` digits of `value`, leading zeros included, as characters.
template <class Unit>
void SpellDigits(std::uint32_t value, int count, Unit* out) {
    for (int i = count - 1; i >= 0; --i) {
        out[i] = static_cast<Unit>('0' + value % 10);
        value /= 10;
    }
}

// The kept digits spelled in UTF-16, d1 first: the last `count` units of the
// value's eight digits with leading zeros, two digits per table lookup.
class SpelledDigits {
public:
    explicit SpelledDigits(const KeptDigits& kept) : count_(kept.count) {
        constexpr std::uint32_t kHalf = 10000;  // four digits
        constexpr std::uint32_t kPair = 100;
        const std::uint32_t high = kept.digits / kHalf, low = kept.digits % kHalf;
        PutTwoDigits(units_ + 0, high / kPair);
        PutTwoDigits(units_ + 2, high % kPair);
        PutTwoDigits(units_ + 4, low / kPair);
        PutTwoDigits(units_ + 6, low % kPair);
    }
    // d1 .. d(count).
    const char16_t* First() const { return units_ + kSignificantDigits - count_; }
    // The digit at `position` (0 = d1): "0" left of d1 and past the last kept digit.
    char16_t At(int position) const {
        return position >= 0 && position < count_ ? First()[position] : u'0';
    }

private:
    char16_t units_[kSignificantDigits];
    int count_;
};

char16_t* PutUnits(char16_t* out, const char16_t* units, int count) {
    for (int i = 0; i < count; ++i) out[i] = units[i];
    return out + count;
}

// A separator of 0 takes no place: the next unit is written over it.
char16_t* PutSeparator(char16_t* out, char16_t separator) {
    *out = separator;
    return out + (separator != 0);
}

// [-]integer[.decimals] for a cut with E <= 8. The decimal at place j
// (0 = first) is the digit at position E + j (0 = d1).
char16_t* WriteFixedForm(char16_t* out, const KeptDigits& kept, int decimals, char16_t separator) {
    const SpelledDigits spelled(kept);
    const int exponent = kept.exponent;
    if (exponent > 0 && exponent + decimals == kept.count) {
        // Every digit shown is kept, as for a price with its own decimals.
        out = PutUnits(out, spelled.First(), exponent);
        if (decimals == 0) return out;
        out = PutSeparator(out, separator);
        return PutUnits(out, spelled.First() + exponent, decimals);
    }
    if (exponent <= 0) *out++ = u'0';
    for (int i = 0; i < exponent; ++i) *out++ = spelled.At(i);
    if (decimals == 0) return out;
    out = PutSeparator(out, separator);
    // A cut far right of the shown decimals leaves only zeros there; the
    // clamp keeps the positions within int.
    const int first = std::max(exponent, -kMaxDecimals);
    for (int place = 0; place < decimals; ++place) *out++ = spelled.At(first + place);
    return out;
}

// [-]d1[.d2...]E<E - 1>, the exponent padded to `width` digits.
std::size_t WriteExponentForm(TextWriter& writer, const KeptDigits& kept, int width, char16_t separator) {
    const KeptDigits shown = StripTrailingZeros(kept);
    const SpelledDigits spelled(shown);
    writer.Put(spelled.At(0));
    if (shown.count > 1) {
        writer.Put(separator);
        for (int i = 1; i < shown.count; ++i) writer.Put(spelled.At(i));
    }
    writer.Put(u'E');
    writer.PutDecimal(static_cast<std::uint32_t>(shown.exponent - 1), width);
    return writer.Finish();
}

bool IsSpecial(const DecimalImage& image) {
    return image.exponent == kImageNaN || image.exponent == kImageInfinity;
}

constexpr std::uint64_t kSignBit = std::uint64_t{1} << 63;
constexpr std::uint64_t kExponentField = std::uint64_t{0x7FF} << 52;

bool IsFiniteBits(std::uint64_t bits) { return (bits & kExponentField) != kExponentField; }
bool IsZeroBits(std::uint64_t bits) { return (bits & ~kSignBit) == 0; }

// NAN, INF or -INF for a value that is not finite.
std::size_t WriteSpecial(std::uint64_t bits, char16_t* out) {
    TextWriter writer(out, kFixedTextMaxUnits);
    const bool nan = (bits & ~kSignBit) != kExponentField;
    writer.PutAscii(nan ? "NAN" : (bits & kSignBit) != 0 ? "-INF" : "INF");
    return writer.Finish();
}

}  // namespace

DecimalImage MakeDecimalImage(double value) {
    DecimalImage image;
    if (std::isnan(value)) {
        image.exponent = kImageNaN;
        return image;
    }
    image.negative = std::signbit(value);
    if (std::isinf(value)) {
        image.exponent = kImageInfinity;
        return image;
    }
    if (value == 0) {
        image.negative = false;
        return image;
    }
    const ScaledImage scaled = ScaleToImage(value, std::bit_cast<std::uint64_t>(value));
    const ImageHalves halves = SplitImage(scaled.digits);
    SpellDigits(halves.high, kDecidingDigits, image.digits);
    SpellDigits(halves.low, kImageDigits - kDecidingDigits, image.digits + kDecidingDigits);
    int length = kImageDigits;
    while (length > 0 && image.digits[length - 1] == '0') image.digits[--length] = '\0';
    image.exponent = static_cast<std::int16_t>(scaled.exponent);
    return image;
}

DecimalImage CutDecimalImage(const DecimalImage& image, std::int32_t digits) {
    if (IsSpecial(image)) return image;
    if (image.digits[0] == '\0') return {};
    const KeptDigits kept =
        StripTrailingZeros(CutTopDigits(TopDigitsOf(image.digits), image.exponent, digits));
    DecimalImage cut;
    if (kept.count == 0) return cut;
    SpellDigits(kept.digits, kept.count, cut.digits);
    cut.exponent = static_cast<std::int16_t>(kept.exponent);
    cut.negative = image.negative;
    return cut;
}

std::size_t FormatFixedFrom(const double& value, std::int32_t digits, char16_t decimalSeparator,
                            char16_t* out) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    if (!IsFiniteBits(bits)) return WriteSpecial(bits, out);
    KeptDigits kept;  // zero gives the zero image
    if (!IsZeroBits(bits)) {
        const ScaledImage image = ScaleToImage(value, bits);
        kept = CutTopDigits(SplitImage(image.digits).high, image.exponent, digits);
    }
    // A minus sign only where a digit survives the cut. The longest text
    // (sign, 8 integer digits, separator, 18 decimals) fits kFixedTextMaxUnits.
    char16_t* end = out;
    if (kept.count > 0 && (bits & kSignBit) != 0) *end++ = u'-';
    if (kept.exponent > kSignificantDigits) {
        // More integer digits than are kept: exponent form.
        const bool padded = digits >= 1 && digits <= kMaxExponentWidth;
        TextWriter writer(end, kFixedTextMaxUnits - static_cast<std::size_t>(end - out));
        return static_cast<std::size_t>(end - out) +
               WriteExponentForm(writer, kept, padded ? digits : 1, decimalSeparator);
    }
    const bool shown = digits >= 0 && digits <= kMaxDecimals;
    end = WriteFixedForm(end, kept, shown ? digits : kMaxDecimals, decimalSeparator);
    *end = 0;
    return static_cast<std::size_t>(end - out);
}

}  // namespace lumi
