// Rounding to a number of decimals, the larger and smaller of two doubles,
// and host time to day number.
//
// RoundToDigits and FloorToDouble are inline: the rounding exports are a
// handful of x87 instructions, and a call with the double passed through
// memory would cost as much as the work.
#pragma once

#include <cstdint>
#include <cstring>

#include "values/x87.h"

namespace lumi {

// Signed 32-bit count of seconds since 1970-01-01 00:00:00.
using HostTime = std::int32_t;

// Days since 1899-12-30 00:00, the fraction being the time of day.
using DayNumber = double;

namespace rounding {

// Multipliers for 0..7 digits and for 8 or more. Eight digits and above
// share 10^9, not 10^8: the routine rounds those to nine decimals. Every one
// is exact as a double, so this is the value an unsigned 32-bit multiplier
// converts to; a double loads in one step where a 64-bit integer would not.
inline constexpr double kMultipliers[] = {
    1.0, 10.0, 100.0, 1000.0, 10000.0, 100000.0, 1000000.0, 10000000.0, 1000000000.0,
};
inline constexpr std::int32_t kLastMultiplier = 8;

inline long double MultiplierFor(std::int32_t digits) {
    if (digits <= 0) return kMultipliers[0];
    if (digits >= kLastMultiplier) return kMultipliers[kLastMultiplier];
    return kMultipliers[digits];
}

// The high word of a double held in memory, read from that memory.
inline std::uint32_t HighWordOf(const double& stored) {
    std::uint32_t high;
    std::memcpy(&high, reinterpret_cast<const char*>(&stored) + sizeof high, sizeof high);
    return high;
}

inline constexpr std::uint32_t kMagnitudeBits = 0x7FFFFFFF;
inline constexpr std::uint32_t kHighWordOfInt32Limit = 0x41E00000;  // of 2^31
inline constexpr std::uint32_t kHighWordOfInt64Limit = 0x43E00000;  // of 2^63

// Whether |stored| >= 2^limit, an infinity or a NaN, told by the high word:
// integer work, no comparison that a NaN would make signal, and the x87
// stays free for the rest of the rounding.
inline bool AtOrBeyond(const double& stored, std::uint32_t highWordOfLimit) {
    return (HighWordOf(stored) & kMagnitudeBits) >= highWordOfLimit;
}

// A double of 2^63 or more in magnitude, an infinity or a NaN: a whole
// number of any unit already.
inline bool WholeBeyondInt64(const double& stored) { return AtOrBeyond(stored, kHighWordOfInt64Limit); }

// value at working precision, kept there: without the empty asm GCC would
// round a quotient to double on the way to a result that is also `value`,
// and the caller's store would round it a second time.
inline long double Widened(double value) {
    long double wide = value;
    asm("" : "+t"(wide));
    return wide;
}

// Kept out of line, off the path of every value a 32-bit floor holds: the
// floor of a double at or beyond 2^31 in magnitude through 64 bits, the
// double itself from 2^63 on (a NaN quieted), exact at any working precision.
long double FloorBeyondInt32(const double& stored);

// RoundToDigits for a scaled sum at or beyond 2^31 in magnitude: the floor
// over the multiplier, or the value itself from 2^63 on.
long double RoundedBeyondInt32(double value, const double& scaledSum, long double multiplier);

// The floor of a double held in memory (-2^31 itself goes the long way).
inline long double FloorInPlace(const double& stored) {
    if (AtOrBeyond(stored, kHighWordOfInt32Limit)) return FloorBeyondInt32(stored);
    return FloorToInt32(LoadInPlace(stored));  // int32 to working precision: exact
}

}  // namespace rounding

// The floor of value; never -0.0. The control word is only read by fistp,
// never written.
inline double FloorToDouble(double value) { return static_cast<double>(rounding::FloorInPlace(value)); }

// value rounded half up to `digits` decimals (0 and below: whole number,
// 8 and above: 9 decimals). The quotient is returned at the working
// precision of the call; the caller rounds it to double.
inline long double RoundToDigits(double value, std::int32_t digits) {
    // A value of 2^63 or more is its own answer, as are infinities and NaN;
    // such a value is never scaled, so no scaled sum overflows a double.
    if (rounding::WholeBeyondInt64(value)) return rounding::Widened(value);
    const long double multiplier = rounding::MultiplierFor(digits);
    // Rounding the scaled sum to double first lets a sum just below the next
    // integer (0.49999999999999994 + 0.5) reach it: part of the contract.
    double scaledSum;  // read back from memory by the floor
    StoreDouble(scaledSum, static_cast<long double>(value) * multiplier + 0.5L);
    if (rounding::AtOrBeyond(scaledSum, rounding::kHighWordOfInt32Limit))
        return rounding::RoundedBeyondInt32(value, scaledSum, multiplier);
    return static_cast<long double>(FloorToInt32(LoadInPlace(scaledSum))) / multiplier;
}

// One ordered comparison; ties and NaNs give b.
double MaxOf(double a, double b);
double MinOf(double a, double b);

DayNumber SecondsToDayNumber(HostTime time);

}  // namespace lumi
