// Every export under the control words that unmask invalid operation, zero
// divide and overflow, as Delphi- and C++Builder-built hosts run: on ordinary
// inputs (finite operands, no zero divisor, no overflow; any value to round
// but a signalling NaN) an export raises nothing there and answers exactly as
// it does with every exception masked.
#include <gtest/gtest.h>

#include <bit>
#include <climits>
#include <cstdio>
#include <cstring>
#include <limits>
#include <span>
#include <string>
#include <vector>

#include "catalogue/describe.h"
#include "tests/wine/abi/row_model.h"

namespace lumi::test {
namespace {

// Each unmasking word and the same word with every exception masked.
struct HostWord {
    std::uint16_t unmasked, masked;
};
constexpr HostWord kUnmaskingWords[] = {{kHostExtendedUnmasked, kHostExtendedUnmasked | kX87Exceptions},
                                        {kHostDoubleUnmasked, kHostDoubleUnmasked | kX87Exceptions}};

// Any finite double: the value of a pass-through, number to text, larger-of
// or smaller-of export (subnormals and the ends of the range included).
constexpr double kFiniteDoubles[] = {
    0.0, -0.0, 1.5, -2.75, 0.1, 1.0 / 3, 123456789.125, -9.87654321e-7,
    1e300, -1.7976931348623157e308, 2.2250738585072014e-308, 4.9e-324, -1e-310,
};
// Operands of the arithmetic exports: non-zero and within 1e-60 to 1e60 in
// magnitude, so no expression of four of them divides by zero or overflows.
constexpr double kArithmeticDoubles[] = {
    1.5, -2.75, 0.1, -1.0 / 3, 1e-60, -7.25e59, 3.0e17, -1.0000000000000002, 12345.678,
};
// Values to round: on both sides of a 32-bit floor at 9 digits, large ones
// whose floor needs 64 bits or that are their own answer, an infinity and a
// quiet NaN.
constexpr double kRoundingDoubles[] = {
    0.0, -0.0, 1.005, -1.45, 0.285, 2.1474836474, -2.1474836485, 0.49999999999999994, 1e-300, -4.9e-324,
    3.0, -2147483649.0, 25000000.0, 1e300, std::numeric_limits<double>::infinity(),
    std::numeric_limits<double>::quiet_NaN(),
};
constexpr std::int32_t kDigits[] = {0, 2, 5, 9, -3, 100, INT32_MIN, INT32_MAX};
constexpr std::int32_t kIntegers[] = {0, -5, 134, 135, INT32_MIN, INT32_MAX, 214748365};
constexpr std::uint32_t kWords[] = {0, 0xFFFFFFFF, 0x7FF00001, 0x80000000, 0x12345678};
constexpr std::int32_t kTimes[] = {0, 1700000000, -1, INT32_MIN, INT32_MAX, 1413709507};
constexpr const char16_t* kTexts[] = {u"Attempt to Open Buy @", u"Buy", u"", nullptr, u"abcabc", u"bc"};

constexpr int kCallsPerRow = 16;  // the longest list above, once round
constexpr int kCallerPopsExtraSlots = 2;

template <class T>
T Pick(std::span<const T> values, int call, int input) {
    return values[(call + 5 * input) % values.size()];
}

std::span<const double> DoublesFor(const ExportEntry& entry) {
    if (entry.family == Family::Arithmetic) return kArithmeticDoubles;
    if (entry.routine == Routine::RoundToDigits) return kRoundingDoubles;
    return kFiniteDoubles;
}

std::span<const std::int32_t> IntegersFor(const ExportEntry& entry) {
    if (entry.routine == Routine::RoundToDigits || entry.routine == Routine::FormatFixed) return kDigits;
    return kIntegers;
}

// The ordinary inputs of `call` among the decoys of `decoy`, and the inputs in words.
Slots OrdinarySlots(const ExportEntry& entry, int call, const DecoyPattern& decoy, std::string& words) {
    const int pushed = SlotsToPush(entry) + (entry.convention == Convention::CallerPops ? kCallerPopsExtraSlots : 0);
    Slots slots(pushed);
    for (int k = 0; k < kMaxPushedSlots; ++k) slots.word[k] = k % 2 == 0 ? decoy.even : decoy.odd;
    for (int i = 0; i < entry.InputCount(); ++i) {
        const SlotInput input = entry.inputs[i];
        std::string value;
        switch (input.kind) {
            case ValueKind::Double: {
                const double real = Pick(DoublesFor(entry), call, i);
                slots.Double(input.slot, real);
                char text[32];
                std::snprintf(text, sizeof text, "%.17g", real);
                value = text;
                break;
            }
            case ValueKind::Word: slots.Word(input.slot, Pick<std::uint32_t>(kWords, call, i)); break;
            case ValueKind::HostTime: {
                const std::int32_t time = Pick<std::int32_t>(kTimes, call, i);
                slots.Word(input.slot, static_cast<std::uint32_t>(time));
                value = std::to_string(time);
                break;
            }
            case ValueKind::Text: {
                const char16_t* text = Pick<const char16_t*>(kTexts, call, i);
                slots.Text(input.slot, text);
                value = text == nullptr ? "null" : Units(text);
                break;
            }
            default: {
                const std::int32_t integer = Pick(IntegersFor(entry), call, i);
                slots.Word(input.slot, static_cast<std::uint32_t>(integer));
                value = std::to_string(integer);
                break;
            }
        }
        if (value.empty()) value = Hex(slots.word[input.slot]);
        words += (words.empty() ? "" : ", ") + SlotWords(input) + " = " + value;
    }
    if (words.empty()) words = "no inputs";
    return slots;
}

// The answer as the caller sees it: the text copied at once, all 80 bits of
// a double left in ST(0), or EAX.
std::string Answer(const ExportEntry& entry, const CallRecord& record) {
    if (entry.result == ValueKind::Text) return record.eax == 0 ? "null" : Units(TextAt(record.eax));
    if (entry.result == ValueKind::Double) {
        std::uint64_t significand;
        std::uint16_t signAndExponent;
        std::memcpy(&significand, record.st0, 8);
        std::memcpy(&signAndExponent, record.st0 + 8, 2);
        return "ST(0) " + Hex(signAndExponent) + "_" + Hex(significand);
    }
    return "EAX " + Hex(record.eax);
}

TEST(HostControlWords, OrdinaryInputsRaiseNothingAndAnswerAsWhenMasked) {
    std::vector<std::string> faults;
    int calls = 0;
    for (const ExportEntry& entry : Catalogue()) {
        const void* function = ExportAddress(entry.code);
        if (function == nullptr) continue;  // the export table test names it
        const std::uint32_t popped = entry.convention == Convention::CalleePops ? 4u * entry.slots : 0u;
        for (int call = 0; call < kCallsPerRow; ++call) {
            const DecoyPattern& decoy = Decoys()[calls++ % Decoys().size()];
            std::string inputs;
            const Slots slots = OrdinarySlots(entry, call, decoy, inputs);
            for (const HostWord word : kUnmaskingWords) {
                const GuardedCall host = CallGuardedAt(function, slots, word.unmasked);
                std::string fault;
                if (const std::string raised = host.Raised(); !raised.empty()) {
                    fault = "raised " + raised;
                } else {
                    const std::string answer = Answer(entry, host.record);
                    const std::string masked = Answer(entry, CallAt(function, slots, word.masked));
                    fault = CallContractFault(host.record, popped, entry.result == ValueKind::Double);
                    if (answer != masked) fault += answer + ", with every exception masked " + masked;
                }
                if (!fault.empty())
                    faults.push_back(std::string(entry.code) + " under control word " + Hex(word.unmasked) + " (" +
                                     inputs + "; decoys " + decoy.name + "): " + fault);
            }
        }
    }
    std::string listed;
    for (std::size_t i = 0; i < faults.size() && i < 30; ++i) listed += faults[i] + "\n";
    EXPECT_TRUE(faults.empty()) << faults.size() << " faulty calls, the first 30:\n" << listed;
}

// The check above sees what the unit itself raises on the conditions an
// export may meet, so its silence means something.
TEST(HostControlWords, WhatTheUnitRaisesIsSeen) {
    constexpr std::uint64_t kSignallingNaN = 0x7FF0000000000001;
    const struct {
        const char* code;
        const char* condition;
        int slot;
        std::uint64_t bits;
        const char* raised;
    } kCases[] = {
        {"i11iI1i1I1", "slots 0-1 / zero", 2, 0, "division by zero"},
        {"1iii1iI111", "signalling NaN in slots 4-5", 4, kSignallingNaN, "invalid operation"},
        {"I1IIiIIii1", "largest double × 10", 0, 0x7FEFFFFFFFFFFFFF, "overflow"},
    };
    for (const auto& c : kCases) {
        Slots slots(Row(c.code).slots);
        slots.Double(0, 1.0).DoubleBits(c.slot, c.bits);
        const std::string raised = CallGuardedAt(ExportAddress(c.code), slots, 0x1372).Raised();
        EXPECT_NE(raised.find(c.raised), std::string::npos) << c.code << " with " << c.condition << ": " << raised;
    }
}

}  // namespace
}  // namespace lumi::test
