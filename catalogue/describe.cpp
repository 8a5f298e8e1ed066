// A catalogue row in words. Expressions are rendered from the tree
// body_terms reads, and routine calls from the arguments it gives, so the
// words and the machine's reading agree.
#include "catalogue/describe.h"

#include <stdexcept>
#include <vector>

#include "catalogue/body_terms.h"

namespace lumi {
namespace {

// What a routine's words add after its call.
struct RoutineSuffix {
    Routine routine;
    std::string_view suffix;
};

constexpr RoutineSuffix kRoutineSuffixes[] = {{Routine::RoundToDigits, ", rounded to double"}};

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

std::string_view SuffixOf(Routine routine) {
    for (const RoutineSuffix& entry : kRoutineSuffixes)
        if (entry.routine == routine) return entry.suffix;
    return "";
}

Phrase Rendered(const BodyNode& node, const SlotNamer* namer);

Phrase SlotPhrase(const BodyNode& node, const SlotNamer* namer) {
    if (namer) return {(*namer)(node.slot)};
    return {node.text == "D" ? DoubleSlotWords(node.slot) : SingleSlotWords(node.slot)};
}

Phrase CallPhrase(const BodyNode& node, const SlotNamer* namer) {
    if (node.text != "Int32" || node.children.size() != 1) NoWords(node);
    return {Bracketed(Rendered(*node.children[0], namer)) + " wrapped to 32 bits", true};
}

// Every nested operation is bracketed, so the words show the order in which
// the x87 unit evaluates them.
Phrase Rendered(const BodyNode& node, const SlotNamer* namer) {
    switch (node.kind) {
        case BodyNode::Kind::Slot: return SlotPhrase(node, namer);
        case BodyNode::Kind::Number: return {node.text};
        case BodyNode::Kind::Call: return CallPhrase(node, namer);
        case BodyNode::Kind::Binary:
            return {Bracketed(Rendered(*node.children[0], namer)) + std::string(OperatorWords(node.text)) +
                        Bracketed(Rendered(*node.children[1], namer)),
                    true};
    }
    NoWords(node);
}

// A body that cannot be read or rendered is shown as written.
std::string ExpressionWords(const ExportEntry& entry, const SlotNamer* namer) {
    try {
        return Rendered(*ReadBody(entry.body), namer).words;
    } catch (const std::logic_error&) {
        return std::string(entry.body);
    }
}

std::string OperandWords(const Operand& from, const SlotNamer* namer) {
    if (from.slot < 0) {
        if (from.constantName.empty()) return from.constant;
        const std::u16string text(from.constant.begin(), from.constant.end());
        return from.constantName + " " + QuotedText(text);
    }
    if (namer) return (*namer)(from.slot);
    return SlotWords({static_cast<std::int8_t>(from.slot), from.kind});
}

// "FormatFixed(value = slots 0-1, digits = 2)": a pattern names itself, and a
// slot named for its parameter needs no "value = value".
std::string RoutineWords(const ExportEntry& entry, const SlotNamer* namer) {
    std::string words = std::string(RoutineName(entry.routine)) + "(";
    bool first = true;
    for (const RoutineArgument& argument : RoutineArguments(entry)) {
        const std::string from = OperandWords(argument.from, namer);
        if (!first) words += ", ";
        first = false;
        if (argument.from.constantName.empty() && argument.parameter != from)
            words += std::string(argument.parameter) + " = ";
        words += from;
    }
    return words + ")" + std::string(SuffixOf(entry.routine));
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
    const std::string words = ExpressionWords(entry, namer);
    switch (entry.result) {
        case ValueKind::Double: return words + ", rounded to double once";
        case ValueKind::Truth: return "1 if " + words + ", else 0";
        default: return words;
    }
}

}  // namespace

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
        case Family::Formatting: return RoutineWords(entry, namer);
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
