// lumicall replay TRACE [--report FILE]: every call a trace of the tracing
// build recorded, made again against a DLL (the one beside lumicall, or
// --dll's): under the record's control word, with its slots and the texts
// it recorded, held to its contract, its answer compared with the recorded
// one. Damage in the trace is named by line and skipped; what is left is
// replayed.
#include <algorithm>
#include <bit>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <unordered_map>
#include <random>

#include "catalogue/describe.h"
#include "tools/lumicall/judging/answers.h"
#include "tools/lumicall/commands/console.h"
#include "tools/lumicall/commands/reported_run.h"
#include "tools/lumicall/judging/contract.h"
#include "tools/lumicall/judging/findings.h"
#include "tools/lumicall/judging/request_words.h"
#include "tools/lumicall/worker/target.h"
#include "tools/lumicall/worker/version.h"
#include "tools/lumicall/judging/x87_check.h"
#include "tools/trace/trace_reader.h"

namespace lumi::call {
namespace {

using trace::Record;
using trace::Trace;

constexpr std::size_t kBatch = 1u << 16;         // records handed to the worker at once
constexpr std::size_t kProblemsShown = 20;       // lines of the trace it could not use
constexpr std::size_t kSeparatorOnlyShown = 5;  // examples of texts that differ only by it

std::string Utf8(std::u16string_view text) {
    return Narrowed({reinterpret_cast<const wchar_t*>(text.data()), text.size()});
}

std::string Plural(std::size_t count, std::string_view one, std::string_view many) {
    return std::to_string(count) + " " + std::string(count == 1 ? one : many);
}

// ---- Which records can be replayed -------------------------------------------------------

// What a result comes back in: EAX (word, integer), ST(0) or a text.
enum class Carrier : std::uint8_t { Eax, St0, Text };

constexpr Carrier CarrierOf(trace::ResultKind kind) {
    return kind == trace::ResultKind::Double ? Carrier::St0 : kind == trace::ResultKind::Text ? Carrier::Text : Carrier::Eax;
}

constexpr Carrier CarrierOf(ValueKind kind) {
    return kind == ValueKind::Double ? Carrier::St0 : kind == ValueKind::Text ? Carrier::Text : Carrier::Eax;
}

// Empty when the record fits its row: a known code, the slots the row
// pushes, a text for every text slot and a result of the row's kind.
std::string Misfit(const Record& record, const ExportEntry* entry) {
    if (entry == nullptr) return "no export has the code '" + record.code + "'";
    const auto pushed = static_cast<std::size_t>(SlotsToPush(*entry));
    if (record.slots.size() != pushed)
        return record.code + " takes " + Plural(pushed, "slot", "slots") + ", the record gives " +
               std::to_string(record.slots.size());
    for (int i = 0; i < entry->InputCount(); ++i)
        if (entry->inputs[i].kind == ValueKind::Text && record.TextOf(entry->inputs[i].slot) == nullptr)
            return record.code + " reads a text in slot " + std::to_string(entry->inputs[i].slot) +
                   ", the record gives none";
    for (const trace::SlotText& text : record.texts)
        if (std::none_of(entry->inputs.begin(), entry->inputs.begin() + entry->InputCount(), [&](const auto& input) {
                return input.kind == ValueKind::Text && input.slot == text.slot;
            }))
            return record.code + " reads no text in slot " + std::to_string(text.slot) + ", the record gives one";
    // EAX is compared by its bits, whichever of its kinds the record names.
    if (record.result && CarrierOf(record.result->kind) != CarrierOf(entry->result))
        return record.code + " answers a " + std::string(ResultWords(*entry)) + ", the record gives a " +
               std::string(trace::ResultKindName(record.result->kind));
    return "";
}

// The record's call: its slots, its control word, its texts rebuilt. A
// text the call did not read gets an empty one: this DLL may read it.
Request RequestOfRecord(const Record& record, const ExportEntry& entry) {
    Request request = RequestFor(entry, record.slots, record.controlWord);
    static constexpr std::u16string_view kEmpty;
    for (const trace::SlotText& text : record.texts) {
        if (text.slot < 0 || text.slot >= request.slotCount) continue;
        switch (text.text.state) {
            case trace::Text::State::Null: request.slots[text.slot] = 0; break;
            case trace::Text::State::Unread: request.PutText(text.slot, kEmpty); break;
            default: request.PutText(text.slot, text.text.units); break;
        }
    }
    return request;
}

// ---- Answers ----------------------------------------------------------------------------

std::string RecordedWords(const trace::Result& result, std::uint32_t textBound) {
    const auto eax = static_cast<std::uint32_t>(result.bits);
    switch (result.kind) {
        case trace::ResultKind::Text:
            if (result.text.state == trace::Text::State::Null) return "null";
            return QuotedText(result.text.units) +
                   (result.text.state == trace::Text::State::Cut ? " (the first " + std::to_string(textBound) + " units)" : "");
        case trace::ResultKind::Double:
            if (result.notADouble) return "80-bit 0x" + Hex(result.x87High, 4) + "_" + Hex(result.x87Low, 16) + ", not a double";
            return DoubleWords(result.bits);
        case trace::ResultKind::Word: return "0x" + Hex(eax, 8) + "  (" + std::to_string(static_cast<std::int32_t>(eax)) + ")";
        default: return std::to_string(static_cast<std::int32_t>(eax)) + "  (0x" + Hex(eax, 8) + ")";
    }
}

// Whether the call now answers what the record says it answered then.
bool SameAsRecorded(const ExportEntry& entry, const Outcome& outcome, const trace::Result& result) {
    if (outcome.fault || outcome.failure != Failure::None) return false;
    switch (entry.result) {
        case ValueKind::Text: {
            const trace::Text& text = result.text;
            if (text.state == trace::Text::State::Null || outcome.record.eax == 0)
                return text.state == trace::Text::State::Null && outcome.record.eax == 0;
            if (text.state == trace::Text::State::Cut)
                return outcome.text.size() > text.units.size() && outcome.text.starts_with(text.units);
            return outcome.text == text.units;
        }
        case ValueKind::Double:
            return !result.notADouble && LeftOneValue(outcome) &&
                   std::bit_cast<std::uint64_t>(outcome.record.ResultAsDouble()) == result.bits;
        default:
            return outcome.record.eax == static_cast<std::uint32_t>(result.bits);
    }
}

// The recorded text with the trace's separator (of the row's kind) put
// back as this DLL's: equal to the answer now when the separator alone
// explains the difference.
bool SeparatorExplains(const ExportEntry& entry, const Outcome& outcome, const trace::Result& result, Separators traced,
                       Separators now) {
    if (entry.result != ValueKind::Text || result.text.state != trace::Text::State::Whole) return false;
    const bool clock = entry.routine == Routine::FormatTime;
    const char16_t from = clock ? traced.time : traced.decimal, to = clock ? now.time : now.decimal;
    if (from == to || from == 0) return false;
    std::u16string text;
    for (char16_t unit : result.text.units)
        if (unit != from) text += unit;
        else if (to != 0) text += to;
    return text == outcome.text;
}

// ---- What replay says -----------------------------------------------------------------------

// A search text the trace kept only in part (past its text bound): the call
// replayed is not quite the call made.
bool TextCut(const Record& record) {
    return std::any_of(record.texts.begin(), record.texts.end(),
                       [](const trace::SlotText& text) { return text.text.state == trace::Text::State::Cut; });
}

// The first slot whose text the host could not read, or -1: such a call
// cannot be made again as it was made.
int UnreadableSlot(const Record& record) {
    for (const trace::SlotText& text : record.texts)
        if (text.text.state == trace::Text::State::Unreadable) return text.slot;
    return -1;
}

struct Tally {
    std::size_t replayed = 0, equal = 0, separatorOnly = 0, unanswered = 0, cutTexts = 0;
    std::vector<std::string> separatorExamples;
    std::vector<std::string> unansweredLines;  // the calls the trace holds no answer of
};

std::string TraceHeaderWords(const std::string& path, const Trace& trace) {
    const trace::Header& header = trace.header;
    std::string records = Plural(trace.recordCount, "call", "calls");
    if (trace.recordCount > 0)
        records += ", seq " + std::to_string(trace.firstSeq) + " to " + std::to_string(trace.lastSeq);
    if (header.wraps > 0 || trace.droppedCalls > 0)
        records += "; the file reached its size bound " + Plural(header.wraps, "time", "times") + ", " +
                   Plural(trace.droppedCalls, "older call was", "older calls were") + " dropped";
    records += trace.ended ? "; it ends with its summary (the DLL was unloaded)"
                           : "; it has no summary: the host did not unload the DLL (it may have died)";
    return Line("trace", path) + Line("format", std::string(trace::kMagic) + " " + std::to_string(header.formatVersion)) +
           Line("traced DLL", (header.dllVersion.empty() ? "no version" : header.dllVersion) + ", " + Utf8(header.dllPath)) +
           Line("host", Utf8(header.hostPath) + ", process " + std::to_string(header.hostPid)) +
           Line("loaded", header.loadTime) +
           Line("separators", "decimal " + SeparatorWords(header.decimalSeparator) + ", time " +
                                  SeparatorWords(header.timeSeparator) + " in the traced DLL") +
           Line("records", records);
}

// The row of a code, found once per code: a trace holds millions of records.
class RowsByCode {
public:
    const ExportEntry* Find(const std::string& code) {
        const auto [found, isNew] = rows_.try_emplace(code, nullptr);
        if (isNew) found->second = FindEntry(code);
        return found->second;
    }

private:
    std::unordered_map<std::string, const ExportEntry*> rows_;
};

// "  CODE  N calls  body": one line per export, the most called first.
std::string CountsTable(const std::map<std::string, std::size_t>& counts) {
    std::vector<std::pair<std::string, std::size_t>> rows(counts.begin(), counts.end());
    std::stable_sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
    Table table;
    for (const auto& [code, count] : rows) {
        const ExportEntry* entry = FindEntry(code);
        table.Add({code, Plural(count, "call", "calls"), entry != nullptr ? BodyWords(*entry) : "(not in the catalogue)"});
    }
    return "\ncalls per export:\n" + table.Text("  ");
}

std::string ProblemsText(const Trace& trace, const std::vector<trace::Problem>& misfits, std::size_t misfitCount) {
    std::vector<trace::Problem> problems = trace.problems;
    problems.insert(problems.end(), misfits.begin(), misfits.end());
    std::stable_sort(problems.begin(), problems.end(), [](const auto& a, const auto& b) { return a.line < b.line; });
    if (problems.empty()) return "";
    const std::size_t count = problems.size() + misfitCount - misfits.size();
    std::string text = "\n" + Plural(count, "line", "lines") + " of the trace could not be used, skipped:\n";
    for (std::size_t i = 0; i < problems.size() && i < kProblemsShown; ++i)
        text += (problems[i].line == 0 ? "  the file: " : "  line " + std::to_string(problems[i].line) + ": ") + problems[i].what + "\n";
    if (problems.size() > kProblemsShown) text += "  ... and " + std::to_string(count - kProblemsShown) + " more\n";
    return text;
}

std::string CallWords(const Record& record, const Request& request) {
    return "seq " + std::to_string(record.seq) + " (line " + std::to_string(record.inputsLine) + ")  " + record.code +
           "  with " + RequestInputsWords(request) + ", under " + Hex(record.controlWord, 4);
}

// What the first reading of a trace found: the calls of each export, for the
// table, and the records that cannot be replayed.
struct Survey {
    std::map<std::string, std::size_t> counts;
    std::vector<trace::Problem> misfits;  // the first kMaxProblems, by line
    std::size_t misfitCount = 0;
    std::vector<std::string> unreadable;  // calls that cannot be made again as they were made (the first few)
    std::size_t unreadableCount = 0, usableCount = 0;
};

// "seq 12 (line 40)": where a record stands in the trace.
std::string RecordPlace(const Record& record) {
    return "seq " + std::to_string(record.seq) + " (line " + std::to_string(record.inputsLine) + ")";
}

Survey SurveyTrace(trace::TraceReader& reader, const std::string& path, RowsByCode& rows) {
    std::string error;
    if (!reader.Open(path, &error)) throw std::runtime_error("cannot read the trace " + path + ": " + error);
    Survey survey;
    std::vector<std::size_t> callsOfRow(Catalogue().size());
    for (Record record; reader.Next(record);) {
        const ExportEntry* entry = rows.Find(record.code);
        if (entry != nullptr) ++callsOfRow[entry - Catalogue().data()];
        else ++survey.counts[record.code];
        if (const std::string misfit = Misfit(record, entry); !misfit.empty()) {
            if (survey.misfitCount++ < trace::kMaxProblems) survey.misfits.push_back({record.inputsLine, misfit});
        } else if (const int slot = UnreadableSlot(record); slot >= 0) {
            if (survey.unreadableCount++ < kFailuresShown)
                survey.unreadable.push_back("  " + RecordPlace(record) + "  " + record.code + ": the text pointer in slot " +
                                            std::to_string(slot) + " could not be read in the host\n");
        } else {
            ++survey.usableCount;
        }
    }
    for (std::size_t row = 0; row < callsOfRow.size(); ++row)
        if (callsOfRow[row] > 0) survey.counts[std::string(Catalogue()[row].code)] = callsOfRow[row];
    return survey;
}

// A trace with nothing to replay is refused before any DLL is loaded.
void RefuseUnreplayable(const std::string& path, const Trace& trace, const Survey& survey) {
    const std::string firstProblem =
        trace.problems.empty() ? "" : " (line " + std::to_string(trace.problems[0].line) + ": " + trace.problems[0].what + ")";
    if (!trace.hasHeader) throw std::runtime_error(path + " is not a trace of the tracing build" + firstProblem);
    if (!trace.Usable())
        throw std::runtime_error("nothing in " + path + " can be replayed: " +
                                 Plural(trace.problems.size(), "damaged line", "damaged lines") + firstProblem);
    if (survey.usableCount == 0 && trace.recordCount > 0)
        throw std::runtime_error("nothing in " + path + " can be replayed: none of its " +
                                 Plural(trace.recordCount, "record fits", "records fit") +
                                 " an export of the catalogue (line " + std::to_string(survey.misfits[0].line) + ": " +
                                 survey.misfits[0].what + ")");
}

// What replay says first: the trace's separators where they are not this
// DLL's, the trace's header, the DLL replayed on, the calls per export and
// the lines skipped.
std::string ReplayHeading(const std::string& path, const Trace& trace, const Survey& survey, const TargetFacts& facts,
                          const MachineCheck& machine, Separators traced, Separators now) {
    std::string heading = MachineFirstWords(machine) + "lumicall " + std::string(OwnVersion()) + " replay: does this DLL answer as the trace recorded?\n\n";
    // Said first: it explains text differences below.
    if (now.decimal != traced.decimal || now.time != traced.time)
        heading += "The trace's separators are not this DLL's: decimal " + SeparatorWords(traced.decimal) + ", time " +
                   SeparatorWords(traced.time) + " in the trace; decimal " + SeparatorWords(now.decimal) + ", time " +
                   SeparatorWords(now.time) + " in this DLL's texts.\nA text that differs by the separator alone is "
                   "named as such, not as a difference.\n\n";
    return heading + TraceHeaderWords(path, trace) +
                 Line("replayed on", facts.loadedPath + ", " + (facts.version.empty() ? "no version resource" : facts.version) +
                                         ", SHA-256 " + facts.sha256) +
                 CountsTable(survey.counts) + ProblemsText(trace, survey.misfits, survey.misfitCount);
}

using Batch = std::vector<std::pair<Record, const ExportEntry*>>;

// The next batch of records that can be called again; false once the trace is read.
bool ReadBatch(trace::TraceReader& reader, RowsByCode& rows, Batch& usable) {
    usable.clear();
    bool more = true;
    for (Record record; usable.size() < kBatch && (more = reader.Next(record));) {
        const ExportEntry* entry = rows.Find(record.code);
        if (Misfit(record, entry).empty() && UnreadableSlot(record) < 0) usable.emplace_back(std::move(record), entry);
    }
    return more;
}

// One record's call made again, held to the recorded answer.
void JudgeReplayed(const Record& record, const ExportEntry& entry, const Request& request, const Outcome& outcome,
                   const Trace& trace, Separators traced, Separators now, Tally& tally, CallLog& log) {
    const auto where = [&] { return CallWords(record, request); };
    const std::vector<std::string> breaches = Breaches(entry, outcome, PushedSlots(request));
    if (!breaches.empty()) log.NoteBreaches(entry.code, breaches, [&] { return RecordPlace(record); });
    if (!record.result) {
        ++tally.unanswered;
        if (tally.unansweredLines.size() < kFailuresShown) tally.unansweredLines.push_back("  " + where() + ": no answer in the trace (the call had not returned "
                                        "when the trace ended, or its result line is damaged); now " + AnswerWords(entry, outcome) + "\n");
        return;
    }
    if (!breaches.empty()) return;
    if (SameAsRecorded(entry, outcome, *record.result)) {
        ++tally.equal;
    } else if (TextCut(record)) {
        ++tally.cutTexts;  // not the call that was made: not held against the DLL
    } else if (SeparatorExplains(entry, outcome, *record.result, traced, now)) {
        if (++tally.separatorOnly <= kSeparatorOnlyShown)
            tally.separatorExamples.push_back("  " + where() + ": recorded " +
                                              RecordedWords(*record.result, trace.header.textBound) +
                                              ", now " + AnswerWords(entry, outcome) + "\n");
    } else {
        log.NoteDifference(entry.code, [&] {
            return RecordPlace(record) + "  with " + RequestInputsWords(request) + ", under " + Hex(record.controlWord, 4) +
                   ": recorded " + RecordedWords(*record.result, trace.header.textBound) + ", now " +
                   AnswerWords(entry, outcome);
        });
    }
}

// The second reading: each usable record called again in batches, its
// answer held to the recorded one.
void ReplayRecords(const std::string& path, RowsByCode& rows, Target& target, const Trace& trace, Separators traced,
                   Separators now, Tally& tally, CallLog& log) {
    std::string error;
    trace::TraceReader reader;
    if (!reader.Open(path, &error)) throw std::runtime_error("cannot read the trace " + path + ": " + error);
    Batch usable;
    std::vector<Request> called;  // what this DLL exports, of one batch
    std::vector<std::int32_t> calledAs;  // by record of the batch: its index in called, or -1
    for (bool more = true; more;) {
        more = ReadBatch(reader, rows, usable);
        called.clear();
        calledAs.clear();
        for (const auto& [record, entry] : usable) {
            const bool exported = target.Exports(*entry);
            calledAs.push_back(exported ? static_cast<std::int32_t>(called.size()) : -1);
            if (exported) called.push_back(RequestOfRecord(record, *entry));
        }
        const std::vector<Outcome> outcomes = target.Run(called);
        for (std::size_t i = 0; i < calledAs.size(); ++i) {
            const auto& [record, entry] = usable[i];
            ++tally.replayed;
            if (calledAs[i] < 0)
                log.NoteDifference(entry->code, [&] { return RecordPlace(record) + ": this DLL does not export it"; });
            else
                JudgeReplayed(record, *entry, called[calledAs[i]], outcomes[calledAs[i]], trace, traced, now, tally, log);
        }
    }
}

// What replay says at the end: a cut trace, the calls with no recorded
// answer, the texts differing by the separator, what was not replayed, the
// counts and the time taken.
std::string ReplaySummary(const Trace& trace, const Survey& survey, const Tally& tally, const CallLog& log,
                          std::chrono::steady_clock::time_point started) {
    std::string said;
    if (trace.LastRecordCut()) {
        said += "\nThe trace was cut off: its last call";
        if (trace.recordCount > 0 && trace.lastUnanswered)
            said += " (seq " + std::to_string(trace.lastSeq) + ") had not returned";
        if (trace.cutLine) said += (said.ends_with("returned") ? " and line " : ", line ") + std::to_string(*trace.cutLine) + " was written only in part";
        said += ": the host died there. The complete records are replayed.\n";
    }
    if (!tally.unansweredLines.empty()) {
        said += "\n" + Plural(tally.unanswered, "call has", "calls have") + " no recorded answer, replayed all the same:\n";
        for (std::size_t i = 0; i < tally.unansweredLines.size() && i < kFailuresShown; ++i) said += tally.unansweredLines[i];
    }
    if (tally.separatorOnly > 0) {
        said += "\n" + Plural(tally.separatorOnly, "text differs", "texts differ") +
                " from the recorded one by the separator alone (the trace's locale, not a fault):\n";
        for (const std::string& example : tally.separatorExamples) said += example;
    }
    if (survey.unreadableCount > 0) {
        said += "\n" + Plural(survey.unreadableCount, "call is", "calls are") +
                " not replayed: the script handed it a text pointer that could not be read\n";
        for (std::size_t i = 0; i < survey.unreadable.size() && i < kFailuresShown; ++i) said += survey.unreadable[i];
    }
    if (tally.cutTexts > 0)
        said += "\n" + Plural(tally.cutTexts, "call answers", "calls answer") + " otherwise with a search text the trace kept only in part (" +
                std::to_string(trace.header.textBound) + " units): not counted as differences\n";
    const std::size_t differences = log.Differences();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    char took[64];
    std::snprintf(took, sizeof took, "%.1f s", seconds);
    said += "\n" + Line("replayed", Plural(tally.replayed, "call", "calls") + ": " + std::to_string(tally.equal) +
                                        " answer as recorded, " + std::to_string(differences) + " otherwise, " +
                                        std::to_string(tally.separatorOnly) + " differ by the separator alone, " +
                                        std::to_string(log.BreakingCalls()) + " broke the contract, " +
                                        std::to_string(tally.unanswered) + " had no recorded answer") +
            Line("time", took);
    return said;
}

Verdict ReplayVerdict(const Trace& trace, const Survey& survey, const Tally& tally, const CallLog& log,
                      const MachineCheck& machine) {
    const std::size_t differences = log.Differences();
    const std::size_t skipped = trace.problems.size() + survey.misfitCount;
    std::string also;
    if (skipped > 0) also += "; " + Plural(skipped, "line", "lines") + " of the trace skipped";
    if (trace.LastRecordCut()) also += "; the last call was cut";
    if (survey.unreadableCount > 0) also += "; " + Plural(survey.unreadableCount, "call", "calls") + " with an unreadable text not replayed";
    if (tally.cutTexts > 0) also += "; " + Plural(tally.cutTexts, "call", "calls") + " with a text kept in part not held against it";
    const bool equal = differences == 0 && log.BreakingCalls() == 0;
    const std::string verdict =
        !equal && !machine.Sound()
            ? MachineVerdict(std::to_string(differences) + " of " + Plural(tally.replayed, "call", "calls") +
                             " answering otherwise than recorded, " + std::to_string(log.BreakingCalls()) +
                             " breaking the contract")
        : equal
            ? "VERDICT: EQUAL: every one of the " + Plural(tally.replayed - tally.cutTexts, "call", "calls") + " replayed answers as recorded" +
                  (tally.separatorOnly > 0 ? " or differs by the separator alone" : "") + also
            : "VERDICT: DIFFERENT: " + std::to_string(differences) + " of " + Plural(tally.replayed, "call", "calls") +
                  " answer otherwise than recorded, " + std::to_string(log.BreakingCalls()) + " broke the contract" + also;
    return {verdict, equal, !machine.Sound()};
}

Verdict ReplayTrace(const std::string& path, const std::string& dll, Findings& findings) {
    const auto started = std::chrono::steady_clock::now();
    // Read twice, record by record: once to count and to name what cannot
    // be replayed, once to replay. Memory stays bounded for any trace.
    trace::TraceReader reader;
    RowsByCode rows;
    const Survey survey = SurveyTrace(reader, path, rows);
    const Trace& trace = reader.Facts();
    RefuseUnreplayable(path, trace, survey);
    const MachineCheck machine = CheckThisMachine();
    Target target = Target::Open(dll);
    const TargetFacts& facts = target.Facts();
    std::mt19937 random{std::random_device{}()};
    const Observed observed = ObservedSeparators(target, random);
    const Separators traced{trace.header.decimalSeparator, trace.header.timeSeparator};
    const Separators now{observed.decimal.value_or(traced.decimal), observed.time.value_or(traced.time)};
    if (!machine.Sound()) findings.Excuse(std::string(kMachineFaultWords));
    findings.Say(ReplayHeading(path, trace, survey, facts, machine, traced, now));

    Tally tally;
    CallLog log;
    ReplayRecords(path, rows, target, trace, traced, now, tally, log);
    findings.Say(ReplaySummary(trace, survey, tally, log, started));
    findings.FailAll(log.BreachLines("this DLL"));
    findings.FailAll(log.DifferenceLines());
    return ReplayVerdict(trace, survey, tally, log, machine);
}

}  // namespace

int Replay(CommandLine& line) {
    const std::string reportPath = line.TakeOption("--report");
    line.RefuseOtherOptions();
    if (line.arguments.empty()) throw UsageError("replay needs a trace file: lumicall replay TRACE [--dll PATH]");
    if (line.arguments.size() > 1) throw UsageError("replay takes one trace file, not '" + line.arguments[1] + "' too");
    const std::string path = line.arguments[0];
    if (path.empty()) throw UsageError("replay needs the trace file's path, not an empty one");
    return RunReported({"replay", reportPath, {}, [&](Findings& findings) { return ReplayTrace(path, line.dll, findings); }});
}

}  // namespace lumi::call
