#include "tools/lumitrace/report.h"

#include <algorithm>
#include <cstdio>

#include "tools/lumitrace/record_words.h"
#include "tools/lumitrace/summary.h"

namespace lumi::tracetool {
namespace {

constexpr std::size_t kExportsCharted = 20;
constexpr std::size_t kValuesShown = 15;  // per family
constexpr std::size_t kProblemsShown = 50;
constexpr int kChartWidth = 900, kChartHeight = 260, kMargin = 48;
// One colour per thread series, told apart also in grey.
constexpr const char* kColours[] = {"#1f77b4", "#d62728", "#2ca02c", "#ff7f0e",
                                    "#9467bd", "#8c564b", "#e377c2", "#17becf", "#7f7f7f"};

std::string Escaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

// A figure the browser test reads back: <span data-figure="NAME">VALUE</span>.
std::string Figure(std::string_view name, const std::string& value) {
    return "<span data-figure=\"" + std::string(name) + "\">" + Escaped(value) + "</span>";
}

std::string Cell(const std::string& text) { return "<td>" + Escaped(text) + "</td>"; }

std::string OverviewSection(const std::string& path, const TraceStats& stats) {
    std::string html = "<section><h2>Summary</h2><table class=\"facts\">";
    html += "<tr><th>trace</th>" + Cell(path) + "</tr>";
    // The counts as figures of their own, the rest of their row as words.
    const std::pair<std::string_view, std::string> figures[] = {{"calls", std::to_string(stats.calls)},
                                                                {"threads", std::to_string(stats.threadCount)},
                                                                {"exports", std::to_string(stats.exports.size())}};
    for (const auto& [label, value] : OverviewRows(stats)) {
        std::string cell = "<td>" + Escaped(value) + "</td>";
        for (const auto& [name, figure] : figures)
            if (label == name && value.starts_with(figure))
                cell = "<td>" + Figure(name, figure) + Escaped(value.substr(figure.size())) + "</td>";
        html += "<tr><th>" + Escaped(label) + "</th>" + cell + "</tr>";
    }
    html += "<tr><th>problems</th><td>" + Figure("problems", ProblemsLine(stats.facts)) + "</td></tr></table>";
    return html + "</section>";
}

// Every export called; folded away (no script: <details>) when there are many.
std::string ExportsTable(const TraceStats& stats) {
    constexpr std::size_t kShownOpen = 30;
    const std::vector<ExportRow> rows = ExportRows(stats);
    std::string html = "<section><h2>Calls per export</h2><details" + std::string(rows.size() <= kShownOpen ? " open" : "") +
                       "><summary>" + std::to_string(rows.size()) + " exports, the most called first</summary>";
    html += "<table><tr><th>code</th><th>family</th><th>calls</th><th>distinct inputs</th>"
            "<th>first</th><th>last</th><th>answers</th></tr>";
    for (const ExportRow& row : rows)
        html += "<tr>" + Cell(row.code) + Cell(row.family) + "<td class=\"n\" data-calls=\"" + row.code + "\">" +
                std::to_string(row.calls) + "</td><td class=\"n\">" + Escaped(row.distinctInputs) + "</td><td class=\"t\">" +
                Escaped(row.first) + "</td><td class=\"t\">" + Escaped(row.last) + "</td>" + Cell(row.words) + "</tr>";
    return html + "</table></details></section>";
}

std::string TimeChart(const TraceStats& stats) {
    std::string html = "<section><h2>Calls over time, per thread</h2>";
    if (stats.calls == 0) return html + "<p>No calls.</p></section>";
    std::uint64_t highest = 1;
    std::size_t used = 1;  // buckets up to the last call
    for (const ThreadSeries& series : stats.threads)
        for (std::size_t i = 0; i < kTimeBuckets; ++i)
            if (series.buckets[i] > 0) highest = std::max(highest, series.buckets[i]), used = std::max(used, i + 1);
    const double plotWidth = kChartWidth - 2 * kMargin, plotHeight = kChartHeight - 2 * kMargin;
    const double step = plotWidth / static_cast<double>(used);
    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(kChartWidth) + "\" height=\"" +
                      std::to_string(kChartHeight) + "\" role=\"img\" aria-label=\"calls over time per thread\">";
    const std::string left = std::to_string(kMargin), bottom = std::to_string(kChartHeight - kMargin);
    svg += "<line x1=\"" + left + "\" y1=\"" + bottom + "\" x2=\"" + std::to_string(kChartWidth - kMargin) + "\" y2=\"" + bottom +
           "\" class=\"axis\"/><line x1=\"" + left + "\" y1=\"" + std::to_string(kMargin) + "\" x2=\"" + left + "\" y2=\"" + bottom +
           "\" class=\"axis\"/>";
    svg += "<text x=\"" + std::to_string(kMargin - 6) + "\" y=\"" + std::to_string(kMargin + 4) + "\" text-anchor=\"end\">" +
           std::to_string(highest) + "</text><text x=\"" + std::to_string(kMargin - 6) + "\" y=\"" + bottom +
           "\" text-anchor=\"end\">0</text>";
    const trace::Header& header = stats.facts.header;
    const std::string end = header.ticksPerSecond == 0 ? std::to_string(stats.bucketTicks * used) + " ticks"
                                                       : SecondsWords(header, stats.firstTicks + stats.bucketTicks * used);
    svg += "<text x=\"" + left + "\" y=\"" + std::to_string(kChartHeight - kMargin + 18) + "\">" +
           Escaped(SecondsWords(header, stats.firstTicks)) + "</text><text x=\"" + std::to_string(kChartWidth - kMargin) +
           "\" y=\"" + std::to_string(kChartHeight - kMargin + 18) + "\" text-anchor=\"end\">" + Escaped(end) + "</text>";
    std::string legend = "<p class=\"legend\">";
    for (std::size_t s = 0; s < stats.threads.size(); ++s) {
        const ThreadSeries& series = stats.threads[s];
        std::string points;
        for (std::size_t i = 0; i < used; ++i) {
            const double y = kChartHeight - kMargin - plotHeight * static_cast<double>(series.buckets[i]) / static_cast<double>(highest);
            points += Number(kMargin + step * static_cast<double>(i)) + "," + Number(y) + " " +
                      Number(kMargin + step * static_cast<double>(i + 1)) + "," + Number(y) + " ";
        }
        const char* colour = kColours[std::min(s, std::size(kColours) - 1)];
        svg += "<polyline fill=\"none\" stroke=\"" + std::string(colour) + "\" stroke-width=\"2\" points=\"" + points + "\"/>";
        const std::string name = series.thread == 0 ? "other threads" : "thread " + std::to_string(series.thread);
        legend += "<span><i style=\"background:" + std::string(colour) + "\"></i>" + Escaped(name) + ": " +
                  std::to_string(series.calls) + " calls</span> ";
    }
    const std::string width = header.ticksPerSecond == 0 ? std::to_string(stats.bucketTicks) + " ticks"
                                                         : SecondsWords(header, stats.bucketTicks);
    return html + svg + "</svg>" + legend + "</p><p class=\"note\">Calls per interval of " + Escaped(width) + ".</p></section>";
}

std::string ExportsChart(const TraceStats& stats) {
    std::string html = "<section><h2>Busiest exports</h2>";
    const std::vector<ExportRow> rows = ExportRows(stats);
    if (rows.empty()) return html + "<p>No calls.</p></section>";
    const std::size_t shown = std::min(rows.size(), kExportsCharted);
    constexpr int kBar = 22, kLabel = 260;
    const int height = static_cast<int>(shown) * kBar + 10;
    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(kChartWidth) + "\" height=\"" +
                      std::to_string(height) + "\" role=\"img\" aria-label=\"busiest exports\">";
    const double most = static_cast<double>(rows.front().calls);
    for (std::size_t i = 0; i < shown; ++i) {
        const int y = static_cast<int>(i) * kBar + 4;
        const double width = (kChartWidth - kLabel - 90) * static_cast<double>(rows[i].calls) / most;
        svg += "<text x=\"" + std::to_string(kLabel - 8) + "\" y=\"" + std::to_string(y + 15) + "\" text-anchor=\"end\">" +
               Escaped(rows[i].code + "  " + rows[i].family) + "</text><rect class=\"bar\" x=\"" + std::to_string(kLabel) +
               "\" y=\"" + std::to_string(y) + "\" width=\"" + Number(std::max(width, 1.0)) + "\" height=\"" +
               std::to_string(kBar - 6) + "\"/><text x=\"" + Number(kLabel + std::max(width, 1.0) + 6) + "\" y=\"" +
               std::to_string(y + 15) + "\">" + std::to_string(rows[i].calls) + "</text>";
    }
    return html + svg + "</svg>" + (rows.size() > shown ? "<p class=\"note\">The " + std::to_string(shown) +
                                                              " most called of " + std::to_string(rows.size()) + " exports.</p>"
                                                        : "") +
           "</section>";
}

std::string FamiliesSection(const TraceStats& stats) {
    std::string html = "<section><h2>Inputs and answers, by family</h2><p class=\"note\">The most frequent of "
                       "each: the texts built, the numbers rounded, the times formatted, the searches.</p>";
    for (std::size_t f = 0; f < stats.families.size(); ++f) {
        const FamilyStats& family = stats.families[f];
        if (family.calls == 0) continue;
        std::vector<const ValueCount*> values;
        for (const auto& [key, value] : family.values) values.push_back(&value);
        std::stable_sort(values.begin(), values.end(), [](const ValueCount* a, const ValueCount* b) { return a->calls > b->calls; });
        html += "<h3>" + Escaped(GroupTitle(f)) + " <small>" + std::to_string(family.calls) + " calls</small></h3>"
                "<table><tr><th>code</th><th>inputs</th><th>answer</th><th>calls</th></tr>";
        for (std::size_t i = 0; i < values.size() && i < kValuesShown; ++i)
            html += "<tr>" + Cell(values[i]->code) + Cell(values[i]->inputs.empty() ? "-" : values[i]->inputs) +
                    Cell(values[i]->answer) + "<td class=\"n\">" + std::to_string(values[i]->calls) + "</td></tr>";
        html += "</table>";
        std::uint64_t notShown = family.otherCalls;
        for (std::size_t i = kValuesShown; i < values.size(); ++i) notShown += values[i]->calls;
        if (notShown > 0) html += "<p class=\"note\">" + std::to_string(notShown) + " more calls with other inputs or answers.</p>";
    }
    return html + "</section>";
}

std::string GapsSection(const TraceStats& stats) {
    std::string html = "<section><h2>Slowest gaps</h2>";
    const trace::Header& header = stats.facts.header;
    if (stats.gaps.empty() || header.ticksPerSecond == 0)
        return html + "<p>" + (header.ticksPerSecond == 0 ? "No times: the trace's clock rate is not known." : "No gaps.") +
               "</p></section>";
    html += "<table><tr><th>quiet for</th><th>after call</th><th>until call</th><th>at</th></tr>";
    for (const Gap& gap : stats.gaps)
        html += "<tr>" + Cell(SecondsWords(header, gap.ticks)) + Cell("seq " + std::to_string(gap.beforeSeq)) +
                Cell("seq " + std::to_string(gap.afterSeq)) + Cell(SecondsWords(header, gap.atTicks)) + "</tr>";
    return html + "</table></section>";
}

std::string SampleSection(const TraceStats& stats) {
    std::string html = "<section><h2>The first calls</h2><pre>";
    for (const trace::Record& record : stats.sample) html += Escaped(RecordLine(record, FindEntry(record.code), stats.facts.header)) + "\n";
    html += "</pre>";
    if (stats.calls > stats.sample.size())
        html += "<p class=\"note\">The first " + std::to_string(stats.sample.size()) + " of " + std::to_string(stats.calls) +
                " calls; <code>lumitrace text</code> lists them all.</p>";
    return html + "</section>";
}

std::string ProblemsSection(const TraceStats& stats) {
    const auto& problems = stats.facts.problems;
    std::string html = "<section><h2>Problems</h2><p>" + Escaped(ProblemsLine(stats.facts)) + "</p>";
    if (problems.empty()) return html + "</section>";
    html += "<ul>";
    for (std::size_t i = 0; i < problems.size() && i < kProblemsShown; ++i) html += "<li>" + Escaped(ProblemWords(problems[i])) + "</li>";
    if (problems.size() > kProblemsShown) html += "<li>... and " + std::to_string(problems.size() - kProblemsShown) + " more</li>";
    return html + "</ul></section>";
}

constexpr const char kStyle[] =
    "body{font:14px/1.45 system-ui,sans-serif;color:#222;margin:24px auto;max-width:1000px;padding:0 16px}"
    "h1{font-size:22px}h2{font-size:18px;border-bottom:1px solid #ccc;padding-bottom:4px;margin-top:32px}"
    "h3{font-size:15px}small{color:#666;font-weight:normal}"
    "table{border-collapse:collapse;margin:8px 0}td,th{border:1px solid #ddd;padding:3px 8px;text-align:left;vertical-align:top}"
    "th{background:#f4f4f4}td.n{text-align:right;white-space:nowrap}td.t{white-space:nowrap}table.facts th{width:140px}"
    "details summary{cursor:pointer;color:#1f4f8f;margin:6px 0}"
    "pre{background:#f8f8f8;padding:8px;overflow-x:auto;font-size:12px}"
    "svg text{font-size:12px;fill:#333}.axis{stroke:#888}.bar{fill:#1f77b4}"
    ".legend span{margin-right:14px;white-space:nowrap}.legend i{display:inline-block;width:12px;height:12px;margin-right:4px;"
    "vertical-align:-1px}.note{color:#555}";

}  // namespace

std::string ReportHtml(const std::string& path, const TraceStats& stats) {
    return "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
           "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; style-src 'unsafe-inline'\">"
           "<title>lumitrace report: " + Escaped(path) + "</title><style>" + kStyle + "</style></head><body>"
           "<h1>Trace of lumivextaran.dll</h1>" +
           OverviewSection(path, stats) + TimeChart(stats) + ExportsChart(stats) + ExportsTable(stats) + FamiliesSection(stats) +
           GapsSection(stats) + SampleSection(stats) + ProblemsSection(stats) + "</body></html>\n";
}

}  // namespace lumi::tracetool
