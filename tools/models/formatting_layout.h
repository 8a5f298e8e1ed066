// The 42 formatting, rounding and search rows as the published catalogue
// lists them, written out here on their own so that a slip in the shared
// table shows up as a difference rather than being copied into the tests or
// into the known answers made from them.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "catalogue/row_arguments.h"

namespace lumi::test {

enum class Group : std::uint8_t { NumberToText, TimeToText, Rounding, Larger, Smaller, Search };
enum class Pattern : std::uint8_t { None, Time, DateTime, DateTimeSeconds };

// Where a digits argument comes from: a slot, or a constant of the row.
struct Digits {
    int slot = -1;
    int constant = 0;
    constexpr bool FromSlot() const { return slot >= 0; }
};
constexpr Digits FromSlot(int slot) { return {slot, 0}; }
constexpr Digits Fixed(int constant) { return {-1, constant}; }

struct FormattingRow {
    std::string_view code;
    Group group;
    Convention convention;
    int slots;      // callee-pops: slots removed; caller-pops: highest slot read
    int value;      // first slot of: the double (number, rounding), a (larger, smaller);
                    // the slot of the time (time), of the text (search)
    int other;      // slot of: b (larger, smaller), the pattern (search); else -1
    Digits digits;  // number to text and rounding
    Pattern pattern;

    bool IsCallerPops() const { return convention == Convention::CallerPops; }
    bool ReturnsDouble() const { return group == Group::Rounding || group == Group::Larger || group == Group::Smaller; }
    bool ReturnsText() const { return group == Group::NumberToText || group == Group::TimeToText; }
    bool ReadsSlot(int slot) const;
    // Whether a call with this digits count suits the row: any count for a
    // row that reads its digits, only its own for a row that fixes them.
    bool TakesDigits(std::int32_t count) const { return digits.FromSlot() || digits.constant == count; }
    int HighestSlotRead() const;
};

std::span<const FormattingRow> FormattingRows();
std::span<const FormattingRow> RowsOf(Group group);

}  // namespace lumi::test
