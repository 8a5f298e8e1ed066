// The summary of a trace, as rows that `lumitrace summary` prints and the
// report shows.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "tools/lumitrace/trace_stats.h"

namespace lumi::tracetool {

using Row = std::pair<std::string, std::string>;  // label, value

// The header, the time span, the calls and threads.
std::vector<Row> OverviewRows(const TraceStats& stats);

struct ExportRow {
    std::string code, family, words;
    std::uint64_t calls = 0;
    std::string distinctInputs;  // "12", "over 1024"
    std::string first, last;     // times since the load
};
// Every export called, the most called first.
std::vector<ExportRow> ExportRows(const TraceStats& stats);

// "no problems", or "3 problems: 2 damaged lines, the last line cut".
std::string ProblemsLine(const trace::Trace& facts);
std::string ProblemWords(const trace::Problem& problem);  // "line 12: ..." or "the file: ..."

std::string SummaryText(const std::string& path, const TraceStats& stats);

}  // namespace lumi::tracetool
