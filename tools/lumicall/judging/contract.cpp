#include "tools/lumicall/judging/contract.h"

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>

#include <windows.h>

#include "catalogue/describe.h"
#include "catalogue/raise_policy.h"
#include "tools/words/shortest_double.h"

namespace lumi::call {
namespace {

constexpr std::uint16_t kX87StackFaultBit = 0x40;  // not listed for any input

struct KeptRegister {
    const char* name;
    std::uint32_t CallRecord::*value;
    std::uint32_t sentinel;
};

constexpr KeptRegister kKeptRegisters[] = {
    {"EBX", &CallRecord::ebx, CallRecord::kEbx},
    {"ESI", &CallRecord::esi, CallRecord::kEsi},
    {"EDI", &CallRecord::edi, CallRecord::kEdi},
    {"EBP", &CallRecord::ebp, CallRecord::kEbp},
};


// The x87 exception a trap's code names, as its control-word bit. A stack
// fault is no exception a host unmasks: none.
std::uint16_t ExceptionBitsOf(std::uint32_t code) {
    switch (code) {
        case EXCEPTION_FLT_INVALID_OPERATION: return kInvalidOperation;
        case EXCEPTION_FLT_DENORMAL_OPERAND: return kDenormalOperand;
        case EXCEPTION_FLT_DIVIDE_BY_ZERO: return kDivisionByZero;
        case EXCEPTION_FLT_OVERFLOW: return kOverflow;
        case EXCEPTION_FLT_UNDERFLOW: return kUnderflow;
        case EXCEPTION_FLT_INEXACT_RESULT: return kInexactResult;
        default: return kX87StackFaultBit;
    }
}

int DepthChange(const Outcome& outcome) { return outcome.record.depthAfter - outcome.record.depthBefore; }

// The value the export left in ST(0), if it is a double: the caller stores
// it as one, so anything wider would be rounded a second time there.
bool IsDouble(long double value) {
    volatile double stored = static_cast<double>(value);  // a real 64-bit store, not a register
    return std::isnan(value) || static_cast<long double>(stored) == value;
}

std::string ExtendedBits(const std::uint8_t (&st0)[10]) {
    std::uint64_t significand = 0;
    std::uint16_t signAndExponent = 0;
    std::memcpy(&significand, st0, 8);
    std::memcpy(&signAndExponent, st0 + 8, 2);
    return Hex(signAndExponent, 4) + "_" + Hex(significand, 16);
}

}  // namespace

std::string DoubleWords(std::uint64_t bits) {
    return ShortestDouble(std::bit_cast<double>(bits)) + "  (0x" + Hex(bits, 16) + ")";
}

bool RaisedUnmasked(const Outcome& outcome) {
    return outcome.failure == Failure::None && outcome.fault && outcome.fault->FloatingPoint() &&
           UnmasksAnyException(outcome.record.controlWord);
}

std::uint16_t RaisedBits(const Outcome& outcome) {
    if (outcome.failure != Failure::None) return 0;
    if (RaisedUnmasked(outcome)) return ExceptionBitsOf(outcome.fault->code);
    if (outcome.fault) return 0;
    return outcome.record.UnmaskedFlags();
}

bool RaiseAllowed(const ExportEntry& entry, const Outcome& outcome, std::span<const std::uint32_t> slots) {
    const std::uint16_t raised = RaisedBits(outcome);
    return raised != 0 && RaiseListed(entry, slots, raised);
}

bool CallersPointerFault(const Outcome& outcome) {
    return outcome.failure == Failure::None && outcome.fault && outcome.callersPointerSlot >= 0;
}

std::uint32_t ExpectedPop(const ExportEntry& entry) {
    return entry.convention == Convention::CalleePops ? 4u * static_cast<std::uint32_t>(entry.slots) : 0u;
}

std::string PoppedWords(std::uint32_t bytes) {
    return std::to_string(bytes) + " bytes (" + std::to_string(bytes / 4) + (bytes == 4 ? " slot)" : " slots)");
}

bool LeftOneValue(const Outcome& outcome) { return !outcome.fault && DepthChange(outcome) == 1; }

std::string UnmaskedRaised(const Outcome& outcome) {
    if (RaisedUnmasked(outcome)) return outcome.fault->Words();
    if (outcome.fault) return "";
    const std::uint16_t pending = outcome.record.UnmaskedFlags();
    return pending == 0 ? "" : X87ExceptionWords(pending) + ", left pending";
}

std::vector<std::string> Breaches(const ExportEntry& entry, const Outcome& outcome,
                                  std::span<const std::uint32_t> slots) {
    if (outcome.failure != Failure::None) return {outcome.failureWords};
    if (CallersPointerFault(outcome) || RaiseAllowed(entry, outcome, slots)) return {};
    const CallRecord& record = outcome.record;
    if (const std::uint16_t raised = RaisedBits(outcome))
        return {"raised " + X87ExceptionWords(raised) + (outcome.fault ? "" : ", left pending,") +
                " under control word " + Hex(record.controlWord, 4) +
                " on inputs the catalogue page does not list as raising it"};
    if (outcome.fault) return {"faulted: " + outcome.fault->Words()};
    std::vector<std::string> breaches;
    if (record.popped != ExpectedPop(entry))
        breaches.push_back("removed " + PoppedWords(record.popped) + " from the stack; a " +
                           std::string(ConventionWords(entry.convention)) + " export with these slots removes " +
                           PoppedWords(ExpectedPop(entry)));
    const int expectedDepth = entry.result == ValueKind::Double ? 1 : 0;
    if (DepthChange(outcome) != expectedDepth)
        breaches.push_back("changed the x87 stack depth by " + std::to_string(DepthChange(outcome)) +
                           ", expected " + std::to_string(expectedDepth));
    std::string changed;
    for (const KeptRegister& kept : kKeptRegisters)
        if (record.*kept.value != kept.sentinel) changed += (changed.empty() ? "" : ", ") + std::string(kept.name);
    if (!changed.empty()) breaches.push_back("did not keep " + changed);
    if (!record.ControlWordKept())
        breaches.push_back("changed the x87 control word from " + Hex(record.controlWord, 4) + " to " +
                           Hex(record.controlWordAfter, 4) + " (" + std::string(kControlWordCompared) +
                           " compared)");
    if (outcome.overwrote >= 0)
        breaches.push_back("it overwrote a text built fewer than " + std::to_string(kKeptTexts + 1) +
                           " text-building calls before (that text now reads " + QuotedText(outcome.overwrittenText) +
                           "): a text stays intact over the next " + std::to_string(kKeptTexts) +
                           " text-building calls on its thread");
    if (record.DirectionFlagLeftSet()) breaches.push_back("left the direction flag set");
    if (const int word = record.FirstCanaryChanged(); word >= 0)
        breaches.push_back("wrote into the caller's stack above its slots (0x" + Hex(record.canaryWord, 8) +
                           " in the word " + std::to_string(word * 4) + " bytes above them)");
    if (record.StackFaulted()) breaches.push_back("overflowed or underflowed the x87 register stack");
    if (entry.result == ValueKind::Truth && record.eax > 1)
        breaches.push_back("answered " + std::to_string(record.eax) + " as a truth value (0 or 1)");
    if (entry.result == ValueKind::Double && LeftOneValue(outcome) && !IsDouble(record.Result()))
        breaches.push_back("left a value in ST(0) that is not rounded to double (80-bit " +
                           ExtendedBits(record.st0) + ")");
    if (entry.result == ValueKind::Text) {
        if (record.eax == 0) breaches.push_back("returned a null text");
        else if (outcome.textFault) breaches.push_back("returned a text that cannot be read: " + outcome.textFault->Words());
        else if (!outcome.textEnded) breaches.push_back("returned a text with no end within " + std::to_string(kMaxTextUnits) + " units");
    }
    return breaches;
}

std::string ResultWords(const ExportEntry& entry, const Outcome& outcome) {
    if (outcome.failure != Failure::None) return "(" + outcome.failureWords + ")";
    if (CallersPointerFault(outcome))
        return "(faulted reading the text pointer you gave in slot " + std::to_string(outcome.callersPointerSlot) +
               ": " + outcome.fault->Words() + ")";
    if (RaisedUnmasked(outcome)) return "(raised " + outcome.fault->Words() + ", unmasked by the control word)";
    if (outcome.fault) return "(faulted: " + outcome.fault->Words() + ")";
    const CallRecord& record = outcome.record;
    const auto eax = static_cast<std::int32_t>(record.eax);
    switch (entry.result) {
        case ValueKind::Text:
            if (record.eax == 0) return "null";
            if (outcome.textFault) return "unreadable text at 0x" + Hex(record.eax, 8);
            return QuotedText(outcome.text);
        case ValueKind::Double:
            if (!LeftOneValue(outcome)) return "(nothing on the x87 stack)";
            if (!IsDouble(record.Result())) return "80-bit 0x" + ExtendedBits(record.st0) + ", not a double";
            return DoubleWords(std::bit_cast<std::uint64_t>(record.ResultAsDouble()));
        case ValueKind::Truth:
            return std::to_string(record.eax) + (record.eax == 1 ? "  (true)" : record.eax == 0 ? "  (false)" : "");
        case ValueKind::Word:
            return "0x" + Hex(record.eax, 8) + "  (" + std::to_string(eax) + ")";
        default:
            return std::to_string(eax) + "  (0x" + Hex(record.eax, 8) + ")";
    }
}

bool SameAnswer(const ExportEntry& entry, const Outcome& a, const Outcome& b) {
    if (a.fault || b.fault || a.failure != Failure::None || b.failure != Failure::None) return false;
    switch (entry.result) {
        case ValueKind::Text:
            return (a.record.eax == 0) == (b.record.eax == 0) && a.text == b.text;
        case ValueKind::Double:
            return LeftOneValue(a) == LeftOneValue(b) &&
                   (!LeftOneValue(a) || std::memcmp(a.record.st0, b.record.st0, sizeof a.record.st0) == 0);
        default:
            return a.record.eax == b.record.eax;
    }
}

}  // namespace lumi::call
