#include "tools/lumicall/judging/findings.h"

#include <windows.h>

#include <bit>
#include <cstdio>
#include <stdexcept>

#include "catalogue/describe.h"
#include "values/format_time.h"
#include "tools/lumicall/judging/contract.h"
#include "tools/lumicall/judging/answers.h"
#include "tools/lumicall/worker/system.h"

namespace lumi::call {
namespace {

constexpr std::uint16_t kExtendedWord = 0x037F;  // 64-bit precision, to nearest

// The separator a text shows between `before` and `after`: none when they
// stand side by side, unknown when the text is not of that shape.
std::optional<char16_t> SeparatorBetween(const std::u16string& text, char16_t before, char16_t after) {
    if (text.size() == 2 && text[0] == before && text[1] == after) return u'\0';
    if (text.size() == 3 && text[0] == before && text[2] == after) return text[1];
    return std::nullopt;
}

}  // namespace

void Findings::Say(const std::string& text) {
    Print(text);
    std::fflush(stdout);
    said_ += text;
}

void Findings::Say(const std::string& console, const std::string& report) {
    Print(console);
    std::fflush(stdout);
    said_ += report;
}

std::string Findings::Ending(std::size_t shown, const std::string& verdict, std::string_view command) const {
    std::string text;
    if (!failures_.empty()) {
        text += "\n" + std::to_string(failures_.size()) + (failures_.size() == 1 ? " failure" : " failures") +
                (excuse_.empty() ? "" : ", not the DLL's to answer for (" + excuse_ + ")") + ":\n";
        for (std::size_t i = 0; i < failures_.size() && i < shown; ++i) text += "  " + failures_[i] + "\n";
        if (failures_.size() > shown)
            text += "  ... and " + std::to_string(failures_.size() - shown) + " more: lumicall " + std::string(command) +
                    " --report FILE writes them all\n";
    }
    return text + "\n" + verdict + "\n";
}

void CallLog::NoteBreaches(std::string_view code, const std::vector<std::string>& breaches,
                           const std::function<std::string()>& where) {
    if (breaches.empty()) return;
    ++breakingCalls_;
    for (const std::string& breach : breaches) {
        const auto found = breaches_.find({code, breach});
        if (found != breaches_.end()) {
            ++found->second.times;
        } else if (++breachesOf_[code] <= kBreachesKeptPerExport) {
            breaches_.emplace(std::pair{code, breach}, Seen{where(), 1});
        }
    }
}

void CallLog::NoteDifference(std::string_view code, const std::function<std::string()>& words) {
    if (++differencesOf_[code] <= kDifferencesKeptPerExport) differences_.push_back(std::string(code) + "  " + words());
}

std::size_t CallLog::Differences() const {
    std::size_t all = 0;
    for (const auto& [code, count] : differencesOf_) all += count;
    return all;
}

std::vector<std::string> CallLog::BreachLines(std::string_view who) const {
    std::vector<std::string> lines;
    for (const auto& [key, seen] : breaches_)
        lines.push_back(std::string(key.first) + "  " + std::string(who) + " broke its contract: " + key.second +
                        ", first " + seen.first + (seen.times > 1 ? " (" + std::to_string(seen.times) + " calls)" : ""));
    for (const auto& [code, count] : breachesOf_)
        if (count > kBreachesKeptPerExport)
            lines.push_back(std::string(code) + "  and " + std::to_string(count - kBreachesKeptPerExport) +
                            " more kinds of broken contract");
    return lines;
}

std::vector<std::string> CallLog::DifferenceLines() const {
    std::vector<std::string> lines = differences_;
    for (const auto& [code, count] : differencesOf_)
        if (count > kDifferencesKeptPerExport)
            lines.push_back(std::string(code) + "  and " + std::to_string(count - kDifferencesKeptPerExport) +
                            " more calls answered otherwise");
    return lines;
}

std::string Line(std::string_view label, const std::string& text) {
    constexpr std::size_t kLabelWidth = 15;
    std::string line = "  " + std::string(label);
    line.resize(2 + kLabelWidth, ' ');
    return line + text + "\n";
}

ReportFile::ReportFile(const std::string& path) : path_(path) {
    if (path.empty()) return;
    handle_ = CreateFileW(Widened(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                          nullptr);
    if (handle_ == INVALID_HANDLE_VALUE)
        throw std::runtime_error("cannot write the report to " + path + ": " + WindowsErrorText(GetLastError()));
}

ReportFile::~ReportFile() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
}

void ReportFile::Write(const std::string& text) const {
    if (!Wanted()) return;
    DWORD written = 0;
    if (!WriteFile(handle_, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) || written != text.size())
        throw std::runtime_error("cannot write the report to " + path_ + ": " + WindowsErrorText(GetLastError()));
}

std::string MissingCodes(const std::string& whoLacks, const std::vector<std::string_view>& missing) {
    std::string codes;
    for (std::string_view code : missing) codes += " " + std::string(code);
    return whoLacks + " " + std::to_string(missing.size()) + " of " + std::to_string(Catalogue().size()) +
           " exports:" + codes;
}

std::string SeparatorWords(char16_t separator) {
    return separator == 0 ? "none" : QuotedText(std::u16string(1, separator));
}

Observed ObservedSeparators(Target& target, std::mt19937& random) {
    Observed observed;
    const ExportEntry *number = nullptr, *clock = nullptr;
    for (const ExportEntry& entry : Catalogue()) {
        if (!target.Exports(entry)) continue;
        const ArgumentSource& second = entry.arguments[1];
        if (number == nullptr && entry.routine == Routine::FormatFixed && second.kind == ArgumentSource::Kind::Slot &&
            entry.inputs[0].kind == ValueKind::Double)
            number = &entry;
        if (clock == nullptr && entry.routine == Routine::FormatTime && second.pattern == PatternTime) clock = &entry;
    }
    const KnownInput numberInputs[] = {{InputKind::Double, std::bit_cast<std::uint64_t>(1.5), nullptr},
                                       {InputKind::Integer, 1, nullptr}};
    const KnownInput clockInputs[] = {{InputKind::Integer, 0, nullptr}};
    std::vector<Request> requests;
    if (number != nullptr) requests.push_back(RequestWith(*number, numberInputs, kExtendedWord, random));
    if (clock != nullptr) requests.push_back(RequestWith(*clock, clockInputs, kExtendedWord, random));
    const std::vector<Outcome> outcomes = target.Run(requests);
    std::size_t next = 0;
    if (number != nullptr) {
        const Outcome& outcome = outcomes[next++];
        observed.decimalText = ResultWords(*number, outcome);
        if (!outcome.fault && outcome.failure == Failure::None) observed.decimal = SeparatorBetween(outcome.text, u'1', u'5');
    }
    if (clock != nullptr) {
        const Outcome& outcome = outcomes[next++];
        observed.timeText = ResultWords(*clock, outcome);
        if (!outcome.fault && outcome.failure == Failure::None) observed.time = SeparatorBetween(outcome.text, u'0', u'0');
    }
    return observed;
}

std::string ObservedWords(const std::optional<char16_t>& separator, const std::string& answered) {
    if (separator) return SeparatorWords(*separator);
    return answered.empty() ? "unknown (no export to ask)" : "unknown (it answered " + answered + ")";
}

}  // namespace lumi::call
