#include "values/format_fixed.h"

#include <bit>
#include <cmath>
#include <cstdint>

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

// The digits of the image after the cut. They stand for `count` decimal
// digits from d1 on (a leading zero included), trailing zeros dropped;
// count 0 is the zero image.
struct KeptDigits {
    std::uint32_t digits = 0;
    int count = 0;
    int exponent = 0;
};

int FloorDiv(int numerator, int denominator) {
    const int quotient = numerator / denominator;
    return (numerator % denominator < 0) ? quotient - 1 : quotient;
}

// b with 2^b <= |value| < 2^(b+1), for a finite non-zero double; read from
// its bits rather than by a library call.
int BinaryExponent(double value) {
    constexpr int kFractionBits = 52;
    constexpr int kExponentBias = 1023;
    constexpr int kSubnormalExponent = -1074;  // of the lowest fraction bit
    const auto bits = std::bit_cast<std::uint64_t>(value);
    const int field = static_cast<int>(bits >> kFractionBits & 0x7FF);
    if (field != 0) return field - kExponentBias;
    const std::uint64_t fraction = bits & ((std::uint64_t{1} << kFractionBits) - 1);
    return std::bit_width(fraction) - 1 + kSubnormalExponent;
}

// First guess at E for a magnitude in [2^b, 2^(b+1)). 19728 / 65536 lies just
// under log10 2, so over the double range the guess is at most one low (the
// 10^18 test in the image corrects that); in the binades 2^-877 and 2^-681
// it can be one high, which leaves a leading zero digit in the image.
int EstimateDecimalExponent(int binaryExponent) {
    return FloorDiv(binaryExponent * 19728, 65536) + 1;
}

// magnitude x 10^power or / 10^-power, in two steps so each factor is one
// of the table constants. Every step rounds at the caller's precision.
long double ScaleByPowerOfTen(long double magnitude, int power) {
    const int n = power < 0 ? -power : power;
    const long double low = kPowersOfTen[n % 32];
    const long double high = kPowersOfTenBy32[n / 32];
    if (power >= 0) {
        magnitude *= low;
        if (n >= 32) magnitude *= high;
    } else {
        magnitude /= low;
        if (n >= 32) magnitude /= high;
    }
    return magnitude;
}

// Round to an integer in the caller's rounding mode (x87 frndint).
long double RoundToInteger(long double value) { return __builtin_rintl(value); }

// The image of a finite non-zero value, on the x87 under the caller's
// control word: this step alone decides the digits.
ScaledImage ScaleToImage(double value) {
    const long double magnitude = std::fabs(static_cast<long double>(value));  // exact widening
    int exponent = EstimateDecimalExponent(BinaryExponent(value));
    long double scaled = RoundToInteger(ScaleByPowerOfTen(magnitude, kImageDigits - exponent));
    if (scaled >= kImageLimit) {  // the estimate was one low
        scaled = RoundToInteger(scaled / 10.0L);
        exponent += 1;
    }
    // A whole number below 10^18: it converts exactly.
    return {static_cast<std::uint64_t>(WholeToInt64(scaled)), exponent};
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
KeptDigits CutTopDigits(std::uint32_t top, int exponent, std::int32_t digits) {
    const std::int64_t wanted = std::int64_t{exponent} + digits;  // no 32-bit overflow
    if (wanted < 0) return {};
    const int keep = wanted < kSignificantDigits ? static_cast<int>(wanted) : kSignificantDigits;
    const std::uint32_t unit = kIntegerPowersOfTen[kDecidingDigits - keep];
    KeptDigits kept{(top + unit / 2) / unit, keep, exponent};
    if (kept.digits == kIntegerPowersOfTen[keep]) kept = {1, 1, exponent + 1};
    if (kept.digits == 0) return {};
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

// [-]integer[.decimals] for a cut with E <= 8. The decimal at place j
// (0 = first) is the digit at position E + j (0 = d1): a zero while that
// lies left of d1 (E negative) or past the last kept digit.
void WriteFixedForm(TextWriter& writer, const KeptDigits& kept, const char16_t* spelled, int decimals,
                    char16_t separator) {
    const auto digitAt = [&](int position) {
        return position >= 0 && position < kept.count ? spelled[position] : u'0';
    };
    if (kept.exponent <= 0) writer.Put(u'0');
    for (int i = 0; i < kept.exponent; ++i) writer.Put(digitAt(i));
    if (decimals == 0) return;
    writer.Put(separator);
    for (int place = 0; place < decimals; ++place) writer.Put(digitAt(kept.exponent + place));
}

// [-]d1[.d2...]E<E - 1>, the exponent padded to `width` digits.
void WriteExponentForm(TextWriter& writer, const KeptDigits& kept, const char16_t* spelled, int width,
                       char16_t separator) {
    writer.Put(spelled[0]);
    if (kept.count > 1) {
        writer.Put(separator);
        for (int i = 1; i < kept.count; ++i) writer.Put(spelled[i]);
    }
    writer.Put(u'E');
    writer.PutDecimal(static_cast<std::uint32_t>(kept.exponent - 1), width);
}

bool IsSpecial(const DecimalImage& image) {
    return image.exponent == kImageNaN || image.exponent == kImageInfinity;
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
    const ScaledImage scaled = ScaleToImage(value);
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
    const KeptDigits kept = CutTopDigits(TopDigitsOf(image.digits), image.exponent, digits);
    DecimalImage cut;
    if (kept.count == 0) return cut;
    SpellDigits(kept.digits, kept.count, cut.digits);
    cut.exponent = static_cast<std::int16_t>(kept.exponent);
    cut.negative = image.negative;
    return cut;
}

std::size_t FormatFixed(double value, std::int32_t digits, char16_t decimalSeparator,
                        char16_t* out) {
    TextWriter writer(out, kFixedTextMaxUnits);
    if (std::isnan(value)) {
        writer.PutAscii("NAN");
        return writer.Finish();
    }
    if (std::isinf(value)) {
        writer.PutAscii(value < 0 ? "-INF" : "INF");
        return writer.Finish();
    }
    KeptDigits kept;  // zero gives the zero image
    if (value != 0) {
        const ScaledImage image = ScaleToImage(value);
        kept = CutTopDigits(SplitImage(image.digits).high, image.exponent, digits);
    }
    char16_t spelled[kDecidingDigits];
    SpellDigits(kept.digits, kept.count, spelled);

    // A minus sign only where a digit survives the cut.
    if (kept.count > 0 && std::signbit(value)) writer.Put(u'-');
    if (kept.exponent > kSignificantDigits) {
        // More integer digits than are kept: exponent form.
        const bool padded = digits >= 1 && digits <= kMaxExponentWidth;
        WriteExponentForm(writer, kept, spelled, padded ? digits : 1, decimalSeparator);
    } else {
        const bool shown = digits >= 0 && digits <= kMaxDecimals;
        WriteFixedForm(writer, kept, spelled, shown ? digits : kMaxDecimals, decimalSeparator);
    }
    return writer.Finish();
}

}  // namespace lumi
