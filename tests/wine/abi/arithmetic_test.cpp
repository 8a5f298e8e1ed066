// The arithmetic exports against an independent model of their operations
// under several control words, and against results worked out by hand.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cfloat>
#include <cstdint>
#include <random>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "tools/models/arithmetic_reference.h"
#include "tests/wine/abi/row_model.h"

namespace lumi::test {
namespace {

constexpr std::uint16_t kExtended = 0x037F;      // 64-bit significand, to nearest
constexpr std::uint16_t kDouble = 0x027F;        // 53-bit significand, to nearest
constexpr std::uint16_t kSingle = 0x007F;        // 24-bit significand, to nearest
constexpr std::uint16_t kTowardZero = 0x0F7F;    // extended, truncating
constexpr std::uint16_t kDown = 0x077F;          // extended, toward -inf
constexpr std::uint16_t kUp = 0x0B7F;            // extended, toward +inf
constexpr std::uint16_t kDoubleUp = 0x0A7F;      // 53-bit significand, toward +inf
constexpr std::uint16_t kControlWords[] = {kExtended, kDouble, kSingle, kTowardZero, kDown, kUp, kDoubleUp};

constexpr std::uint64_t kAnyNaN = 0x7FF8DEADBEEF0000;  // stands for "some NaN" in the tables
constexpr std::uint64_t kPlusInf = 0x7FF0000000000000, kMinusInf = 0xFFF0000000000000;
constexpr std::uint64_t kQuietNaN = 0x7FF8000000000000, kSignallingNaN = 0x7FF0000000000001;
constexpr std::uint32_t kDecoy = 0xFFFFFFFF;

std::uint64_t B(double value) { return std::bit_cast<std::uint64_t>(value); }

// A double operand placed at its first slot.
struct Operand {
    int slot = -1;
    std::uint64_t bits = 0;
};

struct DoubleAnswer {
    std::uint64_t bits;
    std::string fault;
};

DoubleAnswer CallDoubleRow(std::string_view code, std::span<const Operand> operands, std::uint16_t controlWord) {
    const ExportEntry& row = Row(code);
    Slots slots(row.slots, kDecoy);
    for (const Operand& operand : operands)
        if (operand.slot >= 0) slots.DoubleBits(operand.slot, operand.bits);
    const CallRecord record = Call(code, slots, controlWord);
    const auto result = ResultDoubleBits(record);
    return {result.value_or(0), ContractFault(row, record) + (result ? "" : "ST(0) holds no double")};
}

// A double for an operand: mostly ordinary magnitudes with full
// significands, some near the ends of the double range (so intermediates
// leave it), and the special values.
std::uint64_t RandomOperand(std::mt19937_64& random) {
    static constexpr std::uint64_t kSpecials[] = {
        0, 0x8000000000000000, kPlusInf, kMinusInf, kQuietNaN, kSignallingNaN, 0xFFF8000000012345,
        1, 0x000FFFFFFFFFFFFF, 0x0010000000000000, 0x7FEFFFFFFFFFFFFF, 0x3FF0000000000000,
        0xBFF0000000000000, 0x4024000000000000, 0x3FB999999999999A,
    };
    constexpr std::uint64_t kFraction = (std::uint64_t{1} << 52) - 1;
    const std::uint64_t draw = random();
    const std::uint64_t sign = (draw & 1) << 63;
    switch (draw >> 1 & 15) {
        case 0: case 1:
            return kSpecials[(draw >> 8) % std::size(kSpecials)];
        case 2: {  // exponent near either end of the range
            const std::uint64_t exponent = (draw >> 8 & 1) ? 2046 - (draw >> 9) % 40 : 1 + (draw >> 9) % 40;
            return sign | exponent << 52 | (random() & kFraction);
        }
        default: {
            const std::uint64_t exponent = 1023 - 40 + (draw >> 8) % 80;
            return sign | exponent << 52 | (random() & kFraction);
        }
    }
}

TEST(Arithmetic, EveryRowMatchesTheModelUnderEveryControlWord) {
    constexpr int kOperandSets = 150;
    std::mt19937_64 random(20240611);
    FaultLog faults;
    for (const ArithmeticRow& model : ArithmeticRows()) {
        const ExportEntry& row = Row(model.code);
        const void* function = ExportAddress(row.code);
        ASSERT_NE(function, nullptr) << row.code;
        for (int set = 0; set < kOperandSets; ++set) {
            InputValues inputs{};
            for (int i = 0; i < kMaxInputs; ++i) {
                inputs.real[i] = RandomOperand(random);
                inputs.word[i] = static_cast<std::uint32_t>(random());
                if (set % 4 == 0) inputs.word[i] = 134;  // the truth test's excluded value
            }
            const Slots slots = RowSlots(row, inputs, {"all ones", kDecoy, kDecoy});
            for (std::uint16_t controlWord : kControlWords) {
                const CallRecord record = CallAt(function, slots, controlWord);
                const std::string fault =
                    ContractFault(row, record) + ResultFault(record, Expected(row, slots, controlWord));
                if (!fault.empty()) {
                    std::string operands;
                    for (int k = 0; k < row.slots; ++k) operands += " " + Hex(slots.word[k]);
                    faults.Note(row.code, "control word " + Hex(controlWord) + ", slots" + operands + ": " + fault);
                }
            }
        }
    }
    EXPECT_TRUE(faults.Empty()) << faults.Summary();
}

// Results worked out by hand (exact rational arithmetic, rounded to 64 and
// 53 bits) for the cases that tell the operation order, the precision of the
// intermediates and the rounding mode apart.
struct HandCase {
    const char* why;
    const char* code;
    std::uint16_t controlWord;
    Operand doubles[kMaxInputs];
    std::uint64_t answer;
};

constexpr double kOnePlus2ToMinus30 = 0x1.00000004p0;  // its square needs 61 bits

const HandCase kHandCases[] = {
    {"0.1 x 10 is exactly 1", "I1IIiIIii1", kExtended, {{0, B(0.1)}}, 0x3FF0000000000000},
    {"0.1 x 10 is exactly 1", "I1IIiIIii1", kDouble, {{0, B(0.1)}}, 0x3FF0000000000000},
    {"1 / 10 is the double nearest 0.1", "1iiiii1iIi", kExtended, {{0, B(1.0)}}, 0x3FB999999999999A},
    {"1 / 10 is the double nearest 0.1", "1iiiii1iIi", kDouble, {{0, B(1.0)}}, 0x3FB999999999999A},
    {"3 / 10 divides (3 x 0.1 gives ...334)", "1iiiii1iIi", kDouble, {{0, B(3.0)}}, 0x3FD3333333333333},
    {"3 / 10 divides (3 x 0.1 gives ...334)", "1iIiI1iiii", kExtended, {{0, B(3.0)}}, 0x3FD3333333333333},
    {"7 / 10 divides (7 x 0.1 gives ...667)", "1iIiI1iiii", kDouble, {{0, B(7.0)}}, 0x3FE6666666666666},
    {"10 x 0.9", "i1111Ii11I", kExtended, {{3, B(10.0)}}, 0x4022000000000000},
    {"1 x 0.9 is the double 0.9", "i1111Ii11I", kDouble, {{3, B(1.0)}}, 0x3FECCCCCCCCCCCCD},
    // Multiply then add: the product keeps 64 bits under extended precision.
    {"a x a - 1, product kept whole", "iI1IIiIIiI", kExtended,
     {{5, B(kOnePlus2ToMinus30)}, {0, B(kOnePlus2ToMinus30)}, {3, B(-1.0)}}, 0x3E20000000200000},
    {"a x a - 1, product rounded to 53 bits", "iI1IIiIIiI", kDouble,
     {{5, B(kOnePlus2ToMinus30)}, {0, B(kOnePlus2ToMinus30)}, {3, B(-1.0)}}, 0x3E20000000000000},
    {"a x a - 1, product kept whole", "1I1ii1Ii1I", kExtended,
     {{1, B(kOnePlus2ToMinus30)}, {6, B(kOnePlus2ToMinus30)}, {4, B(-1.0)}}, 0x3E20000000200000},
    {"a x a - 1, product rounded to 53 bits", "1I1ii1Ii1I", kDouble,
     {{1, B(kOnePlus2ToMinus30)}, {6, B(kOnePlus2ToMinus30)}, {4, B(-1.0)}}, 0x3E20000000000000},
    {"1 - a x a, product kept whole", "I1I1iiiIIi", kExtended,
     {{4, B(kOnePlus2ToMinus30)}, {0, B(kOnePlus2ToMinus30)}, {6, B(1.0)}}, 0xBE20000000200000},
    {"1 - a x a, product rounded to 53 bits", "I1I1iiiIIi", kDouble,
     {{4, B(kOnePlus2ToMinus30)}, {0, B(kOnePlus2ToMinus30)}, {6, B(1.0)}}, 0xBE20000000000000},
    {"1 - a x a, product kept whole", "i1iIi1i11i", kExtended,
     {{0, B(kOnePlus2ToMinus30)}, {4, B(kOnePlus2ToMinus30)}, {2, B(1.0)}}, 0xBE20000000200000},
    {"1 - a x a, product rounded to 53 bits", "i1iIi1i11i", kDouble,
     {{0, B(kOnePlus2ToMinus30)}, {4, B(kOnePlus2ToMinus30)}, {2, B(1.0)}}, 0xBE20000000000000},
    // A product below the double range stays on the x87 stack: 0 - tiny is -0.
    {"0 - 1e-200 x 1e-200 is -0", "I1I1iiiIIi", kExtended, {{4, B(1e-200)}, {0, B(1e-200)}, {6, 0}}, 0x8000000000000000},
    {"0 - 1e-200 x 1e-200 is -0", "I1I1iiiIIi", kDouble, {{4, B(1e-200)}, {0, B(1e-200)}, {6, 0}}, 0x8000000000000000},
    // Divide by a product: at 64 and at 53 bits.
    {"35.67 / (28.41 x 89.44) x 97.06", "Ii1Ii1IiI1", kExtended,
     {{0, B(28.41)}, {4, B(89.44)}, {6, B(35.67)}, {2, B(97.06)}}, 0x3FF5CCD9807669FE},
    {"35.67 / (28.41 x 89.44) x 97.06", "Ii1Ii1IiI1", kDouble,
     {{0, B(28.41)}, {4, B(89.44)}, {6, B(35.67)}, {2, B(97.06)}}, 0x3FF5CCD9807669FD},
    {"a product above the double range stays on the x87 stack", "Ii1Ii1IiI1", kExtended,
     {{0, B(1e200)}, {4, B(1e200)}, {6, B(1e300)}, {2, B(1e100)}}, 0x3FF0000000000001},
    {"a product above the double range stays on the x87 stack", "Ii1Ii1IiI1", kDouble,
     {{0, B(1e200)}, {4, B(1e200)}, {6, B(1e300)}, {2, B(1e100)}}, 0x3FF0000000000000},
    // Multiply by the double 0.01, not divide by 100 (which gives ...7BD at 53 bits).
    {"743.34 x 609.46 x 0.01", "1I1IIii11I", kExtended, {{3, B(743.34)}, {1, B(609.46)}}, 0x40B1B25C2699C7BD},
    {"743.34 x 609.46 x 0.01", "1I1IIii11I", kDouble, {{3, B(743.34)}, {1, B(609.46)}}, 0x40B1B25C2699C7BE},
    // One division, rounded to 64 bits and then to 53, or straight to 53.
    {"quotient rounded twice", "i11iI1i1I1", kExtended,
     {{0, B(7456567906645030.0)}, {2, B(758971422109.0)}}, 0x40C33048F79444A2},
    {"quotient rounded once", "i11iI1i1I1", kDouble,
     {{0, B(7456567906645030.0)}, {2, B(758971422109.0)}}, 0x40C33048F79444A1},
    // The rounding mode of the control word, at every step and at the store.
    {"2 / 3 to nearest", "i11iI1i1I1", kExtended, {{0, B(2.0)}, {2, B(3.0)}}, 0x3FE5555555555555},
    {"2 / 3 upward", "i11iI1i1I1", kUp, {{0, B(2.0)}, {2, B(3.0)}}, 0x3FE5555555555556},
    {"-2 / 3 downward", "I1iI1I1iIi", kDown, {{1, B(-2.0)}, {3, B(3.0)}}, 0xBFE5555555555556},
    {"1 - 2^-80 to nearest", "11iIII1IIi", kExtended, {{5, B(1.0)}, {2, B(0x1p-80)}}, 0x3FF0000000000000},
    {"1 - 2^-80 toward zero", "11iIII1IIi", kTowardZero, {{5, B(1.0)}, {2, B(0x1p-80)}}, 0x3FEFFFFFFFFFFFFF},
    // Zero divisors and invalid operations, exceptions masked.
    {"1 / 0", "i11iI1i1I1", kExtended, {{0, B(1.0)}, {2, 0}}, kPlusInf},
    {"-1 / 0", "iIi11I1I1I", kExtended, {{3, B(-1.0)}, {5, 0}}, kMinusInf},
    {"1 / -0", "II1Ii1ii11", kDouble, {{3, B(1.0)}, {5, 0x8000000000000000}}, kMinusInf},
    {"0 / 0", "Ii11Iii1I1", kExtended, {{4, 0}, {6, 0}}, kAnyNaN},
    {"inf / inf", "iiiIiiiIiI", kExtended, {{4, kPlusInf}, {6, kMinusInf}}, kAnyNaN},
    {"inf - inf", "11iIII1IIi", kExtended, {{5, kPlusInf}, {2, kPlusInf}}, kAnyNaN},
    {"0 x inf", "I1IIIii1I1", kExtended, {{3, 0}, {1, kMinusInf}}, kAnyNaN},
    {"DBL_MAX x 2 overflows at the store", "I1IIIii1I1", kExtended, {{3, B(DBL_MAX)}, {1, B(2.0)}}, kPlusInf},
    {"a NaN operand", "iI1IIiIIiI", kExtended, {{5, B(1.0)}, {0, kQuietNaN}, {3, B(1.0)}}, kAnyNaN},
    {"a signalling NaN operand", "1I1IIii11I", kDouble, {{3, kSignallingNaN}, {1, B(1.0)}}, kAnyNaN},
};

TEST(Arithmetic, HandWorkedCases) {
    for (const HandCase& c : kHandCases) {
        SCOPED_TRACE(std::string(c.code) + " " + c.why + ", control word " + Hex(c.controlWord));
        const auto [bits, fault] = CallDoubleRow(c.code, c.doubles, c.controlWord);
        EXPECT_EQ(fault, "");
        if (c.answer == kAnyNaN) EXPECT_TRUE(std::isnan(FromBits(bits))) << Hex(bits);
        else EXPECT_EQ(Hex(bits), Hex(c.answer));
    }
}

TEST(Arithmetic, IntegerTimesTenWraps) {
    const std::pair<std::int32_t, std::int32_t> cases[] = {
        {-5, -50},
        {0, 0},
        {214748364, 2147483640},
        {214748365, -2147483646},   // 2147483650 - 2^32
        {-214748364, -2147483640},
        {-214748365, 2147483646},   // -2147483650 + 2^32
        {INT32_MIN, 0},
        {INT32_MAX, -10},
        {-1, -10},
        {429496730, 4},             // 2^32 + 4
    };
    const ExportEntry& row = Row("1IiiIii11i");
    for (const auto& [value, answer] : cases) {
        const CallRecord record = Call(row.code, Slots(row.slots, kDecoy).Word(2, static_cast<std::uint32_t>(value)));
        EXPECT_EQ(static_cast<std::int32_t>(record.eax), answer) << value;
        EXPECT_EQ(ContractFault(row, record), "");
    }
}

TEST(Arithmetic, PositiveAndNot134) {
    const std::uint64_t notPositive[] = {0, 0x8000000000000000, B(-1.0), 0x8000000000000001,
                                         kQuietNaN, 0xFFF8000000000000, kSignallingNaN, kMinusInf};
    const std::uint64_t positive[] = {B(1e-300), B(1.0), kPlusInf, 0x0000000000000001, B(DBL_MAX)};
    const std::int32_t slotSeven[] = {134, -134, 135, 133, 0, INT32_MIN, INT32_MAX};
    const ExportEntry& row = Row("IIII1I11ii");
    const auto truth = [&](std::uint64_t value, std::int32_t seven) {
        const CallRecord record = Call(
            row.code, Slots(row.slots, kDecoy).DoubleBits(2, value).Word(7, static_cast<std::uint32_t>(seven)));
        EXPECT_EQ(ContractFault(row, record), "");
        return record.eax;
    };
    for (std::int32_t seven : slotSeven) {
        for (std::uint64_t value : notPositive) EXPECT_EQ(truth(value, seven), 0u) << Hex(value) << ", " << seven;
        for (std::uint64_t value : positive)
            EXPECT_EQ(truth(value, seven), seven == 134 ? 0u : 1u) << Hex(value) << ", " << seven;
    }
}

}  // namespace
}  // namespace lumi::test
