// Which raises the catalogue page lists, input by input: lumicall allows a
// raise under an unmasked control word only where this says so.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <limits>
#include <vector>

#include "catalogue/raise_policy.h"

namespace lumi {
namespace {

constexpr std::uint64_t kSignallingNan = 0x7FF0000000000001, kQuietNan = 0x7FF8000000000000;

std::uint64_t Bits(double value) { return std::bit_cast<std::uint64_t>(value); }

struct Case {
    const char* code;
    std::vector<std::pair<int, std::uint64_t>> doubles;  // first slot, bits
    std::uint16_t raised;
    bool listed;
};

const Case kCases[] = {
    // Division: a zero divisor and 0 / 0 raise; -1 / 3 is an ordinary input.
    {"i11iI1i1I1", {{0, Bits(1.0)}, {2, Bits(0.0)}}, kDivisionByZero, true},
    {"i11iI1i1I1", {{0, Bits(0.0)}, {2, Bits(0.0)}}, kInvalidOperation, true},
    {"i11iI1i1I1", {{0, Bits(-1.0)}, {2, Bits(3.0)}}, kInvalidOperation, false},
    {"i11iI1i1I1", {{0, Bits(-1.0)}, {2, Bits(3.0)}}, kInexactResult, true},
    {"i11iI1i1I1", {{0, Bits(1e300)}, {2, Bits(1e-300)}}, kOverflow, true},
    {"i11iI1i1I1", {{0, kSignallingNan}, {2, Bits(3.0)}}, kInvalidOperation, true},
    // A product has no divisor; a quiet NaN raises only in the truth test.
    {"I1IIIii1I1", {{1, Bits(0.0)}, {3, Bits(2.0)}}, kDivisionByZero, false},
    {"I1IIIii1I1", {{1, kQuietNan}, {3, Bits(2.0)}}, kInvalidOperation, false},
    {"IIII1I11ii", {{2, kQuietNan}}, kInvalidOperation, true},
    // Pass-through: a signalling NaN as it is loaded, nothing else.
    {"III11111I1", {{0, kSignallingNan}}, kInvalidOperation, true},
    {"III11111I1", {{0, Bits(1.0)}}, kInvalidOperation, false},
    // Rounding: a signalling NaN as it is loaded; a value of any size, an
    // infinity or a quiet NaN raise nothing.
    {"iIIii1i1I1", {{0, kSignallingNan}}, kInvalidOperation, true},
    {"iIIii1i1I1", {{0, Bits(3e9)}}, kInvalidOperation, false},
    {"iIIii1i1I1", {{0, Bits(2.5)}}, kInvalidOperation, false},
    {"iIIii1i1I1", {{0, kQuietNan}}, kInvalidOperation, false},
    {"iIIii1i1I1", {{0, Bits(std::numeric_limits<double>::infinity())}}, kInvalidOperation, false},
    {"iIIii1i1I1", {{0, Bits(1e300)}}, kOverflow, false},
    // Larger of two: a NaN compared.
    {"11iIIIi1i1", {{0, kQuietNan}, {4, Bits(1.0)}}, kInvalidOperation, true},
    // No floating-point work: nothing at all, precision included.
    {"iI11IIii1I", {}, kInexactResult, false},
    {"1IiiIii11i", {}, kInvalidOperation, false},
};

TEST(RaiseListed, AsTheCataloguePageSays) {
    for (const Case& c : kCases) {
        const ExportEntry& entry = *FindEntry(c.code);
        std::vector<std::uint32_t> slots(10, 0);
        if (entry.routine == Routine::RoundToDigits) slots[3] = 2;  // digits
        for (const auto& [slot, bits] : c.doubles) {
            slots[slot] = static_cast<std::uint32_t>(bits);
            slots[slot + 1] = static_cast<std::uint32_t>(bits >> 32);
        }
        EXPECT_EQ(RaiseListed(entry, slots, c.raised), c.listed) << c.code << " raising " << c.raised;
    }
}

}  // namespace
}  // namespace lumi
