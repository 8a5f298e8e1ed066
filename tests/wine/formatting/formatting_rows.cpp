#include "tests/wine/formatting/formatting_rows.h"

#include <cstring>
#include <map>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace lumi::test {
namespace {

constexpr FormattingRow NumberToText(std::string_view code, Convention convention, int slots, int value,
                                     Digits digits) {
    return {code, Group::NumberToText, convention, slots, value, -1, digits, Pattern::None};
}
constexpr FormattingRow TimeToText(std::string_view code, int highest, int time, Pattern pattern) {
    return {code, Group::TimeToText, CallerPops, highest, time, -1, {}, pattern};
}
constexpr FormattingRow Rounding(std::string_view code, int slots, int value, Digits digits) {
    return {code, Group::Rounding, CalleePops, slots, value, -1, digits, Pattern::None};
}
constexpr FormattingRow Larger(std::string_view code, int slots, int a, int b) {
    return {code, Group::Larger, CalleePops, slots, a, b, {}, Pattern::None};
}
constexpr FormattingRow Smaller(std::string_view code, int slots, int a, int b) {
    return {code, Group::Smaller, CalleePops, slots, a, b, {}, Pattern::None};
}
constexpr FormattingRow Search(std::string_view code, int slots, int text, int pattern) {
    return {code, Group::Search, CalleePops, slots, text, pattern, {}, Pattern::None};
}

// For caller-pops rows the slot column is the highest slot read.
constexpr FormattingRow kRows[] = {
    //           code          convention  slots value digits
    NumberToText("IIi1IIiI11", CalleePops, 6, 0, Fixed(0)),
    NumberToText("IIi11111II", CalleePops, 6, 1, Fixed(0)),
    NumberToText("III1I1iiIi", CalleePops, 6, 1, Fixed(2)),
    NumberToText("Ii1IiI1III", CalleePops, 8, 0, FromSlot(4)),
    NumberToText("iiI11i1II1", CalleePops, 8, 1, FromSlot(4)),
    NumberToText("11IiIIi1iI", CallerPops, 1, 0, Fixed(0)),
    NumberToText("1ii11i1i1i", CallerPops, 1, 0, Fixed(0)),
    NumberToText("IiIIii1I1I", CallerPops, 1, 0, Fixed(0)),
    NumberToText("i1II1I1IIi", CallerPops, 1, 0, Fixed(0)),
    NumberToText("i1IIi11iII", CallerPops, 1, 0, Fixed(0)),
    NumberToText("i1iiIIiiiI", CallerPops, 2, 1, Fixed(0)),
    NumberToText("IIi1Ii1iii", CallerPops, 3, 2, Fixed(0)),
    NumberToText("1iII1iii11", CallerPops, 4, 3, Fixed(0)),
    NumberToText("I11111111I", CallerPops, 4, 3, Fixed(0)),
    NumberToText("Ii1iIIii11", CallerPops, 2, 1, Fixed(2)),
    NumberToText("IIiIii1III", CallerPops, 2, 0, FromSlot(2)),
    NumberToText("Ii1i1iI11i", CallerPops, 2, 0, FromSlot(2)),
    NumberToText("1ii11IiI1I", CallerPops, 2, 1, FromSlot(0)),
    NumberToText("1111i11iii", CallerPops, 5, 1, FromSlot(5)),
    NumberToText("IIIiIiiiiI", CallerPops, 6, 1, FromSlot(6)),
    NumberToText("i1IiiiiiiI", CallerPops, 4, 3, FromSlot(0)),
    //         code          highest time pattern
    TimeToText("iII1IIiI1i", 0, 0, Pattern::Time),
    TimeToText("iI1iIiII1I", 2, 2, Pattern::Time),
    TimeToText("iI1I1III1I", 0, 0, Pattern::DateTime),
    TimeToText("1IIiiI1Ii1", 3, 3, Pattern::DateTime),
    TimeToText("I1IIiii11I", 0, 0, Pattern::DateTimeSeconds),
    //       code          slots value digits
    Rounding("iIIii1i1I1", 8, 0, FromSlot(3)),
    Rounding("ii1Ii1Iiii", 7, 0, FromSlot(3)),
    Rounding("iiiiii11iI", 7, 0, FromSlot(3)),
    Rounding("I1i1iIii1I", 7, 0, FromSlot(4)),
    Rounding("1i1iiiii1I", 7, 0, FromSlot(5)),
    Rounding("ii11iiiiII", 7, 0, FromSlot(5)),
    Rounding("I1Iii11III", 9, 0, Fixed(2)),
    Rounding("i1I1i1IIiI", 7, 1, FromSlot(3)),
    Rounding("IIiIi1iii1", 8, 2, Fixed(1)),
    Rounding("1ii1Ii1iiI", 7, 2, FromSlot(0)),
    Rounding("1iiiIi1II1", 7, 3, FromSlot(1)),
    Rounding("i1iIIIiI1I", 6, 4, Fixed(2)),
    //     code          slots a  b
    Larger("11iIIIi1i1", 7, 4, 0),
    Smaller("Iii1i1ii1I", 8, 6, 2),
    //     code          slots text pattern
    Search("iIiIIiIii1", 3, 2, 0),
    Search("Ii1II1ii11", 5, 3, 2),
};


}  // namespace

bool FormattingRow::ReadsSlot(int slot) const {
    const bool doubleValue = group != Group::TimeToText && group != Group::Search;
    if (slot == value || (doubleValue && slot == value + 1)) return true;
    if (other >= 0 && (slot == other || (ReturnsDouble() && slot == other + 1))) return true;
    return digits.FromSlot() && slot == digits.slot;
}

int FormattingRow::HighestSlotRead() const {
    int highest = -1;
    for (int slot = 0; slot < kMaxPushedSlots; ++slot)
        if (ReadsSlot(slot)) highest = slot;
    return highest;
}

std::span<const FormattingRow> FormattingRows() { return kRows; }

std::span<const FormattingRow> RowsOf(Group group) {
    static const std::map<Group, std::vector<FormattingRow>> byGroup = [] {
        std::map<Group, std::vector<FormattingRow>> rows;
        for (const FormattingRow& row : kRows) rows[row.group].push_back(row);
        return rows;
    }();
    return byGroup.at(group);
}


int MinimalPush(const FormattingRow& row) { return row.IsCallerPops() ? row.slots + 1 : row.slots; }

Slots PlaceInputs(const FormattingRow& row, const RowInputs& inputs, const DecoyPattern& decoy, int pushed) {
    Slots slots(pushed);
    for (int k = 0; k < kMaxPushedSlots; ++k) slots.word[k] = k % 2 == 0 ? decoy.even : decoy.odd;
    switch (row.group) {
        case Group::NumberToText:
        case Group::Rounding:
            slots.DoubleBits(row.value, inputs.value);
            if (row.digits.FromSlot()) slots.Word(row.digits.slot, static_cast<std::uint32_t>(inputs.digits));
            break;
        case Group::TimeToText:
            slots.Word(row.value, static_cast<std::uint32_t>(inputs.time));
            break;
        case Group::Larger:
        case Group::Smaller:
            slots.DoubleBits(row.value, inputs.value).DoubleBits(row.other, inputs.b);
            break;
        case Group::Search:
            slots.Text(row.value, inputs.text).Text(row.other, inputs.pattern);
            break;
    }
    return slots;
}

Outcome OutcomeOf(const FormattingRow& row, const CallRecord& record) {
    Outcome outcome;
    if (row.ReturnsText()) {
        outcome.text = record.eax == 0 ? u"<null>" : TextAt(record.eax);
    } else if (row.ReturnsDouble()) {
        const auto bits = ResultDoubleBits(record);
        outcome.exactDouble = bits.has_value();
        outcome.bits = bits.value_or(0);
    } else {
        outcome.integer = static_cast<std::int32_t>(record.eax);
    }
    return outcome;
}

std::string Describe(const FormattingRow& row, const Outcome& outcome) {
    if (row.ReturnsText()) return Units(outcome.text);
    if (!row.ReturnsDouble()) return std::to_string(outcome.integer);
    if (!outcome.exactDouble) return "ST(0) holding no double";
    std::ostringstream out;
    out.precision(17);
    out << FromBits(outcome.bits) << " (" << Hex(outcome.bits) << ")";
    return out.str();
}

std::string ContractFault(const FormattingRow& row, const CallRecord& record, int pushed) {
    const std::string fault =
        CallContractFault(record, row.IsCallerPops() ? 0u : 4u * row.slots, row.ReturnsDouble());
    return fault.empty() ? fault : fault + "(" + std::to_string(pushed) + " slots pushed)";
}

CallRecord CallRow(const FormattingRow& row, const Slots& slots, std::uint16_t controlWord, int preloaded) {
    const void* function = ExportAddress(row.code);
    if (function == nullptr) throw std::runtime_error("not exported: " + std::string(row.code));
    return CallAt(function, slots, controlWord, preloaded);
}

CallRecord CallWithCleanStatus(const FormattingRow& row, const Slots& slots, std::uint16_t controlWord) {
    asm volatile("fnclex");
    return CallRow(row, slots, controlWord);
}

std::string Listed(const std::vector<std::string>& faults) {
    constexpr std::size_t kShown = 20;
    std::ostringstream out;
    out << faults.size() << " faults";
    if (faults.size() > kShown) out << ", the first " << kShown;
    out << ":\n";
    for (std::size_t i = 0; i < faults.size() && i < kShown; ++i) out << faults[i] << '\n';
    return out.str();
}

}  // namespace lumi::test
