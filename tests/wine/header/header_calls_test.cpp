// Every export called the way a C or C++ host calls it: through its
// prototype in include/lumivextaran.h, bound at load time through
// liblumivextaran.dll.a. Each answer is held to the tests' own models, and
// the stack pointer read around each call must come back where it was: a
// prototype with the wrong convention or slot count shows there.
#include "include/lumivextaran.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <string>

#include "catalogue/body_terms.h"
#include "catalogue/describe.h"
#include "tests/wine/abi/row_model.h"

// <windows.h> makes FindText a macro; here it is the routine.
#undef FindText

namespace lumi::test {
namespace {

// Inputs of the plain rows, taken in input order; the arithmetic model gives
// what they owe.
constexpr InputValues kPlainInputs = {
    .real = {0x3FF8000000000000, 0xC002000000000000, 0x4009000000000000, 0x3FB999999999999A},  // 1.5 -2.25 3.125 0.1
    .word = {0x80000001, 0xFFFFFFFB, 42, 134},
};

struct RoutineInput {
    Routine routine;
    std::string_view role;
    double real = 0.0;
    std::int32_t integer = 0;
    const char16_t* text = nullptr;
};

const RoutineInput kRoutineInputs[] = {
    {Routine::FormatFixed, "value", 1.23456},
    {Routine::FormatFixed, "digits", 0.0, 3},
    {Routine::FormatTime, "time", 0.0, 1413709507},
    {Routine::RoundToDigits, "value", 2.675},
    {Routine::RoundToDigits, "digits", 0.0, 3},
    {Routine::MaxOf, "a", 1.5},
    {Routine::MaxOf, "b", 2.5},
    {Routine::MinOf, "a", 1.5},
    {Routine::MinOf, "b", 2.5},
    {Routine::FindText, "text", 0.0, 0, u"abcabc"},
    {Routine::FindText, "pattern", 0.0, 0, u"bc"},
};

// What the routine rows answer for those inputs, by the argument the row
// fixes itself (digits, or the pattern's name; "" when the slot gives it).
struct RoutineAnswer {
    Routine routine;
    std::string_view fixed;
    const char16_t* text = nullptr;
    double real = 0.0;
    std::int32_t integer = 0;
};

const RoutineAnswer kRoutineAnswers[] = {
    {Routine::FormatFixed, "", u"1.235"},
    {Routine::FormatFixed, "0", u"1"},
    {Routine::FormatFixed, "2", u"1.23"},
    {Routine::FormatTime, "PatternTime", u"9:5"},
    {Routine::FormatTime, "PatternDateTime", u"2014.10.19 9:5"},
    {Routine::FormatTime, "PatternDateTimeSeconds", u"2014.10.19 9:5:7"},
    {Routine::RoundToDigits, "", nullptr, 2.675},
    {Routine::RoundToDigits, "1", nullptr, 2.7},
    {Routine::RoundToDigits, "2", nullptr, 2.68},
    {Routine::MaxOf, "", nullptr, 2.5},
    {Routine::MinOf, "", nullptr, 1.5},
    {Routine::FindText, "0", nullptr, 0.0, 1},
};

constexpr DecoyPattern kDecoy = {"wild pointer, signalling NaN", 0xDEADBEEF, 0x7FF40000};  // a wild pointer, a signalling NaN's high word

struct Case {
    Slots slots{0};
    Expectation expected;
};

std::string FixedArgument(const ExportEntry& row) {
    for (const RoutineArgument& argument : RoutineArguments(row))
        if (argument.from.slot < 0) return argument.from.constantName.empty() ? argument.from.constant : argument.from.constantName;
    return "";
}

Case RoutineCase(const ExportEntry& row) {
    Case c{Slots(SlotsToPush(row)), {}};
    for (int k = 0; k < kMaxPushedSlots; ++k) c.slots.word[k] = k % 2 == 0 ? kDecoy.even : kDecoy.odd;
    const auto roles = InputRoles(row);
    for (int i = 0; i < row.InputCount(); ++i)
        for (const RoutineInput& input : kRoutineInputs) {
            if (input.routine != row.routine || input.role != roles[i]) continue;
            const int slot = row.inputs[i].slot;
            if (row.inputs[i].kind == ValueKind::Double) c.slots.Double(slot, input.real);
            else if (row.inputs[i].kind == ValueKind::Text) c.slots.Text(slot, input.text);
            else c.slots.Word(slot, static_cast<std::uint32_t>(input.integer));
        }
    c.expected.kind = row.result;
    // A fixed argument the answers do not list leaves the kind without a
    // value, which fails the row: a new row needs its answer here.
    c.expected.text = u"(no answer listed)";
    for (const RoutineAnswer& answer : kRoutineAnswers) {
        if (answer.routine != row.routine || answer.fixed != FixedArgument(row)) continue;
        if (answer.text != nullptr) c.expected.text = answer.text;
        c.expected.bits = Bits(answer.real);
        c.expected.eax = static_cast<std::uint32_t>(answer.integer);
    }
    return c;
}

Case CaseFor(std::string_view code, std::uint16_t controlWord) {
    const ExportEntry& row = Row(code);
    if (!IsPlainFamily(row.family)) return RoutineCase(row);
    Case c{RowSlots(row, kPlainInputs, kDecoy), {}};
    c.expected = Expected(row, c.slots, controlWord);
    return c;
}

// The row's slots as the prototypes take them.
struct Arguments {
    const Slots& slots;
    std::uint32_t W(int k) const { return slots.word[k]; }
    std::int32_t I(int k) const { return static_cast<std::int32_t>(slots.word[k]); }
    double D(int k) const { return std::bit_cast<double>(std::uint64_t{slots.word[k + 1]} << 32 | slots.word[k]); }
    const wchar_t* T(int k) const { return reinterpret_cast<const wchar_t*>(static_cast<std::uintptr_t>(slots.word[k])); }
};

// What a call gave, in the kind its prototype returns, against what it owes.
std::string AnswerFault(const wchar_t* answer, const Expectation& expected) {
    if (expected.kind != ValueKind::Text) return "the prototype returns a text, the row a " + std::string(KindName(expected.kind));
    if (answer == nullptr) return "null text";
    const std::u16string text(reinterpret_cast<const char16_t*>(answer));
    return text == expected.text ? "" : "text " + Units(text) + ", want " + Units(expected.text);
}

std::string WordFault(std::uint32_t answer, const Expectation& expected, bool wordKind) {
    const bool kindMatches = wordKind ? expected.kind == ValueKind::Word
                                      : expected.kind == ValueKind::Integer || expected.kind == ValueKind::Truth;
    if (!kindMatches) return "the prototype's result type does not fit a " + std::string(KindName(expected.kind));
    return answer == expected.eax ? "" : "EAX " + Hex(answer) + ", want " + Hex(expected.eax);
}

std::string AnswerFault(std::int32_t answer, const Expectation& expected) {
    return WordFault(static_cast<std::uint32_t>(answer), expected, false);
}
std::string AnswerFault(std::uint32_t answer, const Expectation& expected) { return WordFault(answer, expected, true); }

std::string AnswerFault(double answer, const Expectation& expected) {
    if (expected.kind != ValueKind::Double) return "the prototype returns a double, the row a " + std::string(KindName(expected.kind));
    const std::uint64_t bits = Bits(answer);
    const bool nan = answer != answer;
    return (expected.anyNaN ? nan : bits == expected.bits) ? "" : "double " + Hex(bits) + ", want " + Hex(expected.bits);
}

std::string StackFault(std::uint32_t before, std::uint32_t after) {
    if (before == after) return "";
    const std::int32_t moved = static_cast<std::int32_t>(after - before);
    return "the stack pointer moved by " + std::to_string(moved) + " bytes across the call";
}

std::uint16_t ControlWordNow() {
    std::uint16_t word = 0;
    asm volatile("fnstcw %0" : "=m"(word));
    return word;
}

// ESP is read into memory right before the arguments go out and right after
// the call returns; the target is built without deferred pops, so nothing the
// compiler adds between the two reads can hide a wrong pop.
#define LUMI_HEADER_CALL(code, arguments)                                                   \
    {                                                                                       \
        const Case c = CaseFor(#code, controlWord);                                         \
        [[maybe_unused]] const Arguments in{c.slots};                                       \
        volatile std::uint32_t before = 0, after = 0;                                       \
        asm volatile("movl %%esp, %0" : "=m"(before)::"memory");                            \
        const auto answer = Quenvar_541BA2F8_1_##code arguments;                            \
        asm volatile("movl %%esp, %0" : "=m"(after)::"memory");                             \
        faults.Note(#code, AnswerFault(answer, c.expected) + StackFault(before, after));    \
        ++called;                                                                           \
    }

TEST(HeaderCalls, EveryExportAnswersThroughItsPrototypeWithTheStackBalanced) {
    const std::uint16_t controlWord = ControlWordNow();
    FaultLog faults;
    std::size_t called = 0;
#include "tests/wine/header/all_exports.inc"
    EXPECT_EQ(called, Catalogue().size()) << "tests/wine/header/all_exports.inc is not the catalogue's";
    EXPECT_TRUE(faults.Empty()) << faults.Summary();
}

}  // namespace
}  // namespace lumi::test
