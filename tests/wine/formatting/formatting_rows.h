// How a test places the inputs of a formatting, rounding or search row (as
// tools/models/formatting_layout.h lists them) among decoys, and what any
// call of such a row owes the caller.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/catalogue.h"
#include "tools/models/formatting_layout.h"
#include "tests/wine/support/call_contract.h"
#include "tests/wine/support/decoys.h"
#include "tests/wine/support/library_under_test.h"

namespace lumi::test {

// The inputs of one call; each row takes the ones its group reads.
struct RowInputs {
    std::uint64_t value = 0;  // bits of the double: value, or a
    std::uint64_t b = 0;      // bits of b
    std::int32_t digits = 0;  // when the row reads digits from a slot
    std::int32_t time = 0;
    const char16_t* text = nullptr;
    const char16_t* pattern = nullptr;
};

// `pushed` slots: the row's inputs in place, decoys everywhere else.
Slots PlaceInputs(const FormattingRow& row, const RowInputs& inputs, const DecoyPattern& decoy, int pushed);
// The slots a host pushes: the slot count, or the highest slot read plus one.
int MinimalPush(const FormattingRow& row);

// What a call gave, in the row's result kind.
struct Outcome {
    std::u16string text;           // text rows; "<null>" for a null pointer
    std::int32_t integer = 0;      // search rows
    std::uint64_t bits = 0;        // double rows: the double in ST(0)
    bool exactDouble = true;       // double rows: ST(0) held exactly a double
    bool operator==(const Outcome&) const = default;
};
Outcome OutcomeOf(const FormattingRow& row, const CallRecord& record);
std::string Describe(const FormattingRow& row, const Outcome& outcome);

// Empty when the call kept the calling contract, else what went wrong:
// bytes popped, x87 depth, the caller's x87 values, registers, control word.
std::string ContractFault(const FormattingRow& row, const CallRecord& record, int pushed);

// The call of `row` in the shared library, with `pushed` slots.
CallRecord CallRow(const FormattingRow& row, const Slots& slots, std::uint16_t controlWord = 0x037F,
                   int preloaded = 0);

// The same with the caller's status word cleared first, so the exception
// flags seen afterwards were raised by the export.
CallRecord CallWithCleanStatus(const FormattingRow& row, const Slots& slots, std::uint16_t controlWord = 0x037F);

constexpr std::uint16_t kInvalidOperation = 0x0001;  // IE in the x87 status word

constexpr std::uint16_t kExtendedToNearest = 0x037F;
constexpr std::uint16_t kDoubleToNearest = 0x027F;
constexpr std::uint16_t kExtendedTowardZero = 0x0F7F;
constexpr std::uint16_t kSingleToNearest = 0x007F;

// The faults of a test, one a line: the first twenty and their number.
std::string Listed(const std::vector<std::string>& faults);


}  // namespace lumi::test
