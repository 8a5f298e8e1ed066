#include "values/rounding.h"

#include <cstdint>

namespace lumi {
namespace {

// What the x87 stores for a value that does not fit a 32-bit integer
// (NaN, infinities, anything outside the range) with invalid masked.
constexpr double kIntegerIndefinite = -2147483648.0;

// The floor of a value just below -2^31: one less than a 32-bit integer holds.
constexpr double kBelowInt32Floor = -2147483649.0;

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

// Kept out of line: it is off the path of every value a 32-bit floor holds.
// A NaN raises invalid in the x87 status word, as the range test of a 32-bit
// truncation does: the value is compared on the x87 also on x86-64, where a
// double comparison would go to SSE.
double FloorOutsideInt32(double value) {
    long double wide = value;
    asm("" : "+t"(wide));
    // -2^31 itself is its own floor, and the indefinite has the same value.
    const bool below = SignallingGreater<long double>(kIntegerIndefinite, wide);
    return below ? kBelowInt32Floor : kIntegerIndefinite;
}

}  // namespace rounding

double MaxOf(double a, double b) { return SignallingGreater(a, b) ? a : b; }

double MinOf(double a, double b) { return SignallingGreater(b, a) ? a : b; }  // a < b

DayNumber SecondsToDayNumber(HostTime time) {
    return StoreAsDouble(static_cast<long double>(time) / kSecondsPerDay + kDayNumberOf1970);
}

}  // namespace lumi
