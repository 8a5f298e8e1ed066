// Number to text: fixed notation with a chosen count of decimals, at most
// 8 significant digits, ties away from zero on an 18-digit decimal image.
#pragma once

#include <cstddef>
#include <cstdint>

namespace lumi {

// Longest text: a sign, 8 integer digits, the separator and 18 decimals.
constexpr std::size_t kFixedTextMaxUnits = 28;

constexpr std::int16_t kImageInfinity = 0x7FFF;
constexpr std::int16_t kImageNaN = -0x8000;

// value = 0.d1 d2 d3 ... x 10^exponent
struct DecimalImage {
    std::int16_t exponent = 0;
    bool negative = false;
    char digits[19] = {};  // ASCII digits without trailing zeros, NUL-ended
};

// The 18-digit image of `value`, rounded at the caller's x87 precision and
// rounding mode. Infinity and NaN carry kImageInfinity and kImageNaN; zero
// has no digits. d1 is '0' only where the exponent estimate ran one high.
DecimalImage MakeDecimalImage(double value);

// The image cut to `digits` decimals (at most 8 significant digits), half
// away from zero; a cut to nothing is the zero image. Specials pass through.
DecimalImage CutDecimalImage(const DecimalImage& image, std::int32_t digits);

// FormatFixed, reading the double where it lies (an export's slot pair): its
// bits by integer loads and the value by one x87 load, with no copy between.
std::size_t FormatFixedFrom(const double& value, std::int32_t digits,
                            char16_t decimalSeparator, char16_t* out);

// Writes the text of `value` with `digits` decimals and the given decimal
// separator into `out` (room for kFixedTextMaxUnits + 1 units), NUL-ended.
// A separator of 0 writes nothing, in the fixed and the exponent form.
// Returns the number of units written before the NUL.
inline std::size_t FormatFixed(double value, std::int32_t digits, char16_t decimalSeparator,
                               char16_t* out) {
    return FormatFixedFrom(value, digits, decimalSeparator, out);
}

}  // namespace lumi
