#include "tools/models/arithmetic_reference.h"

#include <bit>
#include <cstring>

namespace lumi::test {
namespace {

using Inputs = std::array<SlotInput, kMaxInputs>;

constexpr SlotInput DoubleAt(int slot) { return {static_cast<std::int8_t>(slot), ValueKind::Double}; }
constexpr SlotInput IntegerAt(int slot) { return {static_cast<std::int8_t>(slot), ValueKind::Integer}; }

// Double inputs by first slot, in slot order.
constexpr Inputs Doubles(int a) { return {DoubleAt(a)}; }
constexpr Inputs Doubles(int a, int b) { return {DoubleAt(a), DoubleAt(b)}; }
constexpr Inputs Doubles(int a, int b, int c) { return {DoubleAt(a), DoubleAt(b), DoubleAt(c)}; }
constexpr Inputs Doubles(int a, int b, int c, int d) {
    return {DoubleAt(a), DoubleAt(b), DoubleAt(c), DoubleAt(d)};
}

// The two inexact constants, as the bit patterns of the nearest doubles.
const long double kNinetyHundredths = std::bit_cast<double>(std::uint64_t{0x3FECCCCCCCCCCCCD});
const long double kOneHundredth = std::bit_cast<double>(std::uint64_t{0x3F847AE147AE147B});
constexpr long double kTen = 10.0L;

using F = const Frame&;
constexpr auto kDouble = ValueKind::Double;

// Each row's operations left to right, in the order the export performs
// them; every intermediate is a long double, so it keeps working precision.
const ArithmeticRow kRows[] = {
    // Quotients and a difference
    {"i11iI1i1I1", 6, Doubles(0, 2), kDouble, [](F f) { return f.D(0) / f.D(2); }, nullptr},
    {"I1iI1I1iIi", 8, Doubles(1, 3), kDouble, [](F f) { return f.D(1) / f.D(3); }, nullptr},
    {"iIi11I1I1I", 7, Doubles(3, 5), kDouble, [](F f) { return f.D(3) / f.D(5); }, nullptr},
    {"II1Ii1ii11", 8, Doubles(3, 5), kDouble, [](F f) { return f.D(3) / f.D(5); }, nullptr},
    {"Ii11Iii1I1", 8, Doubles(4, 6), kDouble, [](F f) { return f.D(4) / f.D(6); }, nullptr},
    {"iiiIiiiIiI", 8, Doubles(4, 6), kDouble, [](F f) { return f.D(4) / f.D(6); }, nullptr},
    {"11iIII1IIi", 7, Doubles(2, 5), kDouble, [](F f) { return f.D(5) - f.D(2); }, nullptr},
    // Products and scaling by constants
    {"I1IIIii1I1", 10, Doubles(1, 3), kDouble, [](F f) { return f.D(3) * f.D(1); }, nullptr},
    {"I1IIiIIii1", 6, Doubles(0), kDouble, [](F f) { return f.D(0) * kTen; }, nullptr},
    {"1iiiii1iIi", 6, Doubles(0), kDouble, [](F f) { return f.D(0) / kTen; }, nullptr},
    {"1iIiI1iiii", 5, Doubles(0), kDouble, [](F f) { return f.D(0) / kTen; }, nullptr},
    {"i1111Ii11I", 6, Doubles(3), kDouble, [](F f) { return f.D(3) * kNinetyHundredths; }, nullptr},
    {"1I1IIii11I", 8, Doubles(1, 3), kDouble,
     [](F f) {
         long double value = f.D(3);
         value *= f.D(1);
         return value * kOneHundredth;
     },
     nullptr},
    // Multiply, then add, subtract from or divide
    {"iI1IIiIIiI", 9, Doubles(0, 3, 5), kDouble,
     [](F f) {
         long double value = f.D(5);
         value *= f.D(0);
         return value + f.D(3);
     },
     nullptr},
    {"1I1ii1Ii1I", 8, Doubles(1, 4, 6), kDouble,
     [](F f) {
         long double value = f.D(1);
         value *= f.D(6);
         return value + f.D(4);
     },
     nullptr},
    {"I1I1iiiIIi", 9, Doubles(0, 4, 6), kDouble,
     [](F f) {
         long double value = f.D(4);
         value *= f.D(0);
         return f.D(6) - value;
     },
     nullptr},
    {"i1iIi1i11i", 6, Doubles(0, 2, 4), kDouble,
     [](F f) {
         long double value = f.D(0);
         value *= f.D(4);
         return f.D(2) - value;
     },
     nullptr},
    {"Ii1Ii1IiI1", 8, Doubles(0, 2, 4, 6), kDouble,
     [](F f) {
         long double value = f.D(0);
         value *= f.D(4);
         value = f.D(6) / value;
         return value * f.D(2);
     },
     nullptr},
    // Integer times ten, wrapping modulo 2^32
    {"1IiiIii11i", 5, {IntegerAt(2)}, ValueKind::Integer, nullptr,
     [](F f) { return static_cast<std::int32_t>(f.W(2) * 10u); }},
    // Positive and not 134; a NaN is not positive
    {"IIII1I11ii", 10, {DoubleAt(2), IntegerAt(7)}, ValueKind::Truth, nullptr,
     [](F f) { return f.D(2) > 0.0L && f.I(7) != 134 ? 1 : 0; }},
};

// Flags of earlier work are cleared: they would trap once a word unmasks them.
void LoadControlWord(std::uint16_t word) { asm volatile("fnclex\n\tfldcw %0" : : "m"(word) : "memory"); }

std::uint16_t StoredControlWord() {
    std::uint16_t word;
    asm volatile("fnstcw %0" : "=m"(word) : : "memory");
    return word;
}

}  // namespace

long double Frame::D(int k) const {
    return std::bit_cast<double>(std::uint64_t{word[k + 1]} << 32 | word[k]);
}

std::span<const ArithmeticRow> ArithmeticRows() { return kRows; }

const ArithmeticRow* FindArithmeticRow(std::string_view code) {
    for (const ArithmeticRow& row : kRows)
        if (row.code == code) return &row;
    return nullptr;
}

std::uint64_t ReferenceDoubleBits(const ArithmeticRow& row, const std::uint32_t* words,
                                  std::uint16_t controlWord) {
    std::uint32_t copy[kMaxPushedSlots] = {};
    std::memcpy(copy, words, sizeof(std::uint32_t) * row.slots);
    const std::uint16_t saved = StoredControlWord();
    LoadControlWord(controlWord);
    // The operands come out of memory only now, so no operation can be
    // scheduled before the control word is in force...
    asm volatile("" : "+m"(copy));
    const Frame frame{copy};
    double result = static_cast<double>(row.real(frame));
    // ...and the rounded double is in memory before the old word returns.
    asm volatile("" : "+m"(result));
    LoadControlWord(saved);
    return std::bit_cast<std::uint64_t>(result);
}

}  // namespace lumi::test
