// Rounding to decimals through its 12 rows, and the larger-of and smaller-of
// rows, bit for bit: signed zeros and NaN payloads included.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <limits>
#include <sstream>
#include <vector>

#include "tests/wine/formatting/formatting_rows.h"

namespace lumi::test {
namespace {

constexpr std::uint64_t B(double value) { return std::bit_cast<std::uint64_t>(value); }

constexpr std::uint64_t kPositiveZero = 0;
constexpr std::uint64_t kNegativeZero = 0x8000000000000000;
constexpr std::uint64_t kQuietNaN = 0x7FF8000000000000;
constexpr std::uint64_t kNaNWithPayload = 0xFFF8000000012345;
constexpr std::uint64_t kSignallingNaN = 0x7FF0000000000123;
constexpr std::uint64_t kQuietedSignallingNaN = 0x7FF8000000000123;  // what a load makes of it
constexpr std::uint64_t kSmallestSubnormal = 1;
constexpr double kInfinity = std::numeric_limits<double>::infinity();

struct RoundingCase {
    double value;
    std::int32_t digits;
    std::uint64_t result;
};

// Extended or double precision alike; rows with a constant take the cases with their count.
constexpr RoundingCase kRoundingCases[] = {
    {1.005, 2, B(1.0)},
    {2.675, 2, B(2.68)},
    {0.285, 2, B(0.28)},
    {1.23456, 2, B(1.23)},
    {-0.004, 2, kPositiveZero},
    {1.23456, 1, B(1.2)},
    {1.45, 1, B(1.5)},
    {-1.45, 1, B(-1.4)},
    {-1.55, 1, B(-1.5)},
    {0.05, 1, B(0.1)},
    {1.2345, 3, B(1.235)},
    {2.5, 0, B(3.0)},
    {-2.5, 0, B(-2.0)},
    {-0.5, 0, kPositiveZero},
    {-0.0, 0, kPositiveZero},
    {0.49999999999999994, 0, B(1.0)},
    {1e-10, 5, kPositiveZero},
    {-1e-10, 5, kPositiveZero},
    {0.123456789, 8, B(0.123456789)},
    {0.123456789, 7, B(0.1234568)},
    {1.23456789, 100, B(1.23456789)},
    {1.5, -3, B(2.0)},
    {2.1474836474, 9, B(2.147483647)},
    {-2.1474836485, 9, B(-2.147483648)},
};

// Results that show the working precision of the caller's control word.
struct RoundingPrecisionCase {
    double value;
    std::int32_t digits;
    std::uint64_t extended, doublePrecision;
};

constexpr RoundingPrecisionCase kRoundingPrecisionCases[] = {
    {-0.05, 1, B(-0.1), kPositiveZero},
    {-0.005, 2, B(-0.01), kPositiveZero},
};

// Both sides of a 32-bit floor, the 2^63 edge, NaNs and infinities: answers
// that hold under every rounding mode at 64 and 53 bits (and, where marked,
// at 24 bits to nearest), and under a word that unmasks invalid operation,
// which only a signalling NaN may raise.
struct BeyondCase {
    std::uint64_t value;
    std::int32_t digits;
    std::uint64_t result;
    bool singleToo;
};

constexpr BeyondCase kBeyondCases[] = {
    {B(2147483647.0), 0, B(2147483647.0), false},   // sum 2147483647.5: inside
    {B(-2147483648.0), 0, B(-2147483648.0), true},  // sum -2147483647.5: inside
    {B(2147483647.5), 0, B(2147483648.0), true},    // sum 2^31
    {B(-2147483649.0), 0, B(-2147483649.0), false}, // sum -2147483648.5
    {B(25000000.0), 2, B(25000000.0), true},
    {B(3.0), 9, B(3.0), true},
    {B(-3.0), 9, B(-3.0), true},
    {B(1e12), 0, B(1e12), false},
    {B(5000000000.4), 0, B(5000000000.0), false},
    {B(-5000000000.5), 0, B(-5000000000.0), true},
    {B(9223372036854774784.0), 0, B(9223372036854774784.0), true},  // the last double below 2^63
    {B(0x1p63), 0, B(0x1p63), true},
    {B(-0x1p63), 1, B(-0x1p63), true},
    {B(1e300), 5, B(1e300), true},
    {B(1.7976931348623157e308), 9, B(1.7976931348623157e308), true},
    {B(kInfinity), 2, B(kInfinity), true},
    {B(-kInfinity), 0, B(-kInfinity), true},
    {kQuietNaN, 2, kQuietNaN, true},
    {kNaNWithPayload, 9, kNaNWithPayload, true},
    {kSignallingNaN, 2, kQuietedSignallingNaN, true},
};

constexpr std::uint16_t kDelphiHost = 0x1332;  // invalid, zero divide and overflow unmasked

// a and b as the rows name them, and what MaxOf and MinOf owe: one operand,
// the second on a tie or a NaN, and a NaN operand raising invalid.
struct ExtremesCase {
    std::uint64_t a, b;
    std::uint64_t larger, smaller;
    bool raisesInvalid;
};

constexpr ExtremesCase kExtremesCases[] = {
    {B(1.0), B(2.0), B(2.0), B(1.0), false},
    {B(2.0), B(1.0), B(2.0), B(1.0), false},
    {B(-kInfinity), B(kInfinity), B(kInfinity), B(-kInfinity), false},
    {kSmallestSubnormal, kPositiveZero, kSmallestSubnormal, kPositiveZero, false},
    {kPositiveZero, kNegativeZero, kNegativeZero, kNegativeZero, false},
    {kNegativeZero, kPositiveZero, kPositiveZero, kPositiveZero, false},
    {B(3.0), B(3.0), B(3.0), B(3.0), false},
    {kQuietNaN, B(5.0), B(5.0), B(5.0), true},
    {B(5.0), kQuietNaN, kQuietNaN, kQuietNaN, true},
    {B(1.0), kNaNWithPayload, kNaNWithPayload, kNaNWithPayload, true},
    {kNaNWithPayload, kNegativeZero, kNegativeZero, kNegativeZero, true},
    {kSignallingNaN, B(1.0), B(1.0), B(1.0), true},
    {B(1.0), kSignallingNaN, kQuietedSignallingNaN, kQuietedSignallingNaN, true},
};

Outcome RoundingOf(const FormattingRow& row, double value, std::int32_t digits, const DecoyPattern& decoy,
                   std::uint16_t controlWord) {
    RowInputs inputs;
    inputs.value = B(value);
    inputs.digits = digits;
    return OutcomeOf(row, CallRow(row, PlaceInputs(row, inputs, decoy, MinimalPush(row)), controlWord));
}

std::string Fault(const FormattingRow& row, double value, std::int32_t digits, std::uint16_t controlWord,
                  const Outcome& outcome, std::uint64_t want) {
    Outcome wanted;
    wanted.bits = want;
    std::ostringstream out;
    out.precision(17);
    out << row.code << " with " << value << ", digits " << digits << " under " << Hex(controlWord) << ": "
        << Describe(row, outcome) << ", want " << Describe(row, wanted);
    return out.str();
}

TEST(Rounding, EveryRowRoundsItsValueToItsDigits) {
    std::vector<std::string> faults;
    int calls = 0;
    for (const FormattingRow& row : RowsOf(Group::Rounding)) {
        for (const RoundingCase& c : kRoundingCases) {
            if (!row.TakesDigits(c.digits)) continue;
            for (std::uint16_t controlWord : {kExtendedToNearest, kDoubleToNearest}) {
                const Outcome outcome = RoundingOf(row, c.value, c.digits, Decoys()[calls++ % Decoys().size()], controlWord);
                if (!outcome.exactDouble || outcome.bits != c.result)
                    faults.push_back(Fault(row, c.value, c.digits, controlWord, outcome, c.result));
            }
        }
    }
    EXPECT_TRUE(faults.empty()) << Listed(faults);
}

TEST(Rounding, EveryRowWorksAtTheCallersPrecision) {
    std::vector<std::string> faults;
    for (const FormattingRow& row : RowsOf(Group::Rounding)) {
        for (const RoundingPrecisionCase& c : kRoundingPrecisionCases) {
            if (!row.TakesDigits(c.digits)) continue;
            for (auto [controlWord, want] : {std::pair{kExtendedToNearest, c.extended}, std::pair{kDoubleToNearest, c.doublePrecision}}) {
                const Outcome outcome = RoundingOf(row, c.value, c.digits, Decoys()[0], controlWord);
                if (!outcome.exactDouble || outcome.bits != want)
                    faults.push_back(Fault(row, c.value, c.digits, controlWord, outcome, want));
            }
        }
    }
    EXPECT_TRUE(faults.empty()) << Listed(faults);
}

TEST(Rounding, EveryDoubleRoundsBeyondThe32BitFloor) {
    std::vector<std::string> faults;
    int calls = 0;
    for (const FormattingRow& row : RowsOf(Group::Rounding)) {
        for (const BeyondCase& c : kBeyondCases) {
            if (!row.TakesDigits(c.digits)) continue;
            const bool signalling = c.value == kSignallingNaN;
            for (std::uint16_t controlWord : {kExtendedToNearest, kDoubleToNearest, kExtendedTowardZero,
                                              std::uint16_t{0x077F}, std::uint16_t{0x0B7F}, std::uint16_t{0x0A7F},
                                              kSingleToNearest, kDelphiHost}) {
                if ((controlWord == kSingleToNearest && !c.singleToo) || (controlWord == kDelphiHost && signalling))
                    continue;
                RowInputs inputs;
                inputs.value = c.value;
                inputs.digits = c.digits;
                const DecoyPattern& decoy = Decoys()[calls++ % Decoys().size()];
                const CallRecord record =
                    CallWithCleanStatus(row, PlaceInputs(row, inputs, decoy, MinimalPush(row)), controlWord);
                const Outcome outcome = OutcomeOf(row, record);
                const double value = std::bit_cast<double>(c.value);
                if (!outcome.exactDouble || outcome.bits != c.result)
                    faults.push_back(Fault(row, value, c.digits, controlWord, outcome, c.result));
                if (((record.statusWordAfter & kInvalidOperation) != 0) != signalling)
                    faults.push_back(Fault(row, value, c.digits, controlWord, outcome, c.result) +
                                     (signalling ? "; invalid operation not raised" : "; invalid operation raised"));
            }
        }
    }
    EXPECT_TRUE(faults.empty()) << Listed(faults);
}

TEST(Extremes, LargerAndSmallerReturnOneOperandBitForBit) {
    std::vector<std::string> faults;
    int calls = 0;
    for (Group group : {Group::Larger, Group::Smaller}) {
        for (const FormattingRow& row : RowsOf(group)) {
            for (const ExtremesCase& c : kExtremesCases) {
                RowInputs inputs;
                inputs.value = c.a;
                inputs.b = c.b;
                const DecoyPattern& decoy = Decoys()[calls++ % Decoys().size()];
                const CallRecord record = CallWithCleanStatus(row, PlaceInputs(row, inputs, decoy, MinimalPush(row)));
                const Outcome outcome = OutcomeOf(row, record);
                const std::uint64_t want = group == Group::Larger ? c.larger : c.smaller;
                std::ostringstream fault;
                if (!outcome.exactDouble || outcome.bits != want) {
                    Outcome wanted;
                    wanted.bits = want;
                    fault << Describe(row, outcome) << ", want " << Describe(row, wanted) << "; ";
                }
                const bool raised = (record.statusWordAfter & kInvalidOperation) != 0;
                if (raised != c.raisesInvalid) fault << "invalid operation " << (raised ? "raised" : "not raised");
                if (!fault.str().empty())
                    faults.push_back(std::string(row.code) + " with a " + Hex(c.a) + ", b " + Hex(c.b) + ": " + fault.str());
            }
        }
    }
    EXPECT_TRUE(faults.empty()) << Listed(faults);
}

}  // namespace
}  // namespace lumi::test
