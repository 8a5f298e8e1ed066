#include "values/rounding.h"

#include <cstdint>

namespace lumi {
namespace {

// a > b as a signalling comparison (a NaN raises invalid). Left in a
// conditional expression, GCC picks the quiet fucomi + fcmov on x87; the
// empty asm keeps the truth value and so the signalling fcomi / comisd.
template <class Real>
bool SignallingGreater(Real a, Real b) {
    bool greater = a > b;
    asm("" : "+r"(greater));
    return greater;
}

constexpr long double kSecondsPerDay = 86400.0L;
constexpr long double kDayNumberOf1970 = 25569.0L;  // 1970-01-01 from 1899-12-30

}  // namespace

namespace rounding {

long double FloorBeyondInt32(const double& stored) {
    if (WholeBeyondInt64(stored)) return LoadInPlace(stored);
    return FloorToInt64(LoadInPlace(stored));
}

long double RoundedBeyondInt32(double value, const double& scaledSum, long double multiplier) {
    if (WholeBeyondInt64(scaledSum)) return value;
    return static_cast<long double>(FloorToInt64(LoadInPlace(scaledSum))) / multiplier;
}

}  // namespace rounding

double MaxOf(double a, double b) { return SignallingGreater(a, b) ? a : b; }

double MinOf(double a, double b) { return SignallingGreater(b, a) ? a : b; }  // a < b

DayNumber SecondsToDayNumber(HostTime time) {
    return StoreAsDouble(static_cast<long double>(time) / kSecondsPerDay + kDayNumberOf1970);
}

}  // namespace lumi
