// Rounding to a number of decimals, the larger and smaller of two doubles,
// and host time to day number.
#pragma once

#include <cstdint>

namespace lumi {

// Signed 32-bit count of seconds since 1970-01-01 00:00:00.
using HostTime = std::int32_t;

// Days since 1899-12-30 00:00, the fraction being the time of day.
using DayNumber = double;

// value rounded half up to `digits` decimals (0 and below: whole number,
// 8 and above: 9 decimals). The quotient is returned at the working
// precision of the call; the caller rounds it to double.
long double RoundToDigits(double value, std::int32_t digits);

// Floor carried through a signed 32-bit integer; never -0.0.
double FloorToDouble(double value);

// One ordered comparison; ties and NaNs give b.
double MaxOf(double a, double b);
double MinOf(double a, double b);

DayNumber SecondsToDayNumber(HostTime time);

}  // namespace lumi
