#include "values/format_fixed.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "values/text_writer.h"

namespace lumi {
namespace {

constexpr int kImageDigits = 18;
constexpr int kSignificantDigits = 8;   // kept by the cut
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

int FloorDiv(int numerator, int denominator) {
    const int quotient = numerator / denominator;
    return (numerator % denominator < 0) ? quotient - 1 : quotient;
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

void StripTrailingZeros(char* digits) {
    std::size_t length = std::strlen(digits);
    while (length > 0 && digits[length - 1] == '0') digits[--length] = '\0';
}

char ImageDigitAt(const DecimalImage& image, std::int64_t position) {
    const std::size_t length = std::strlen(image.digits);
    return (position >= 0 && static_cast<std::size_t>(position) < length)
               ? image.digits[position]
               : '0';
}

// "0" where the image has no digit at `position` (0-based).
void PutImageDigit(TextWriter& writer, const DecimalImage& image, std::int64_t position) {
    writer.Put(static_cast<char16_t>(ImageDigitAt(image, position)));
}

// [-]integer[.decimals] for an image with E <= 8.
void WriteFixedForm(TextWriter& writer, const DecimalImage& image, int decimals,
                    char16_t separator) {
    const int exponent = image.exponent;
    if (image.negative) writer.Put(u'-');
    if (exponent <= 0) writer.Put(u'0');
    for (int i = 0; i < exponent; ++i) PutImageDigit(writer, image, i);
    if (decimals == 0) return;
    writer.Put(separator);
    // Decimal place j holds image digit E + j - 1: zeros while that lies
    // left of d1 (E negative) or past the last digit.
    for (int place = 1; place <= decimals; ++place) {
        PutImageDigit(writer, image, std::int64_t{exponent} + place - 1);
    }
}

// [-]d1[.d2...]E<E - 1>, the exponent padded to `width` digits.
void WriteExponentForm(TextWriter& writer, const DecimalImage& image, int width,
                       char16_t separator) {
    if (image.negative) writer.Put(u'-');
    writer.Put(static_cast<char16_t>(image.digits[0]));
    if (image.digits[1] != '\0') {
        writer.Put(separator);
        writer.PutAscii(image.digits + 1);
    }
    writer.Put(u'E');
    writer.PutDecimal(static_cast<std::uint32_t>(image.exponent - 1), width);
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

    const long double magnitude = std::fabs(static_cast<long double>(value));  // exact widening
    int exponent = EstimateDecimalExponent(std::ilogb(value));
    long double scaled = RoundToInteger(ScaleByPowerOfTen(magnitude, kImageDigits - exponent));
    if (scaled >= kImageLimit) {  // the estimate was one low
        scaled = RoundToInteger(scaled / 10.0L);
        exponent += 1;
    }

    // Below 10^18, so it fits and converts exactly; leading zeros are kept.
    auto integer = static_cast<std::uint64_t>(scaled);
    for (int i = kImageDigits - 1; i >= 0; --i) {
        image.digits[i] = static_cast<char>('0' + integer % 10);
        integer /= 10;
    }
    image.digits[kImageDigits] = '\0';
    StripTrailingZeros(image.digits);
    image.exponent = static_cast<std::int16_t>(exponent);
    return image;
}

DecimalImage CutDecimalImage(const DecimalImage& image, std::int32_t digits) {
    const DecimalImage zero;
    if (IsSpecial(image)) return image;
    if (image.digits[0] == '\0') return zero;
    // 64-bit so no exponent and 32-bit count can overflow.
    std::int64_t keep = std::int64_t{image.exponent} + digits;
    if (keep < 0) return zero;
    keep = std::min<std::int64_t>(keep, kSignificantDigits);

    DecimalImage cut;
    cut.exponent = image.exponent;
    for (std::int64_t i = 0; i < keep; ++i) cut.digits[i] = ImageDigitAt(image, i);

    // Half away from zero: the digit after the cut decides, the sign does not.
    if (ImageDigitAt(image, keep) >= '5') {
        std::int64_t i = keep - 1;
        while (i >= 0 && cut.digits[i] == '9') cut.digits[i--] = '0';
        if (i >= 0) {
            cut.digits[i] += 1;
        } else {  // carry out of d1, or nothing kept
            std::memset(cut.digits, 0, sizeof cut.digits);
            cut.digits[0] = '1';
            cut.exponent += 1;
        }
    }
    StripTrailingZeros(cut.digits);
    if (cut.digits[0] == '\0') return zero;
    cut.negative = image.negative;
    return cut;
}

std::size_t FormatFixed(double value, std::int32_t digits, char16_t decimalSeparator,
                        char16_t* out) {
    TextWriter writer(out, kFixedTextMaxUnits);
    const DecimalImage image = CutDecimalImage(MakeDecimalImage(value), digits);
    if (image.exponent == kImageNaN) {
        writer.PutAscii("NAN");
    } else if (image.exponent == kImageInfinity) {
        writer.PutAscii(image.negative ? "-INF" : "INF");
    } else if (image.exponent > kSignificantDigits) {
        // More integer digits than are kept: exponent form.
        const bool padded = digits >= 1 && digits <= kMaxExponentWidth;
        WriteExponentForm(writer, image, padded ? digits : 1, decimalSeparator);
    } else {
        const bool shown = digits >= 0 && digits <= kMaxDecimals;
        WriteFixedForm(writer, image, shown ? digits : kMaxDecimals, decimalSeparator);
    }
    return writer.Finish();
}

}  // namespace lumi
