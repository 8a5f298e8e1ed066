// A catalogue row in words. Expression and routine bodies are rendered from
// the tree body_terms reads, so the words and the machine's reading agree.
#include "catalogue/describe.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <stdexcept>
#include <vector>

#include "catalogue/body_terms.h"

namespace lumi {
namespace {

// What a routine's words add after its call.
struct RoutineSuffix {
    std::string_view name;
    std::string_view suffix;
};

constexpr RoutineSuffix kRoutineSuffixes[] = {{"RoundToDigits", ", rounded to double"}};

std::string DoubleSlotWords(int first) {
    return "slots " + std::to_string(first) + "-" + std::to_string(first + 1);
}

std::string SingleSlotWords(int slot) { return "slot " + std::to_string(slot); }

struct Phrase {
    std::string words;
    bool compound = false;  // an operation: bracketed where it is an operand
};

std::string Bracketed(const Phrase& phrase) {
    return phrase.compound ? "(" + phrase.words + ")" : phrase.words;
}

[[noreturn]] void NoWords(const BodyNode& node) { throw std::logic_error("no words for " + node.text); }

Phrase Rendered(const BodyNode& node, const SlotNamer* namer);

Phrase SlotPhrase(const BodyNode& node, const SlotNamer* namer) {
    if (namer) return {(*namer)(node.slot)};
    return {node.text == "D" ? DoubleSlotWords(node.slot) : SingleSlotWords(node.slot)};
}

Phrase PatternPhrase(const BodyNode& node) {
    const char16_t* text = PatternTextOf(node.text);
    if (text == nullptr) NoWords(node);
    return {node.text + " " + QuotedText(text)};
}

std::string_view SuffixOf(std::string_view routine) {
    for (const RoutineSuffix& entry : kRoutineSuffixes)
        if (entry.name == routine) return entry.suffix;
    return "";
}

Phrase CallPhrase(const BodyNode& node, const SlotNamer* namer) {
    std::vector<Phrase> arguments;
    for (const auto& child : node.children) arguments.push_back(Rendered(*child, namer));
    if (arguments.size() == 1 && node.text == "Constant") return arguments[0];
    if (arguments.size() == 1 && node.text == "Int32") return {Bracketed(arguments[0]) + " wrapped to 32 bits", true};
    const std::span<const std::string_view> parameters = RoutineParameterNames(node.text);
    if (parameters.empty()) NoWords(node);
    std::string words = node.text + "(";
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (i > 0) words += ", ";
        // A pattern names itself, and a slot named for its parameter needs no "value = value".
        if (i < parameters.size() && !parameters[i].empty() && node.children[i]->kind != BodyNode::Kind::Pattern &&
            parameters[i] != arguments[i].words)
            words += std::string(parameters[i]) + " = ";
        words += arguments[i].words;
    }
    return {words + ")" + std::string(SuffixOf(node.text))};
}

// Every nested operation is bracketed, so the words show the order in which
// the x87 unit evaluates them.
Phrase Rendered(const BodyNode& node, const SlotNamer* namer) {
    switch (node.kind) {
        case BodyNode::Kind::Slot: return SlotPhrase(node, namer);
        case BodyNode::Kind::Number: return {node.text};
        case BodyNode::Kind::Pattern: return PatternPhrase(node);
        case BodyNode::Kind::Call: return CallPhrase(node, namer);
        case BodyNode::Kind::Binary:
            return {Bracketed(Rendered(*node.children[0], namer)) + std::string(OperatorWords(node.text)) +
                        Bracketed(Rendered(*node.children[1], namer)),
                    true};
    }
    NoWords(node);
}

// A body that cannot be read or rendered is shown as written.
std::string RenderedBody(const ExportEntry& entry, const SlotNamer* namer) {
    try {
        return Rendered(*ReadBody(entry.body), namer).words;
    } catch (const std::logic_error&) {
        return std::string(entry.body);
    }
}

std::string PassThroughWords(const ExportEntry& entry, const SlotNamer* namer) {
    const SlotInput input = entry.inputs[0];
    const std::string slot = namer ? (*namer)(input.slot) : SlotWords(input);
    switch (input.kind) {
        case ValueKind::Double: return namer ? slot + " unchanged" : "double of " + slot;
        case ValueKind::Integer: return slot + " widened to double";
        default: return slot + " unchanged";
    }
}

std::string ArithmeticWords(const ExportEntry& entry, const SlotNamer* namer) {
    const std::string words = RenderedBody(entry, namer);
    switch (entry.result) {
        case ValueKind::Double: return words + ", rounded to double once";
        case ValueKind::Truth: return "1 if " + words + ", else 0";
        default: return words;
    }
}

// ---- Which inputs may raise ------------------------------------------------------------

// Doubles are kept as their bits: an x87 load would quieten a signalling NaN.
std::uint64_t DoubleBitsIn(std::span<const std::uint32_t> slots, int first) {
    if (first < 0 || first + 1 >= static_cast<int>(slots.size())) return 0;
    return std::uint64_t{slots[first + 1]} << 32 | slots[first];
}

constexpr std::uint64_t kExponent = 0x7FF0000000000000, kFraction = 0x000FFFFFFFFFFFFF, kQuiet = 0x0008000000000000;

bool IsNan(std::uint64_t bits) { return (bits & kExponent) == kExponent && (bits & kFraction) != 0; }
bool IsSignalling(std::uint64_t bits) { return IsNan(bits) && !(bits & kQuiet); }
bool IsInfinite(std::uint64_t bits) { return (bits & ~(std::uint64_t{1} << 63)) == kExponent; }
bool IsZero(std::uint64_t bits) { return (bits & ~(std::uint64_t{1} << 63)) == 0; }
// |value| from its bits, for a value neither NaN nor infinite.
double Magnitude(std::uint64_t bits) { return std::bit_cast<double>(bits & ~(std::uint64_t{1} << 63)); }

// Far from 1 in magnitude: a handful of operations on such values may leave
// the double range (2^±255, four of them multiplied, still lie within it).
bool Extreme(std::uint64_t bits) {
    if (IsInfinite(bits)) return true;
    if (IsNan(bits) || IsZero(bits)) return false;
    return Magnitude(bits) >= 0x1p255 || Magnitude(bits) <= 0x1p-255;
}

std::vector<std::uint64_t> DoubleInputs(const ExportEntry& entry, std::span<const std::uint32_t> slots) {
    std::vector<std::uint64_t> values;
    for (int i = 0; i < entry.InputCount(); ++i)
        if (entry.inputs[i].kind == ValueKind::Double) values.push_back(DoubleBitsIn(slots, entry.inputs[i].slot));
    return values;
}

std::uint16_t NothingListed(const ExportEntry&, std::span<const std::uint32_t>) { return 0; }

std::uint16_t PassThroughListed(const ExportEntry& entry, std::span<const std::uint32_t> slots) {
    for (std::uint64_t value : DoubleInputs(entry, slots))
        if (IsSignalling(value)) return kInvalidOperation;
    return 0;
}

std::uint16_t ArithmeticListed(const ExportEntry& entry, std::span<const std::uint32_t> slots) {
    const bool divides = entry.body.find('/') != std::string_view::npos;
    std::uint16_t listed = 0;
    for (std::uint64_t value : DoubleInputs(entry, slots)) {
        if (IsSignalling(value) || (IsNan(value) && entry.result == ValueKind::Truth)) listed |= kInvalidOperation;
        if (IsInfinite(value)) listed |= kInvalidOperation;  // zero times it, or it minus itself
        if (Extreme(value)) listed |= kOverflow | (divides ? kDivisionByZero : 0);
        if (divides && IsZero(value)) listed |= kDivisionByZero | kInvalidOperation;  // 0 / 0
    }
    return listed;
}

std::uint16_t FormattingListed(const ExportEntry& entry, std::span<const std::uint32_t> slots) {
    const std::vector<std::uint64_t> values = DoubleInputs(entry, slots);
    bool nan = false, signalling = false;
    for (std::uint64_t value : values) {
        nan |= IsNan(value);
        signalling |= IsSignalling(value);
    }
    switch (entry.routine) {
        case Routine::FormatFixed:
        case Routine::RoundToDigits: return signalling ? kInvalidOperation : 0;
        case Routine::MaxOf:
        case Routine::MinOf: return nan ? kInvalidOperation : 0;
        default: return 0;
    }
}

// Whether a row computes on doubles: the page lets any such row raise
// precision, underflow and denormal operand.
bool ComputesOnDoubles(const ExportEntry& entry) {
    if (entry.result == ValueKind::Double && entry.family != Family::NumberConstant) return true;
    for (int i = 0; i < entry.InputCount(); ++i)
        if (entry.inputs[i].kind == ValueKind::Double || entry.inputs[i].kind == ValueKind::HostTime) return true;
    return false;
}

struct FamilyWords {
    Family family;
    std::string_view heading;
    std::string_view exceptions;  // the inputs that may raise one the caller has unmasked...
    std::uint16_t (*listed)(const ExportEntry&, std::span<const std::uint32_t>);  // ...and those inputs' exceptions
};

constexpr FamilyWords kFamilies[] = {
    {Family::TextConstant, "Text constants", "None: no floating-point work.", NothingListed},
    {Family::NumberConstant, "Number constants", "None: 0.0 and 1.0 are the unit's own constants.", NothingListed},
    {Family::PassThrough, "Pass-through",
     "A signalling NaN in the slots of a double, as it is loaded (invalid operation). "
     "Words and the widened integer raise nothing.",
     PassThroughListed},
    {Family::Arithmetic, "Arithmetic and comparison",
     "A signalling NaN operand (invalid operation); a NaN in slots 2-3 of the truth test, whose "
     "comparison signals (invalid operation); a zero divisor (division by zero; 0 / 0 is an invalid "
     "operation); zero times an infinity, or an infinity minus itself (invalid operation); a result "
     "beyond the double range (overflow). The integer times ten has no floating-point step.",
     ArithmeticListed},
    {Family::Formatting, "Formatting, rounding and search",
     "Number to text and rounding: a signalling NaN value (invalid operation). Larger and smaller of "
     "two: a NaN in either operand, whose comparison signals (invalid operation). Time to text and "
     "search: nothing.",
     FormattingListed},
};

}  // namespace

std::string_view FamilyHeading(Family family) {
    for (const FamilyWords& words : kFamilies)
        if (words.family == family) return words.heading;
    return FamilyName(family);
}

std::string_view UnmaskedExceptionWords(Family family) {
    for (const FamilyWords& words : kFamilies)
        if (words.family == family) return words.exceptions;
    return "";
}

bool RaiseListed(const ExportEntry& entry, std::span<const std::uint32_t> slots, std::uint16_t raised) {
    std::uint16_t listed = ComputesOnDoubles(entry) ? kInexactResult | kUnderflow | kDenormalOperand : 0;
    for (const FamilyWords& words : kFamilies)
        if (words.family == entry.family) listed |= words.listed(entry, slots);
    return (raised & ~listed) == 0;
}

std::string_view ConventionWords(Convention convention) {
    return convention == Convention::CalleePops ? "callee-pops" : "caller-pops";
}

int SlotsToPush(const ExportEntry& entry) {
    return entry.convention == Convention::CalleePops ? entry.slots : entry.slots + 1;
}

std::string SlotCountWords(const ExportEntry& entry) {
    if (entry.convention == Convention::CallerPops) return "at least " + std::to_string(SlotsToPush(entry));
    return entry.slots == 0 ? "none" : std::to_string(entry.slots);
}

std::string SlotWords(SlotInput input) {
    return input.kind == ValueKind::Double ? DoubleSlotWords(input.slot) : SingleSlotWords(input.slot);
}

std::string InputWords(const ExportEntry& entry) {
    std::string words;
    for (int i = 0; i < entry.InputCount(); ++i) {
        const SlotInput input = entry.inputs[i];
        if (i > 0) words += ", ";
        words += std::to_string(input.slot);
        if (input.kind == ValueKind::Double) words += "-" + std::to_string(input.slot + 1);
        words += " " + std::string(KindName(input.kind));
    }
    return words.empty() ? "none" : words;
}

std::string_view ResultWords(const ExportEntry& entry) {
    return entry.result == ValueKind::Truth ? "truth value" : KindName(entry.result);
}

std::string BodyWords(const ExportEntry& entry) { return BodyWords(entry, nullptr); }

std::string BodyWords(const ExportEntry& entry, const SlotNamer* namer) {
    switch (entry.family) {
        case Family::TextConstant: return QuotedText(entry.text);
        case Family::NumberConstant: return std::string(entry.body);
        case Family::PassThrough: return PassThroughWords(entry, namer);
        case Family::Arithmetic: return ArithmeticWords(entry, namer);
        case Family::Formatting: return RenderedBody(entry, namer);
    }
    return std::string(entry.body);
}

void AppendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | code >> 6);
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | code >> 12);
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | code >> 18);
        out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

std::string QuotedText(std::u16string_view text) {
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        const bool pairs = unit >= 0xD800 && unit < 0xDC00 && i + 1 < text.size() &&
                           text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000;
        if (unit == u'\n') {
            out += "\\n";
        } else if (unit == u'\t') {
            out += "\\t";
        } else if (unit == u'"' || unit == u'\\') {
            out += '\\';
            out += static_cast<char>(unit);
        } else if (pairs) {
            AppendUtf8(out, 0x10000 + ((char32_t{unit} - 0xD800) << 10) + (text[++i] - 0xDC00));
        } else if (unit < 0x20 || unit == 0x7F || (unit >= 0xD800 && unit < 0xE000)) {
            static constexpr char kHex[] = "0123456789ABCDEF";
            out += "\\u";
            for (int shift = 12; shift >= 0; shift -= 4) out += kHex[unit >> shift & 0xF];
        } else {
            AppendUtf8(out, unit);
        }
    }
    return out + "\"";
}

}  // namespace lumi
