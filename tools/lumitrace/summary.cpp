#include "tools/lumitrace/summary.h"

#include <algorithm>

#include "catalogue/describe.h"
#include "tools/lumitrace/record_words.h"

namespace lumi::tracetool {
namespace {

std::string Plural(std::uint64_t count, std::string_view one, std::string_view many) {
    return std::to_string(count) + " " + std::string(count == 1 ? one : many);
}

std::string SeparatorWords(char16_t separator) { return "\"" + Utf8(std::u16string(1, separator)) + "\""; }

// Columns padded to their widest cell, counted in UTF-8 characters.
std::string Columns(const std::vector<std::vector<std::string>>& rows, std::string_view indent) {
    auto width = [](const std::string& cell) {
        return static_cast<std::size_t>(std::count_if(cell.begin(), cell.end(), [](char c) { return (c & 0xC0) != 0x80; }));
    };
    std::vector<std::size_t> widths;
    for (const auto& row : rows)
        for (std::size_t i = 0; i < row.size(); ++i) {
            if (widths.size() <= i) widths.push_back(0);
            widths[i] = std::max(widths[i], width(row[i]));
        }
    std::string text;
    for (const auto& row : rows) {
        std::string line(indent);
        for (std::size_t i = 0; i < row.size(); ++i)
            line += row[i] + (i + 1 < row.size() ? std::string(widths[i] - width(row[i]) + 2, ' ') : "");
        text += line + "\n";
    }
    return text;
}

}  // namespace

std::vector<Row> OverviewRows(const TraceStats& stats) {
    const trace::Header& h = stats.facts.header;
    std::vector<Row> rows = {
        {"format", std::string(trace::kMagic) + " " + std::to_string(h.formatVersion)},
        {"traced DLL", (h.dllVersion.empty() ? "no version" : h.dllVersion) + ", " + Utf8(h.dllPath)},
        {"host", Utf8(h.hostPath) + ", process " + std::to_string(h.hostPid)},
        {"loaded", h.loadTime},
        {"separators", "decimal " + SeparatorWords(h.decimalSeparator) + ", time " + SeparatorWords(h.timeSeparator)},
        {"text bound", std::to_string(h.textBound) + " units"},
        {"size bound", std::to_string(h.sizeBound) + " bytes, wrapped " + Plural(h.wraps, "time", "times") +
                           (stats.facts.droppedCalls > 0 ? ", " + Plural(stats.facts.droppedCalls, "older call", "older calls") + " dropped" : "")},
    };
    if (h.ticksPerSecond == 0) {
        rows.push_back({"time span", "not known: the trace's clock rate is not written (ticks-per-second 0)"});
    } else if (stats.calls > 0) {
        rows.push_back({"time span", SecondsWords(h, stats.firstTicks) + " to " + SecondsWords(h, stats.lastTicks) + " after the load"});
    }
    std::string calls = Plural(stats.calls, "call", "calls");
    if (stats.calls > 0)
        calls += " (seq " + std::to_string(stats.facts.firstSeq) + " to " + std::to_string(stats.facts.lastSeq) + "), " +
                 std::to_string(stats.answered) + " answered";
    rows.push_back({"calls", calls});
    rows.push_back({"threads", std::to_string(stats.threadCount)});
    rows.push_back({"exports", std::to_string(stats.exports.size()) + " called"});
    rows.push_back({"ended", stats.facts.ended ? "with its summary: the DLL was unloaded"
                                               : "without a summary: the host did not unload the DLL (it may have died)"});
    return rows;
}

std::vector<ExportRow> ExportRows(const TraceStats& stats) {
    std::vector<ExportRow> rows;
    const trace::Header& h = stats.facts.header;
    for (const auto& [code, exported] : stats.exports) {
        ExportRow row{code, "-", "(not in the catalogue)", exported.calls, "", SecondsWords(h, exported.firstTicks),
                      SecondsWords(h, exported.lastTicks)};
        if (exported.entry != nullptr) {
            row.family = std::string(FamilyName(exported.entry->family));
            row.words = BodyWords(*exported.entry);
        }
        row.distinctInputs = (exported.moreInputs ? "over " : "") + std::to_string(exported.inputs.size());
        rows.push_back(std::move(row));
    }
    std::stable_sort(rows.begin(), rows.end(), [](const ExportRow& a, const ExportRow& b) { return a.calls > b.calls; });
    return rows;
}

std::string ProblemWords(const trace::Problem& problem) {
    return (problem.line == 0 ? "the file: " : "line " + std::to_string(problem.line) + ": ") + problem.what;
}

std::string ProblemsLine(const trace::Trace& facts) {
    std::vector<std::string> parts;
    if (!facts.problems.empty()) parts.push_back(Plural(facts.problems.size(), "damaged or unusable line", "damaged or unusable lines"));
    if (facts.cutLine) parts.push_back("line " + std::to_string(*facts.cutLine) + " cut off");
    else if (facts.LastRecordCut()) parts.push_back("the last call (seq " + std::to_string(facts.lastSeq) + ") had not returned");
    if (parts.empty()) return "none";
    std::string line;
    for (const std::string& part : parts) line += (line.empty() ? "" : "; ") + part;
    return line;
}

std::string SummaryText(const std::string& path, const TraceStats& stats) {
    std::vector<std::vector<std::string>> overview = {{"trace", path}};
    for (const auto& [label, value] : OverviewRows(stats)) overview.push_back({label, value});
    std::string text = Columns(overview, "");
    std::vector<std::vector<std::string>> table = {{"code", "family", "calls", "distinct inputs", "first", "last", "answers"}};
    for (const ExportRow& row : ExportRows(stats))
        table.push_back({row.code, row.family, std::to_string(row.calls), row.distinctInputs, row.first, row.last, row.words});
    text += "\ncalls per export:\n" + Columns(table, "  ");
    constexpr std::size_t kProblemsShown = 20;
    const auto& problems = stats.facts.problems;
    if (!problems.empty()) {
        text += "\n";
        for (std::size_t i = 0; i < problems.size() && i < kProblemsShown; ++i) text += "  " + ProblemWords(problems[i]) + "\n";
        if (problems.size() > kProblemsShown) text += "  ... and " + std::to_string(problems.size() - kProblemsShown) + " more\n";
    }
    return text + "\nproblems: " + ProblemsLine(stats.facts) + "\n";
}

}  // namespace lumi::tracetool
