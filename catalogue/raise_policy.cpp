// Which inputs may raise an exception the caller has unmasked, family by
// family, as the catalogue page lists them.
#include "catalogue/raise_policy.h"

#include <bit>
#include <limits>
#include <vector>

#include "catalogue/body_terms.h"
#include "values/rounding.h"

namespace lumi {
namespace {

// Doubles are kept as their bits: an x87 load would quieten a signalling NaN.
std::uint64_t DoubleBitsIn(std::span<const std::uint32_t> slots, int first) {
    if (first < 0 || first + 1 >= static_cast<int>(slots.size())) return 0;
    return std::uint64_t{slots[first + 1]} << 32 | slots[first];
}

constexpr std::uint64_t kExponent = 0x7FF0000000000000, kFraction = 0x000FFFFFFFFFFFFF, kQuiet = 0x0008000000000000;

bool IsNan(std::uint64_t bits) { return (bits & kExponent) == kExponent && (bits & kFraction) != 0; }
bool IsSignalling(std::uint64_t bits) { return IsNan(bits) && !(bits & kQuiet); }
bool IsInfinite(std::uint64_t bits) { return (bits & ~(std::uint64_t{1} << 63)) == kExponent; }
bool IsZero(std::uint64_t bits) { return (bits & ~(std::uint64_t{1} << 63)) == 0; }
// |value| from its bits, for a value neither NaN nor infinite.
double Magnitude(std::uint64_t bits) { return std::bit_cast<double>(bits & ~(std::uint64_t{1} << 63)); }

// Far from 1 in magnitude: a handful of operations on such values may leave
// the double range (2^±255, four of them multiplied, still lie within it).
bool Extreme(std::uint64_t bits) {
    if (IsInfinite(bits)) return true;
    if (IsNan(bits) || IsZero(bits)) return false;
    return Magnitude(bits) >= 0x1p255 || Magnitude(bits) <= 0x1p-255;
}

std::vector<std::uint64_t> DoubleInputs(const ExportEntry& entry, std::span<const std::uint32_t> slots) {
    std::vector<std::uint64_t> values;
    for (int i = 0; i < entry.InputCount(); ++i)
        if (entry.inputs[i].kind == ValueKind::Double) values.push_back(DoubleBitsIn(slots, entry.inputs[i].slot));
    return values;
}

std::uint16_t NothingListed(const ExportEntry&, std::span<const std::uint32_t>) { return 0; }

std::uint16_t PassThroughListed(const ExportEntry& entry, std::span<const std::uint32_t> slots) {
    for (std::uint64_t value : DoubleInputs(entry, slots))
        if (IsSignalling(value)) return kInvalidOperation;
    return 0;
}

bool ExpressionDivides(const ExportEntry& entry) {
    for (const Operation& operation : ExpressionOperations(entry))
        if (operation.op == "divide" || operation.op == "reverse-divide") return true;
    return false;
}

// Read once per row: lumicall asks for every call it judges.
bool Divides(const ExportEntry& entry) {
    static const std::vector<bool> divides = [] {
        std::vector<bool> rows;
        for (const ExportEntry& row : Catalogue()) rows.push_back(ExpressionDivides(row));
        return rows;
    }();
    const std::span<const ExportEntry> rows = Catalogue();
    if (&entry >= rows.data() && &entry < rows.data() + rows.size()) return divides[&entry - rows.data()];
    return ExpressionDivides(entry);
}

std::uint16_t ArithmeticListed(const ExportEntry& entry, std::span<const std::uint32_t> slots) {
    const bool divides = Divides(entry);
    std::uint16_t listed = 0;
    for (std::uint64_t value : DoubleInputs(entry, slots)) {
        if (IsSignalling(value) || (IsNan(value) && entry.result == ValueKind::Truth)) listed |= kInvalidOperation;
        if (IsInfinite(value)) listed |= kInvalidOperation;  // zero times it, or it minus itself
        if (Extreme(value)) listed |= kOverflow | (divides ? kDivisionByZero : 0);
        if (divides && IsZero(value)) listed |= kDivisionByZero | kInvalidOperation;  // 0 / 0
    }
    return listed;
}

std::uint16_t FormattingListed(const ExportEntry& entry, std::span<const std::uint32_t> slots) {
    const std::vector<std::uint64_t> values = DoubleInputs(entry, slots);
    bool nan = false, signalling = false;
    for (std::uint64_t value : values) {
        nan |= IsNan(value);
        signalling |= IsSignalling(value);
    }
    switch (entry.routine) {
        case Routine::FormatFixed:
        case Routine::RoundToDigits: return signalling ? kInvalidOperation : 0;
        case Routine::MaxOf:
        case Routine::MinOf: return nan ? kInvalidOperation : 0;
        default: return 0;
    }
}

// Whether a row computes on doubles: the page lets any such row raise
// precision, underflow and denormal operand.
bool ComputesOnDoubles(const ExportEntry& entry) {
    if (entry.result == ValueKind::Double && entry.family != Family::NumberConstant) return true;
    for (int i = 0; i < entry.InputCount(); ++i)
        if (entry.inputs[i].kind == ValueKind::Double || entry.inputs[i].kind == ValueKind::HostTime) return true;
    return false;
}

struct RaisePolicy {
    std::string_view words;  // the inputs that may raise one the caller has unmasked...
    std::uint16_t (*listed)(const ExportEntry&, std::span<const std::uint32_t>);  // ...and those inputs' exceptions
};

constexpr RaisePolicy kTextConstantRaises = {"None: no floating-point work.", NothingListed};

constexpr RaisePolicy kNumberConstantRaises = {"None: 0.0 and 1.0 are the unit's own constants.", NothingListed};

constexpr RaisePolicy kPassThroughRaises = {
    "A signalling NaN in the slots of a double, as it is loaded (invalid operation). "
    "Words and the widened integer raise nothing.",
    PassThroughListed};

constexpr RaisePolicy kArithmeticRaises = {
    "A signalling NaN operand (invalid operation); a NaN in slots 2-3 of the truth test, whose "
    "comparison signals (invalid operation); a zero divisor (division by zero; 0 / 0 is an invalid "
    "operation); zero times an infinity, or an infinity minus itself (invalid operation); a result "
    "beyond the double range (overflow). The integer times ten has no floating-point step.",
    ArithmeticListed};

// Rounding scales only values below 2^63, by at most the routine's largest
// multiplier, so it cannot overflow: a signalling NaN is all that raises.
static_assert(0x1p63 * rounding::kMultipliers[rounding::kLastMultiplier] < std::numeric_limits<double>::max());

constexpr RaisePolicy kFormattingRaises = {
    "Number to text and rounding: a signalling NaN value (invalid operation). Larger and smaller of "
    "two: a NaN in either operand, whose comparison signals (invalid operation). Time to text and "
    "search: nothing.",
    FormattingListed};

constexpr const RaisePolicy* kPolicies[] = {
#define FAMILY(id, name, heading, raises) &raises,
#include "catalogue/families.def"
};

const RaisePolicy& PolicyOf(Family family) { return *kPolicies[static_cast<std::size_t>(family)]; }

}  // namespace

std::string_view UnmaskedExceptionWords(Family family) { return PolicyOf(family).words; }

bool RaiseListed(const ExportEntry& entry, std::span<const std::uint32_t> slots, std::uint16_t raised) {
    std::uint16_t listed = ComputesOnDoubles(entry) ? kInexactResult | kUnderflow | kDenormalOperand : 0;
    listed |= PolicyOf(entry.family).listed(entry, slots);
    return (raised & ~listed) == 0;
}

}  // namespace lumi
