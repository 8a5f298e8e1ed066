#include "tests/wine/abi/row_model.h"

#include <bit>
#include <cstring>
#include <sstream>
#include <stdexcept>

#include "tools/models/arithmetic_reference.h"

namespace lumi::test {
namespace {

constexpr std::uint64_t kQuietBit = std::uint64_t{1} << 51;
constexpr std::uint64_t kExponentMask = std::uint64_t{0x7FF} << 52;
constexpr std::uint64_t kFractionMask = kQuietBit * 2 - 1;

bool IsNaNBits(std::uint64_t bits) {
    return (bits & kExponentMask) == kExponentMask && (bits & kFractionMask) != 0;
}

// Loading a double onto the x87 stack sets the quiet bit of a signalling NaN.
std::uint64_t AsLoaded(std::uint64_t bits) { return IsNaNBits(bits) ? bits | kQuietBit : bits; }

std::uint64_t DoubleBitsAt(const Slots& slots, int k) {
    return std::uint64_t{slots.word[k + 1]} << 32 | slots.word[k];
}

}  // namespace

void FaultLog::Note(std::string_view code, const std::string& fault) {
    if (fault.empty()) return;
    ++total_;
    for (std::size_t i = 0; i < first_.size(); ++i)
        if (first_[i].first == code) {
            ++count_[i];
            return;
        }
    first_.emplace_back(std::string(code), fault);
    count_.push_back(1);
}

std::string FaultLog::Summary() const {
    std::ostringstream out;
    out << total_ << " faulty calls in " << first_.size() << " rows; the first of each:\n";
    for (std::size_t i = 0; i < first_.size(); ++i)
        out << first_[i].first << " (" << count_[i] << " calls): " << first_[i].second << '\n';
    return out.str();
}

bool IsPlainFamily(Family family) { return family != Family::Formatting; }

std::vector<const ExportEntry*> PlainRows() {
    std::vector<const ExportEntry*> rows;
    for (const ExportEntry& row : Catalogue())
        if (IsPlainFamily(row.family)) rows.push_back(&row);
    return rows;
}

const ExportEntry& Row(std::string_view code) {
    const ExportEntry* row = FindEntry(code);
    if (row == nullptr) throw std::runtime_error("no catalogue row " + std::string(code));
    return *row;
}

Slots RowSlots(const ExportEntry& row, const InputValues& inputs, const DecoyPattern& decoy) {
    Slots slots(row.slots);
    for (int k = 0; k < kMaxPushedSlots; ++k) slots.word[k] = k % 2 == 0 ? decoy.even : decoy.odd;
    for (int i = 0; i < row.InputCount(); ++i) {
        if (row.inputs[i].kind == ValueKind::Double) slots.DoubleBits(row.inputs[i].slot, inputs.real[i]);
        else slots.Word(row.inputs[i].slot, inputs.word[i]);
    }
    return slots;
}

Expectation Expected(const ExportEntry& row, const Slots& slots, std::uint16_t controlWord) {
    Expectation expected;
    expected.kind = row.result;
    switch (row.family) {
        case Family::TextConstant:
            expected.text = row.text;
            break;
        case Family::NumberConstant:
            expected.eax = static_cast<std::uint32_t>(row.integer);
            expected.bits = Bits(row.real);
            break;
        case Family::PassThrough: {
            const SlotInput input = row.inputs[0];
            if (row.result == ValueKind::Word) expected.eax = slots.word[input.slot];
            else if (input.kind == ValueKind::Double) expected.bits = AsLoaded(DoubleBitsAt(slots, input.slot));
            else expected.bits = Bits(static_cast<double>(static_cast<std::int32_t>(slots.word[input.slot])));
            break;
        }
        case Family::Arithmetic: {
            const ArithmeticRow* reference = FindArithmeticRow(row.code);
            if (reference == nullptr) break;  // the guard reports the missing row
            const Frame frame{slots.word};
            if (reference->result == ValueKind::Double) {
                expected.bits = ReferenceDoubleBits(*reference, slots.word, controlWord);
                expected.anyNaN = IsNaNBits(expected.bits);
            } else {
                expected.eax = static_cast<std::uint32_t>(reference->integer(frame));
            }
            break;
        }
        case Family::Formatting:
            break;
    }
    return expected;
}

std::string ResultFault(const CallRecord& record, const Expectation& expected) {
    switch (expected.kind) {
        case ValueKind::Text: {
            if (record.eax == 0) return "null text";
            const std::u16string text = TextAt(record.eax);
            if (text != expected.text) return "text " + Units(text) + ", want " + Units(expected.text);
            return {};
        }
        case ValueKind::Double: {
            const auto bits = ResultDoubleBits(record);
            if (!bits) return "ST(0) does not hold a double";
            if (expected.anyNaN ? IsNaNBits(*bits) : *bits == expected.bits) return {};
            return "double " + Hex(*bits) + ", want " + Hex(expected.bits);
        }
        default:
            if (record.eax != expected.eax) return "EAX " + Hex(record.eax) + ", want " + Hex(expected.eax);
            return {};
    }
}

std::string ContractFault(const ExportEntry& row, const CallRecord& record) {
    const std::uint32_t popped = row.convention == Convention::CalleePops ? 4u * row.slots : 0u;
    return CallContractFault(record, popped, row.result == ValueKind::Double);
}

}  // namespace lumi::test
