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

// The floor of a value at or beyond 2^31 in magnitude, or NaN, as the
// 32-bit truncation gives it: -2^31 itself, -2^31 - 1 for anything below,
// and the x87 integer indefinite (-2^31) at and above 2^31 and for NaN.
double FloorOutsideInt32(double value);

// The high word of a double held in memory, read from that memory.
inline std::uint32_t HighWordOf(const double& stored) {
    std::uint32_t high;
    std::memcpy(&high, reinterpret_cast<const char*>(&stored) + sizeof high, sizeof high);
    return high;
}

inline constexpr std::uint32_t kMagnitudeBits = 0x7FFFFFFF;
inline constexpr std::uint32_t kHighWordOfInt32Limit = 0x41E00000;  // of 2^31

// The floor of a double held in memory. Whether |value| < 2^31, where the
// floor fits 32 bits, is told by its high word: integer work, which leaves
// the x87 free for the rest of the rounding (-2^31 itself goes the other way).
inline double FloorInPlace(const double& stored) {
    if ((HighWordOf(stored) & kMagnitudeBits) >= kHighWordOfInt32Limit) return FloorOutsideInt32(stored);
    return FloorToInt32(LoadInPlace(stored));  // int32 to double: exact
}

}  // namespace rounding

// Floor carried through a signed 32-bit integer; never -0.0. Inside the
// range the control word is only read by fistp, never written.
inline double FloorToDouble(double value) { return rounding::FloorInPlace(value); }

// value rounded half up to `digits` decimals (0 and below: whole number,
// 8 and above: 9 decimals). The quotient is returned at the working
// precision of the call; the caller rounds it to double.
inline long double RoundToDigits(double value, std::int32_t digits) {
    const long double multiplier = rounding::MultiplierFor(digits);
    // Rounding the scaled sum to double first lets a sum just below the next
    // integer (0.49999999999999994 + 0.5) reach it: part of the contract.
    double scaledSum;  // read back from memory by the floor
    StoreDouble(scaledSum, static_cast<long double>(value) * multiplier + 0.5L);
    return static_cast<long double>(rounding::FloorInPlace(scaledSum)) / multiplier;
}

// One ordered comparison; ties and NaNs give b.
double MaxOf(double a, double b);
double MinOf(double a, double b);

DayNumber SecondsToDayNumber(HostTime time);

}  // namespace lumi
