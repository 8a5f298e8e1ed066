// Typed command-line arguments of `lumicall call`, laid into slots:
//   d:1.23456   a double over two slots (low word first)
//   i:-5        a 32-bit integer
//   t:TEXT      a pointer to a UTF-16 copy of TEXT
//   x:DEADBEEF  a raw slot word
//   null        a null pointer
// Arguments fill slots from 0 upward; K=ARG places one at slot K instead.
// Slots no argument fills get random decoy words.
#pragma once

#include <cstdint>
#include <deque>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/catalogue.h"
#include "tools/lumicall/worker/target.h"

namespace lumi::call {

// Wrong use of lumicall: reported with exit status 2.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

enum class ArgumentKind : std::uint8_t { Double, Integer, Text, Raw, Null };

struct SlotArgument {
    ArgumentKind kind = ArgumentKind::Raw;
    int slot = -1;  // from K=, else placed after the previous argument
    std::string spelling;
    double real = 0.0;
    std::uint32_t word = 0;  // integer, raw word or null
    std::u16string text;

    int Width() const { return kind == ArgumentKind::Double ? 2 : 1; }
};

// Throws UsageError for anything that is not one of the forms above.
SlotArgument ParseArgument(std::string_view spelling);

struct SlotFill {
    std::vector<std::uint32_t> words;  // the slots to push, slot 0 first
    std::vector<bool> given;           // false where the word is a decoy
    std::deque<std::u16string> texts;  // what t: arguments point at (stable addresses)
    std::vector<int> textSlots;        // the slot of each of them
};

// Lays the arguments into the slots `entry` takes, checks that every slot it
// reads got an argument of a fitting kind, and fills the rest with decoys.
// Throws UsageError with the reason when the arguments do not fit the row.
SlotFill FillSlots(const ExportEntry& entry, const std::vector<SlotArgument>& arguments, std::mt19937& random);

// The call `lumicall call` makes of `entry` from its arguments laid into slots.
Request RequestOf(const ExportEntry& entry, const SlotFill& fill, std::uint16_t controlWord);

}  // namespace lumi::call
