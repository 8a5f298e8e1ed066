#include "tests/wine/formatting/formatting_rows.h"

#include <sstream>
#include <stdexcept>

namespace lumi::test {

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
