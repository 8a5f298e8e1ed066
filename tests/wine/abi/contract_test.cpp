// Every row of the constant, pass-through and arithmetic families, called the
// way a host calls it: slots popped, x87 stack, registers and control word as
// the calling contract says, and a result that no decoy slot can move.
#include <gtest/gtest.h>

#include <bit>
#include <sstream>
#include <string>
#include <utility>

#include "tests/wine/abi/row_model.h"

namespace lumi::test {
namespace {

// The words hosts run with, and extended toward zero.
constexpr std::uint16_t kControlWords[] = {kHostExtended,       kHostDouble, kHostExtendedUnmasked,
                                           kHostDoubleUnmasked, kHostSingle, 0x0F7F};
constexpr int kPreloadCounts[] = {0, 2};

// Fixed values for the slots a row reads: finite, inexact in ratio, positive
// where a test of the sign would otherwise cut the expression short.
constexpr InputValues kFixedInputs = {
    .real = {std::bit_cast<std::uint64_t>(1.5), std::bit_cast<std::uint64_t>(-2.75),
             std::bit_cast<std::uint64_t>(0.3), std::bit_cast<std::uint64_t>(1e10)},
    .word = {0x13579BDF, 0x2468ACE0, 0x80000001, 7},
};

std::string Describe(const ExportEntry& row, const DecoyPattern& decoy, std::uint16_t controlWord, int preloaded) {
    std::ostringstream out;
    out << FamilyName(row.family) << ", " << row.slots << " slots, decoys " << decoy.name << ", control word "
        << Hex(controlWord) << ", " << preloaded << " preloaded: ";
    return out.str();
}

TEST(CallingContract, CoversTheFourPlainFamilies) { EXPECT_EQ(PlainRows().size(), 233u); }

// Rows whose pop count the script's declarations depend on most visibly.
TEST(CallingContract, PopsFourBytesPerSlot) {
    const std::pair<const char*, std::uint32_t> cases[] = {
        {"11ii1I1iII", 0},   // the one export without slots
        {"iI11IIii1I", 12},  // 3 slots
        {"iIIII1Iiii", 16},  // double 0.0, 4 slots
        {"i1I11IIii1", 32},  // 8 slots
        {"1iIi1iI1I1", 36},  // 9 slots
        {"Ii1Ii1i11I", 40},  // 10 slots
        {"I1IIIii1I1", 40},
    };
    for (const auto& [code, bytes] : cases) EXPECT_EQ(Call(code, Slots(10)).popped, bytes) << code;
}

TEST(CallingContract, EveryPlainRowUnderEveryDecoyAndControlWord) {
    FaultLog faults;
    for (const ExportEntry* row : PlainRows()) {
        const void* function = ExportAddress(row->code);
        if (function == nullptr) {
            faults.Note(row->code, "not exported");
            continue;
        }
        for (std::uint16_t controlWord : kControlWords) {
            std::uint32_t firstEax = 0;
            bool haveFirst = false;
            for (const DecoyPattern& decoy : Decoys()) {
                const Slots slots = RowSlots(*row, kFixedInputs, decoy);
                const Expectation expected = Expected(*row, slots, controlWord);
                for (int preloaded : kPreloadCounts) {
                    const CallRecord record = CallAt(function, slots, controlWord, preloaded);
                    std::string fault = ContractFault(*row, record) + ResultFault(record, expected);
                    // Text constants: the same pointer whatever the slots hold.
                    if (row->result == ValueKind::Text) {
                        if (haveFirst && record.eax != firstEax) fault += "pointer moved with the decoys";
                        firstEax = record.eax;
                        haveFirst = true;
                    }
                    if (!fault.empty()) faults.Note(row->code, Describe(*row, decoy, controlWord, preloaded) + fault);
                }
            }
        }
    }
    EXPECT_TRUE(faults.Empty()) << faults.Summary();
}

}  // namespace
}  // namespace lumi::test
