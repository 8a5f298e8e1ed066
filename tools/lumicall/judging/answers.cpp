#include "tools/lumicall/judging/answers.h"

#include <bit>
#include <cmath>

#include "catalogue/describe.h"
#include "tools/models/arithmetic_reference.h"
#include "tools/models/plain_search.h"
#include "tools/lumicall/worker/machine.h"

#undef FindText  // windows.h's, not the routine

namespace lumi::call {
namespace {

constexpr std::uint64_t kQuietBit = std::uint64_t{1} << 51;

std::uint64_t DoubleBits(const Request& request, int first) {
    return std::uint64_t{request.slots[first + 1]} << 32 | request.slots[first];
}

// A signalling NaN comes back quiet: loading it onto the x87 stack sets the bit.
std::uint64_t Loaded(std::uint64_t bits) { return std::isnan(std::bit_cast<double>(bits)) ? bits | kQuietBit : bits; }

std::string Got(const ExportEntry& entry, const Outcome& outcome) { return ", got " + ResultWords(entry, outcome); }

AnswerCheck Compared(bool same, std::string expected, const ExportEntry& entry, const Outcome& outcome) {
    return {true, same ? "" : "expected " + expected + Got(entry, outcome)};
}

std::uint64_t ResultBits(const Outcome& outcome) {
    return LeftOneValue(outcome) ? std::bit_cast<std::uint64_t>(outcome.record.ResultAsDouble()) : ~std::uint64_t{0};
}

AnswerCheck DoubleIs(std::uint64_t bits, const ExportEntry& entry, const Outcome& outcome) {
    return Compared(LeftOneValue(outcome) && ResultBits(outcome) == bits, DoubleWords(bits), entry, outcome);
}

AnswerCheck IntegerIs(std::int32_t value, const ExportEntry& entry, const Outcome& outcome) {
    return Compared(static_cast<std::int32_t>(outcome.record.eax) == value, std::to_string(value), entry, outcome);
}

// The text a slot points at, when lumicall built it; none for a raw word.
std::optional<std::u16string_view> TextIn(const Request& request, int slot, bool& null) {
    null = request.slots[slot] == 0;
    for (int t = 0; t < kMaxRequestTexts; ++t)
        if (request.textSlot[t] == slot) {
            null = false;
            return request.texts[t];
        }
    return std::nullopt;
}

AnswerCheck ArithmeticAnswer(const Request& request, const Outcome& outcome) {
    const ExportEntry& entry = request.Entry();
    const test::ArithmeticRow* row = test::FindArithmeticRow(entry.code);
    if (row == nullptr) return {};
    const std::uint32_t* words = request.slots.data();
    if (entry.result != ValueKind::Double) return IntegerIs(row->integer(test::Frame{words}), entry, outcome);
    // The model runs with every exception masked: an unmasked one would trap here.
    const std::uint16_t masked = request.controlWord | kX87Exceptions;
    return DoubleIs(test::ReferenceDoubleBits(*row, words, masked), entry, outcome);
}

AnswerCheck ExtremeAnswer(const Request& request, const Outcome& outcome) {
    const ExportEntry& entry = request.Entry();
    // The row's a (its higher slots) against b: ties and NaNs give b.
    const std::uint64_t first = DoubleBits(request, entry.inputs[1].slot), second = DoubleBits(request, entry.inputs[0].slot);
    const double x = std::bit_cast<double>(first), y = std::bit_cast<double>(second);
    const bool takeFirst = entry.routine == Routine::MaxOf ? x > y : x < y;
    return DoubleIs(Loaded(takeFirst ? first : second), entry, outcome);
}

AnswerCheck SearchAnswer(const Request& request, const Outcome& outcome) {
    const ExportEntry& entry = request.Entry();
    // Inputs in slot order: the pattern's slot is the lower one in both rows.
    const SlotInput textInput = entry.inputs[1], patternInput = entry.inputs[0];
    bool textNull = false, patternNull = false;
    const auto text = TextIn(request, textInput.slot, textNull);
    const auto pattern = TextIn(request, patternInput.slot, patternNull);
    if ((!text && !textNull) || (!pattern && !patternNull)) return {};  // a raw pointer: nothing to model
    const std::u16string textCopy(text.value_or(u"")), patternCopy(pattern.value_or(u""));
    return IntegerIs(test::PlainSearch(textNull ? nullptr : textCopy.c_str(), patternNull ? nullptr : patternCopy.c_str()),
                     entry, outcome);
}

}  // namespace

Separators SeparatorsNow() {
    const LocaleSeparators locale = LocaleSeparatorsNow();
    return {locale.decimal, locale.time};
}

std::u16string ExpectedText(const ExportEntry& entry, const KnownAnswer& answer, Separators separators) {
    const char placeholder = entry.routine == Routine::FormatTime ? ':' : '.';
    const char16_t separator = entry.routine == Routine::FormatTime ? separators.time : separators.decimal;
    std::u16string text;
    for (const char* unit = answer.text; *unit != 0; ++unit) {
        if (*unit != placeholder) text += static_cast<char16_t>(*unit);
        else if (separator != 0) text += separator;
    }
    return text;
}

std::string AnswerMismatch(const ExportEntry& entry, const Outcome& outcome, const KnownAnswer& answer,
                           Separators separators) {
    switch (entry.result) {
        case ValueKind::Text: {
            const std::u16string expected = ExpectedText(entry, answer, separators);
            return outcome.text == expected ? "" : "expected " + QuotedText(expected) + Got(entry, outcome);
        }
        case ValueKind::Double:
            return ResultBits(outcome) == answer.bits ? "" : "expected " + DoubleWords(answer.bits) + Got(entry, outcome);
        default:
            return outcome.record.eax == static_cast<std::uint32_t>(answer.bits)
                       ? ""
                       : "expected " + std::to_string(static_cast<std::int32_t>(answer.bits)) + Got(entry, outcome);
    }
}

const KnownCase* KnownCaseFor(const Request& request) {
    const ExportEntry& entry = request.Entry();
    for (const KnownCase& known : KnownCases()) {
        if (known.code != entry.code) continue;
        bool same = true;
        for (int i = 0; same && i < entry.InputCount(); ++i) {
            const SlotInput input = entry.inputs[i];
            const KnownInput& given = known.inputs[i];
            if (input.kind == ValueKind::Text) {
                bool null = false;
                const auto text = TextIn(request, input.slot, null);
                same = given.text == nullptr ? null : text && *text == std::u16string_view(given.text);
            } else if (input.kind == ValueKind::Double) {
                same = DoubleBits(request, input.slot) == given.bits;
            } else {
                same = request.slots[input.slot] == static_cast<std::uint32_t>(given.bits);
            }
        }
        if (same) return &known;
    }
    return nullptr;
}

AnswerCheck CheckAnswer(const Request& request, const Outcome& outcome, Separators separators) {
    const ExportEntry& entry = request.Entry();
    const SlotInput input = entry.inputs[0];
    switch (entry.family) {
        case Family::TextConstant:
            return Compared(outcome.text == entry.text, QuotedText(entry.text), entry, outcome);
        case Family::NumberConstant:
            if (entry.result == ValueKind::Integer) return IntegerIs(entry.integer, entry, outcome);
            return Compared(LeftOneValue(outcome) && outcome.record.Result() == entry.real &&
                                ResultBits(outcome) == std::bit_cast<std::uint64_t>(entry.real),
                            DoubleWords(std::bit_cast<std::uint64_t>(entry.real)), entry, outcome);
        case Family::PassThrough:
            if (entry.result == ValueKind::Word)
                return Compared(outcome.record.eax == request.slots[input.slot], "0x" + Hex(request.slots[input.slot], 8) +
                                " (the word of " + SlotWords(input) + ")", entry, outcome);
            if (input.kind == ValueKind::Double) return DoubleIs(Loaded(DoubleBits(request, input.slot)), entry, outcome);
            return DoubleIs(std::bit_cast<std::uint64_t>(static_cast<double>(static_cast<std::int32_t>(request.slots[input.slot]))),
                            entry, outcome);
        case Family::Arithmetic: return ArithmeticAnswer(request, outcome);
        case Family::Formatting:
            if (entry.routine == Routine::MaxOf || entry.routine == Routine::MinOf) return ExtremeAnswer(request, outcome);
            if (entry.routine == Routine::FindText) return SearchAnswer(request, outcome);
            if (const KnownCase* known = KnownCaseFor(request)) {
                const std::optional<int> combination = CombinationOf(request.controlWord);
                const KnownAnswer* answer = combination ? known->AnswerUnder(*combination) : nullptr;
                if (answer != nullptr) return {true, AnswerMismatch(entry, outcome, *answer, separators)};
            }
            return {};
    }
    return {};
}

Request RequestWith(const ExportEntry& entry, std::span<const KnownInput> inputs, std::uint16_t controlWord,
                    std::mt19937& random) {
    std::uint32_t words[kMaxPushedSlots];
    const int count = SlotsToPush(entry);
    for (int k = 0; k < count; ++k) words[k] = static_cast<std::uint32_t>(random());
    for (int i = 0; i < entry.InputCount(); ++i) {
        const SlotInput input = entry.inputs[i];
        words[input.slot] = input.kind == ValueKind::Text ? 0 : static_cast<std::uint32_t>(inputs[i].bits);
        if (input.kind == ValueKind::Double) words[input.slot + 1] = static_cast<std::uint32_t>(inputs[i].bits >> 32);
    }
    Request request = RequestFor(entry, std::span(words, count), controlWord);
    for (int i = 0; i < entry.InputCount(); ++i)
        if (entry.inputs[i].kind == ValueKind::Text && inputs[i].text != nullptr) request.PutText(entry.inputs[i].slot, inputs[i].text);
    return request;
}

std::string InputsWords(const ExportEntry& entry, std::span<const KnownInput> inputs) {
    std::string words;
    for (int i = 0; i < entry.InputCount(); ++i) {
        const SlotInput input = entry.inputs[i];
        words += (words.empty() ? "" : ", ") + SlotWords(input) + " = ";
        if (input.kind == ValueKind::Double) words += DoubleWords(inputs[i].bits);
        else if (input.kind == ValueKind::Text) words += inputs[i].text == nullptr ? "null" : QuotedText(inputs[i].text);
        else words += std::to_string(static_cast<std::int32_t>(inputs[i].bits));
    }
    return words;
}

}  // namespace lumi::call
