#include "tools/lumicall/call_batch.h"

#include <cstdio>

#include "catalogue/describe.h"

namespace lumi::call {
namespace {

const SlotText* TextAt(const CallRequest& request, int slot) {
    for (const SlotText& text : request.texts)
        if (text.slot == slot) return &text;
    return nullptr;
}

// Days since 1970-01-01 as a proleptic Gregorian date (Howard Hinnant's
// civil_from_days).
void CivilFromDays(std::int64_t days, int& year, unsigned& month, unsigned& day) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned shifted = (5 * dayOfYear + 2) / 153;
    day = dayOfYear - (153 * shifted + 2) / 5 + 1;
    month = shifted < 10 ? shifted + 3 : shifted - 9;
    year = static_cast<int>(yearOfEra + era * 400 + (month <= 2));
}

}  // namespace

std::string UtcWords(std::int32_t seconds) {
    constexpr std::int64_t kSecondsPerDay = 86400;
    const std::int64_t all = seconds;
    const std::int64_t days = (all >= 0 ? all : all - (kSecondsPerDay - 1)) / kSecondsPerDay;
    const std::int64_t ofDay = all - days * kSecondsPerDay;
    int year = 0;
    unsigned month = 0, day = 0;
    CivilFromDays(days, year, month, day);
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u %02d:%02d:%02d", year, month, day, static_cast<int>(ofDay / 3600),
                  static_cast<int>(ofDay / 60 % 60), static_cast<int>(ofDay % 60));
    return text;
}

std::string RequestInputsWords(const CallRequest& request) {
    const ExportEntry& entry = *request.entry;
    std::string words;
    for (int i = 0; i < entry.InputCount(); ++i) {
        const SlotInput input = entry.inputs[i];
        const std::uint32_t word = request.slots[input.slot];
        words += (words.empty() ? "" : ", ") + SlotWords(input) + " = ";
        switch (input.kind) {
            case ValueKind::Double:
                words += DoubleWords(std::uint64_t{request.slots[input.slot + 1]} << 32 | word);
                break;
            case ValueKind::Text: {
                const SlotText* text = TextAt(request, input.slot);
                words += text == nullptr ? "0x" + Hex(word, 8) : text->text ? QuotedText(*text->text) : "null";
                break;
            }
            case ValueKind::HostTime:
                words += std::to_string(static_cast<std::int32_t>(word)) + " (" + UtcWords(static_cast<std::int32_t>(word)) + ")";
                break;
            case ValueKind::Word: words += "0x" + Hex(word, 8); break;
            default: words += std::to_string(static_cast<std::int32_t>(word)); break;
        }
    }
    return words.empty() ? "no inputs" : words;
}

std::string AnswerWords(const ExportEntry& entry, const Outcome& outcome) {
    const std::uint16_t pending = outcome.fault ? 0 : outcome.record.UnmaskedFlags();
    return ResultWords(entry, outcome) + (pending == 0 ? "" : ", left " + X87ExceptionWords(pending) + " pending");
}

bool SameOutcome(const ExportEntry& entry, const Outcome& a, const Outcome& b) {
    if (RaisedUnmasked(a) || RaisedUnmasked(b))
        return RaisedUnmasked(a) && RaisedUnmasked(b) && a.fault->code == b.fault->code;
    return SameAnswer(entry, a, b) && a.record.UnmaskedFlags() == b.record.UnmaskedFlags();
}

std::vector<Outcome> RunCalls(const Library& library, std::span<const CallRequest> requests) {
    std::vector<Outcome> outcomes;
    outcomes.reserve(requests.size());
    std::vector<std::uint32_t> slots;
    for (const CallRequest& request : requests) {
        slots = request.slots;
        for (const SlotText& text : request.texts)
            slots[text.slot] = text.text ? static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(text.text->c_str())) : 0;
        outcomes.push_back(CallExport(library.Export(request.entry->code), *request.entry, slots, request.controlWord));
    }
    return outcomes;
}

}  // namespace lumi::call
