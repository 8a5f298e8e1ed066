// The catalogue rows as ExportEntry data, from the same tables as the exports.
#include "catalogue/catalogue.h"

#include <algorithm>

#include "catalogue/texts.h"
#include "values/format_time.h"

namespace lumi {
namespace {

using Inputs = std::array<SlotInput, kMaxInputs>;

constexpr Inputs Sorted(Inputs inputs) {
    std::sort(inputs.begin(), inputs.end(), [](SlotInput a, SlotInput b) {
        if (a.slot < 0 || b.slot < 0) return b.slot < 0 && a.slot >= 0;
        return a.slot < b.slot;
    });
    return inputs;
}

constexpr Inputs ReadsNothing() { return {}; }
constexpr Inputs Reads(SlotInput a) { return {a}; }
constexpr Inputs Reads(SlotInput a, SlotInput b) { return Sorted({a, b}); }

constexpr SlotInput DoubleAt(int slot) { return {static_cast<std::int8_t>(slot), ValueKind::Double}; }
constexpr SlotInput IntegerAt(int slot) { return {static_cast<std::int8_t>(slot), ValueKind::Integer}; }
constexpr SlotInput WordAt(int slot) { return {static_cast<std::int8_t>(slot), ValueKind::Word}; }
constexpr SlotInput TextAt(int slot) { return {static_cast<std::int8_t>(slot), ValueKind::Text}; }
constexpr SlotInput TimeAt(int slot) { return {static_cast<std::int8_t>(slot), ValueKind::HostTime}; }

// A routine's argument: read from a slot, or fixed by the row.
constexpr ArgumentSource FromSlot(int slot) {
    return {.kind = ArgumentSource::Kind::Slot, .slot = static_cast<std::int8_t>(slot)};
}
constexpr ArgumentSource FromNumber(std::int32_t number) {
    return {.kind = ArgumentSource::Kind::Number, .number = number};
}
constexpr ArgumentSource FromPattern(const char16_t* pattern, std::string_view name) {
    return {.kind = ArgumentSource::Kind::Pattern, .pattern = pattern, .patternName = name};
}
constexpr ArgumentSource FromDigits(Slot from) { return FromSlot(from.index); }
constexpr ArgumentSource FromDigits(Constant from) { return FromNumber(from.value); }

// A digits argument read from a slot is one of the row's inputs.
constexpr SlotInput DigitsInput(Slot from) { return IntegerAt(from.index); }
constexpr SlotInput DigitsInput(Constant) { return {}; }

// Runs an expression row over a frame that notes which slots it reads.
class InputRecorder {
public:
    constexpr long double Double(int k) { Note(DoubleAt(k)); return 1.0L; }
    constexpr std::int32_t Int(int k) { Note(IntegerAt(k)); return 1; }
    constexpr ValueSlot Word(int k) { Note(IntegerAt(k)); return 1; }
    constexpr Inputs Read() const { return Sorted(inputs_); }

private:
    constexpr void Note(SlotInput input) {
        for (int i = 0; i < count_; ++i)
            if (inputs_[i].slot == input.slot) return;
        inputs_[count_++] = input;
    }
    Inputs inputs_{};
    int count_ = 0;
};

template <class Expression>
constexpr Inputs RecordInputs(Expression expression) {
    InputRecorder slots;
    expression(slots);
    return slots.Read();
}

constexpr ExportEntry kCatalogue[] = {
#define TEXT_CONSTANT(code_, n, name)                                                   \
    {.code = #code_, .family = Family::TextConstant, .convention = CalleePops,         \
     .slots = n, .inputs = ReadsNothing(), .result = ValueKind::Text,                 \
     .routine = Routine::None, .body = #name, .text = text::name},
#define INTEGER_CONSTANT(code_, n, value)                                               \
    {.code = #code_, .family = Family::NumberConstant, .convention = CalleePops,       \
     .slots = n, .inputs = ReadsNothing(), .result = ValueKind::Integer,              \
     .routine = Routine::None, .body = #value, .integer = value},
#define DOUBLE_CONSTANT(code_, n, value)                                                \
    {.code = #code_, .family = Family::NumberConstant, .convention = CalleePops,       \
     .slots = n, .inputs = ReadsNothing(), .result = ValueKind::Double,               \
     .routine = Routine::None, .body = #value, .real = value},

#define LUMI_PASS_ROW(code_, n, input, kind)                                            \
    {.code = #code_, .family = Family::PassThrough, .convention = CalleePops,          \
     .slots = n, .inputs = Reads(input), .result = kind, .routine = Routine::None},
#define PASS_SLOT(code_, n, slot) LUMI_PASS_ROW(code_, n, WordAt(slot), ValueKind::Word)
#define PASS_DOUBLE(code_, n, first) LUMI_PASS_ROW(code_, n, DoubleAt(first), ValueKind::Double)
#define WIDEN_SLOT(code_, n, slot) LUMI_PASS_ROW(code_, n, IntegerAt(slot), ValueKind::Double)

// The body is stringified by the row macros themselves: passed on, the
// expression would arrive with D(k) and the other terms already expanded.
#define LUMI_EXPRESSION_ROW(code_, n, expression, text, kind)                           \
    {.code = #code_, .family = Family::Arithmetic, .convention = CalleePops,           \
     .slots = n, .inputs = RecordInputs([](auto& slots) { return expression; }),      \
     .result = kind, .routine = Routine::None, .body = text},
#define DOUBLE_EXPRESSION(code_, n, expression) \
    LUMI_EXPRESSION_ROW(code_, n, expression, #expression, ValueKind::Double)
#define INTEGER_EXPRESSION(code_, n, expression) \
    LUMI_EXPRESSION_ROW(code_, n, expression, #expression, ValueKind::Integer)
#define TRUTH_EXPRESSION(code_, n, expression) \
    LUMI_EXPRESSION_ROW(code_, n, expression, #expression, ValueKind::Truth)

#define LUMI_ROUTINE_ROW(code_, convention_, n, inputs_, kind, routine_, ...)              \
    {.code = #code_, .family = Family::Formatting, .convention = convention_,            \
     .slots = n, .inputs = inputs_, .result = kind, .routine = Routine::routine_,       \
     .arguments = {__VA_ARGS__}},
#define NUMBER_TO_TEXT(code_, convention, n, value, digits)                               \
    LUMI_ROUTINE_ROW(code_, convention, n, Reads(DoubleAt(value), DigitsInput(digits)),   \
                     ValueKind::Text, FormatFixed, FromSlot(value), FromDigits(digits))
#define TIME_TO_TEXT(code_, highest, time, pattern)                                       \
    LUMI_ROUTINE_ROW(code_, CallerPops, highest, Reads(TimeAt(time)), ValueKind::Text,    \
                     FormatTime, FromSlot(time), FromPattern(pattern, #pattern))
#define ROUND_TO_DIGITS(code_, n, value, digits)                                          \
    LUMI_ROUTINE_ROW(code_, CalleePops, n, Reads(DoubleAt(value), DigitsInput(digits)),   \
                     ValueKind::Double, RoundToDigits, FromSlot(value), FromDigits(digits))
#define LARGER_OF(code_, n, a, b)                                                         \
    LUMI_ROUTINE_ROW(code_, CalleePops, n, Reads(DoubleAt(a), DoubleAt(b)),               \
                     ValueKind::Double, MaxOf, FromSlot(a), FromSlot(b))
#define SMALLER_OF(code_, n, a, b)                                                        \
    LUMI_ROUTINE_ROW(code_, CalleePops, n, Reads(DoubleAt(a), DoubleAt(b)),               \
                     ValueKind::Double, MinOf, FromSlot(a), FromSlot(b))
#define FIND_TEXT(code_, n, text, pattern)                                                \
    LUMI_ROUTINE_ROW(code_, CalleePops, n, Reads(TextAt(text), TextAt(pattern)),          \
                     ValueKind::Integer, FindText, FromSlot(text), FromSlot(pattern),     \
                     FromNumber(kSearchStart))

#include "catalogue/expression_terms.h"
#include "catalogue/rows.def"
#include "catalogue/expression_terms_end.h"
#undef LUMI_PASS_ROW
#undef LUMI_EXPRESSION_ROW
#undef LUMI_ROUTINE_ROW
};

static_assert(std::size(kCatalogue) == kExportCount, "every row is counted");

constexpr TextEntry kTexts[] = {
#define TEXT(name, units, literal) {#name, units, text::name},
#include "catalogue/texts.def"
#undef TEXT
};

}  // namespace

std::span<const ExportEntry> Catalogue() { return kCatalogue; }
std::span<const TextEntry> Texts() { return kTexts; }

const ExportEntry* FindEntry(std::string_view code) {
    for (const ExportEntry& entry : kCatalogue)
        if (entry.code == code) return &entry;
    return nullptr;
}

namespace {

struct FamilyWords {
    std::string_view name;
    std::string_view heading;
};

constexpr FamilyWords kFamilyWords[] = {
#define FAMILY(id, name, heading, ...) {name, heading},
#include "catalogue/families.def"
};

}  // namespace

std::string_view FamilyName(Family family) { return kFamilyWords[static_cast<std::size_t>(family)].name; }
std::string_view FamilyHeading(Family family) { return kFamilyWords[static_cast<std::size_t>(family)].heading; }

std::string_view KindName(ValueKind kind) {
    switch (kind) {
        case ValueKind::Word: return "word";
        case ValueKind::Integer: return "integer";
        case ValueKind::Truth: return "truth";
        case ValueKind::Double: return "double";
        case ValueKind::Text: return "text";
        case ValueKind::HostTime: return "time";
    }
    return "?";
}

std::string_view RoutineName(Routine routine) {
    switch (routine) {
        case Routine::None: return "";
        case Routine::FormatFixed: return "FormatFixed";
        case Routine::FormatTime: return "FormatTime";
        case Routine::RoundToDigits: return "RoundToDigits";
        case Routine::MaxOf: return "MaxOf";
        case Routine::MinOf: return "MinOf";
        case Routine::FindText: return "FindText";
    }
    return "?";
}

}  // namespace lumi
