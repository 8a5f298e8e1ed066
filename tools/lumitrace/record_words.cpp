#include "tools/lumitrace/record_words.h"

#include <bit>
#include <cstdio>

#include "catalogue/describe.h"
#include "tools/words/hex.h"
#include "tools/words/shortest_double.h"

namespace lumi::tracetool {
namespace {

using call::Hex;

std::string SlotsWords(const SlotInput& input) {
    return input.kind == ValueKind::Double ? "slots " + std::to_string(input.slot) + "-" + std::to_string(input.slot + 1)
                                           : "slot " + std::to_string(input.slot);
}

std::string SlotValueWords(const trace::Record& record, const SlotInput& input) {
    const auto slot = static_cast<std::size_t>(input.slot);
    if (input.kind == ValueKind::Text) {
        const trace::Text* text = record.TextOf(input.slot);
        return text != nullptr ? TextWords(*text) : "(no text recorded)";
    }
    if (slot >= record.slots.size() || (input.kind == ValueKind::Double && slot + 1 >= record.slots.size()))
        return "(not recorded)";
    if (input.kind == ValueKind::Double)
        return ShortestDouble(static_cast<std::uint64_t>(record.slots[slot + 1]) << 32 | record.slots[slot]);
    return std::to_string(static_cast<std::int32_t>(record.slots[slot]));
}

}  // namespace

std::string Utf8(std::u16string_view units) {
    std::string out;
    out.reserve(units.size());
    for (std::size_t i = 0; i < units.size(); ++i) {
        const char16_t unit = units[i];
        const bool high = unit >= 0xD800 && unit <= 0xDBFF, low = unit >= 0xDC00 && unit <= 0xDFFF;
        if (high && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((unit - 0xD800u) << 10) + (units[i + 1] - 0xDC00u));
            ++i;
        } else {
            AppendUtf8(out, high || low ? 0xFFFD : unit);
        }
    }
    return out;
}

std::string ShortestDouble(std::uint64_t bits) { return call::ShortestDouble(std::bit_cast<double>(bits)); }

std::string TextWords(const trace::Text& text) {
    using State = trace::Text::State;
    switch (text.state) {
        case State::Null: return trace::format::kNullWord;
        case State::Unread: return trace::format::kUnreadWord;
        case State::Unreadable: return trace::format::kUnreadableWord;
        case State::Whole: return "\"" + Utf8(text.units) + "\"";
        case State::Cut: return "\"" + Utf8(text.units) + "...\" (cut at " + std::to_string(text.units.size()) + " units)";
    }
    return "";
}

std::string InputsWords(const trace::Record& record, const ExportEntry* entry) {
    std::string words;
    auto add = [&words](const std::string& part) { words += (words.empty() ? "" : ", ") + part; };
    if (entry == nullptr) {
        for (const trace::SlotText& text : record.texts) add("slot " + std::to_string(text.slot) + " = " + TextWords(text.text));
        return words;
    }
    for (int i = 0; i < entry->InputCount(); ++i)
        add(SlotsWords(entry->inputs[static_cast<std::size_t>(i)]) + " = " +
            SlotValueWords(record, entry->inputs[static_cast<std::size_t>(i)]));
    return words;
}

std::string ResultWords(const trace::Record& record) {
    if (!record.result) return "no answer";
    const trace::Result& result = *record.result;
    const auto eax = static_cast<std::uint32_t>(result.bits);
    switch (result.kind) {
        case trace::ResultKind::Text: return "text " + TextWords(result.text);
        case trace::ResultKind::Double:
            if (result.notADouble) return "x87 " + Hex(result.x87High, 4) + Hex(result.x87Low, 16) + ", not a double";
            return "double " + ShortestDouble(result.bits) + " (" + Hex(result.bits, 16) + ")";
        case trace::ResultKind::Word: return "word " + std::to_string(eax) + " (" + Hex(eax, 8) + ")";
        case trace::ResultKind::Integer: return "integer " + std::to_string(static_cast<std::int32_t>(eax));
    }
    return "";
}

std::string SecondsWords(const trace::Header& header, std::uint64_t ticks) {
    const auto seconds = trace::SecondsOf(header, ticks);
    if (!seconds) return "-";
    char text[40];
    std::snprintf(text, sizeof text, "%.6f s", *seconds);
    return text;
}

}  // namespace lumi::tracetool

namespace lumi::tracetool {

std::string RecordLine(const trace::Record& record, const ExportEntry* entry, const trace::Header& header) {
    std::string line = "seq " + std::to_string(record.seq) + "  thread " + std::to_string(record.thread) + "  " +
                       SecondsWords(header, record.ticks) + "  " + record.code + "  cw " + Hex(record.controlWord, 4) +
                       "  from " + Hex(record.returnAddress, 8) + "  slots";
    for (std::uint32_t word : record.slots) line += " " + Hex(word, 8);
    if (record.slots.empty()) line += " none";
    const std::string inputs = InputsWords(record, entry);
    if (!inputs.empty()) line += "  " + inputs;
    return line + "  ->  " + ResultWords(record);
}

}  // namespace lumi::tracetool
