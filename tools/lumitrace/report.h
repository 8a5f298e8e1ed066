// `lumitrace report`: one self-contained HTML page of a trace, its charts as
// inline SVG, no script and nothing fetched. Its size is bounded by the
// constants of trace_stats.h, not by the trace's.
#pragma once

#include <string>

#include "tools/lumitrace/trace_stats.h"

namespace lumi::tracetool {

std::string ReportHtml(const std::string& path, const TraceStats& stats);

}  // namespace lumi::tracetool
