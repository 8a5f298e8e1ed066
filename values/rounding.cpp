#include "values/rounding.h"

#include <cstdint>

#include "values/x87.h"

namespace lumi {
namespace {

// Multipliers for 0..7 digits and for 8 or more. Eight digits and above
// share 10^9, not 10^8: the routine rounds those to nine decimals. Every one
// is exact as a double, so this is the value an unsigned 32-bit multiplier
// converts to; a double loads in one step where a 64-bit integer would not.
constexpr double kMultipliers[] = {
    1.0, 10.0, 100.0, 1000.0, 10000.0, 100000.0, 1000000.0, 10000000.0, 1000000000.0,
};
constexpr std::int32_t kLastMultiplier = 8;

long double MultiplierFor(std::int32_t digits) {
    if (digits <= 0) return kMultipliers[0];
    if (digits >= kLastMultiplier) return kMultipliers[kLastMultiplier];
    return kMultipliers[digits];
}

// What the x87 stores for a value that does not fit a 32-bit integer
// (NaN, infinities, anything outside the range) with invalid masked.
constexpr std::int32_t kIntegerIndefinite = INT32_MIN;

// The floor of a value just below INT32_MIN: one less than a 32-bit integer holds.
constexpr double kBelowInt32Floor = -2147483649.0;

// Truncation toward zero through a 32-bit integer. The range test keeps the
// conversion defined in C++ and gives what the hardware would give.
std::int32_t TruncateToInt32(long double value) {
    const bool fits = value > -2147483649.0L && value < 2147483648.0L;
    return fits ? static_cast<std::int32_t>(value) : kIntegerIndefinite;
}

// a > b as a signalling comparison (a NaN raises invalid). Left in a
// conditional expression, GCC picks the quiet fucomi + fcmov on x87; the
// empty asm keeps the truth value and so the signalling fcomi / comisd.
bool SignallingGreater(double a, double b) {
    bool greater = a > b;
    asm("" : "+r"(greater));
    return greater;
}

constexpr long double kSecondsPerDay = 86400.0L;
constexpr long double kDayNumberOf1970 = 25569.0L;  // 1970-01-01 from 1899-12-30

}  // namespace

long double RoundToDigits(double value, std::int32_t digits) {
    const long double multiplier = MultiplierFor(digits);
    const long double scaledSum = static_cast<long double>(value) * multiplier + 0.5L;
    // Rounding the scaled sum to double first lets a sum just below the next
    // integer (0.49999999999999994 + 0.5) reach it: part of the contract.
    const double floored = FloorToDouble(StoreAsDouble(scaledSum));
    return static_cast<long double>(floored) / multiplier;
}

double FloorToDouble(double value) {
    const long double wide = value;
    // Out of the 32-bit range this gives -2^31 (the indefinite) for values at
    // or above 2^31, +inf and NaN, and -2^31 - 1 for values at or below it
    // and -inf. Comparing is exact where subtracting could round.
    const std::int32_t truncated = TruncateToInt32(wide);
    if (!(wide < truncated)) return truncated;  // also NaN
    if (truncated == INT32_MIN) return kBelowInt32Floor;
    return truncated - 1;  // int32 to double: exact
}

double MaxOf(double a, double b) { return SignallingGreater(a, b) ? a : b; }

double MinOf(double a, double b) { return SignallingGreater(b, a) ? a : b; }  // a < b

DayNumber SecondsToDayNumber(HostTime time) {
    return StoreAsDouble(static_cast<long double>(time) / kSecondsPerDay + kDayNumberOf1970);
}

}  // namespace lumi
