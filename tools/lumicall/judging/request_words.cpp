#include "tools/lumicall/judging/request_words.h"

#include <cstdio>

#include "catalogue/describe.h"

namespace lumi::call {
namespace {

// The text the request points `slot` at, if it points it at one.
const std::u16string_view* TextAt(const Request& request, int slot) {
    for (int i = 0; i < kMaxRequestTexts; ++i)
        if (request.textSlot[i] == slot) return &request.texts[i];
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

std::string RequestInputsWords(const Request& request) {
    const ExportEntry& entry = request.Entry();
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
                const std::u16string_view* text = TextAt(request, input.slot);
                words += text != nullptr ? QuotedText(*text) : word == 0 ? "null" : "0x" + Hex(word, 8);
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
    if (RaisedBits(a) != RaisedBits(b)) return false;
    if (RaisedUnmasked(a) || RaisedUnmasked(b))
        return RaisedUnmasked(a) && RaisedUnmasked(b) && a.fault->code == b.fault->code;
    return SameAnswer(entry, a, b);
}


}  // namespace lumi::call
