// What any row of the constant, pass-through and arithmetic families must do
// with a given set of slots: the slots it reads, the result it owes, and the
// calling contract every call must keep.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "catalogue/catalogue.h"
#include "tests/wine/support/call_contract.h"
#include "tests/wine/support/decoys.h"
#include "tests/wine/support/library_under_test.h"

namespace lumi::test {

// The four families that call no value routine.
bool IsPlainFamily(Family family);
std::vector<const ExportEntry*> PlainRows();

// The catalogue row of `code`; throws (failing the test, not the program)
// when there is none.
const ExportEntry& Row(std::string_view code);

// Values for a row's inputs, taken in input order; doubles by their bits.
struct InputValues {
    std::uint64_t real[kMaxInputs];
    std::uint32_t word[kMaxInputs];
};

Slots RowSlots(const ExportEntry& row, const InputValues& inputs, const DecoyPattern& decoy);

struct Expectation {
    ValueKind kind = ValueKind::Word;
    std::uint32_t eax = 0;         // word, integer and truth results
    std::u16string text;           // text results
    std::uint64_t bits = 0;        // double results
    bool anyNaN = false;           // which NaN an operation gives is the unit's choice
};

// The result `row` owes for `slots` under `controlWord`.
Expectation Expected(const ExportEntry& row, const Slots& slots, std::uint16_t controlWord);

// Empty when the call gave the expected result, else what went wrong.
std::string ResultFault(const CallRecord& record, const Expectation& expected);

// Empty when the call kept the calling contract, else what went wrong:
// slots popped, x87 depth, caller's x87 values, registers, control word.
std::string ContractFault(const ExportEntry& row, const CallRecord& record);

// The faults of many calls, kept as the first fault of each row and a count,
// so one broken row cannot hide another.
class FaultLog {
public:
    void Note(std::string_view code, const std::string& fault);
    bool Empty() const { return total_ == 0; }
    std::string Summary() const;

private:
    std::vector<std::pair<std::string, std::string>> first_;  // code, first fault
    std::vector<int> count_;
    int total_ = 0;
};

}  // namespace lumi::test
