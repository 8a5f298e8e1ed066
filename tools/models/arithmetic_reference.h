// An independent model of the arithmetic exports: each row's operations in
// the order the exports perform them, evaluated in this program on the x87
// unit under a chosen control word, with one rounding to double at the end.
// long double is the x87 format on i686 and x86-64 alike, so the Windows
// tests and the native table generator get the same answers.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "catalogue/catalogue.h"
#include "tools/slotcall/slot_call.h"

namespace lumi::test {

// The slots of one call, read the way the exports read them.
struct Frame {
    const std::uint32_t* word;

    long double D(int k) const;  // the double in slots k and k+1, exact
    std::int32_t I(int k) const { return static_cast<std::int32_t>(word[k]); }
    std::uint32_t W(int k) const { return word[k]; }
};

struct ArithmeticRow {
    std::string_view code;
    int slots;
    std::array<SlotInput, kMaxInputs> inputs;  // in slot order; unused ones have slot -1
    ValueKind result;
    long double (*real)(const Frame&);      // double rows: the value before the final rounding
    std::int32_t (*integer)(const Frame&);  // integer and truth rows
};

std::span<const ArithmeticRow> ArithmeticRows();
const ArithmeticRow* FindArithmeticRow(std::string_view code);

// The double a double row answers for `words` under `controlWord`: the
// operations run at the precision and rounding that the word selects, and
// the value is rounded to double once.
std::uint64_t ReferenceDoubleBits(const ArithmeticRow& row, const std::uint32_t* words,
                                  std::uint16_t controlWord);

}  // namespace lumi::test
