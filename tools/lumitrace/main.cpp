// lumitrace: reads a trace of lumivextaran.dll's tracing build natively,
// record by record in bounded memory: its summary, every call decoded, or a
// report page to look at.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/lumitrace/record_words.h"
#include "tools/lumitrace/report.h"
#include "tools/lumitrace/summary.h"

namespace {

using namespace lumi;

// Exit statuses, as lumicall's.
constexpr int kAllHeld = 0;         // read whole, nothing wrong in it
constexpr int kTraceDamaged = 1;    // read, with problems named
constexpr int kWrongUse = 2;        // wrong use, or no trace to read

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct Command {
    std::string_view name;
    std::string_view usage;
    int (*run)(const std::string& trace, const std::string& output);
    bool wantsOutput;
};

void Write(std::FILE* to, std::string_view text) {
    if (std::fwrite(text.data(), 1, text.size(), to) != text.size())
        throw std::runtime_error("cannot write the output: " + std::string(std::strerror(errno)));
}

trace::TraceReader& Opened(trace::TraceReader& reader, const std::string& path) {
    std::string error;
    if (!reader.Open(path, &error)) throw std::runtime_error("cannot read the trace " + path + ": " + error);
    const trace::Trace& facts = reader.Facts();
    if (!facts.hasHeader)
        throw std::runtime_error(path + " is not a trace of the tracing build" +
                                 (facts.problems.empty() ? "" : " (" + tracetool::ProblemWords(facts.problems[0]) + ")"));
    return reader;
}

int StatusOf(const trace::Trace& facts) {
    return facts.problems.empty() && !facts.cutLine ? kAllHeld : kTraceDamaged;
}

int Summary(const std::string& path, const std::string&) {
    trace::TraceReader reader;
    const tracetool::TraceStats stats = tracetool::Gather(Opened(reader, path));
    Write(stdout, tracetool::SummaryText(path, stats));
    return StatusOf(stats.facts);
}

int Text(const std::string& path, const std::string&) {
    trace::TraceReader reader;
    Opened(reader, path);
    std::string lines;
    constexpr std::size_t kFlushBytes = 1u << 16;
    for (trace::Record record; reader.Next(record);) {
        lines += tracetool::RecordLine(record, FindEntry(record.code), reader.Facts().header) + "\n";
        if (lines.size() >= kFlushBytes) Write(stdout, lines), lines.clear();
    }
    for (const trace::Problem& problem : reader.Facts().problems) lines += "problem  " + tracetool::ProblemWords(problem) + "\n";
    Write(stdout, lines + "problems: " + tracetool::ProblemsLine(reader.Facts()) + "\n");
    return StatusOf(reader.Facts());
}

int Report(const std::string& path, const std::string& output) {
    trace::TraceReader reader;
    const tracetool::TraceStats stats = tracetool::Gather(Opened(reader, path));
    const std::string html = tracetool::ReportHtml(path, stats);
    std::ofstream out(output, std::ios::binary | std::ios::trunc);
    if (!out || !out.write(html.data(), static_cast<std::streamsize>(html.size())) || !out.flush())
        throw std::runtime_error("cannot write the report " + output);
    Write(stdout, "report: " + output + " (" + std::to_string(html.size()) + " bytes), problems: " +
                      tracetool::ProblemsLine(stats.facts) + "\n");
    return StatusOf(stats.facts);
}

constexpr Command kCommands[] = {
    {"summary", "lumitrace summary TRACE\n"
                "  the header (DLL version, host, load time, separators, bounds, wraps), the time span, the calls\n"
                "  and threads, and per export its code, family, answer, calls, distinct inputs, first and last\n"
                "  time; it ends with the problems found (damaged or cut lines)\n",
     Summary, false},
    {"text", "lumitrace text TRACE\n"
             "  every record in sequence order as one readable line: doubles in their shortest decimal beside\n"
             "  their bits, texts in UTF-8; then the problems found\n",
     Text, false},
    {"report", "lumitrace report TRACE -o REPORT.html\n"
               "  one self-contained HTML page (no script, nothing fetched): the summary, calls over time per\n"
               "  thread, the busiest exports, each family's inputs and answers with counts, the slowest gaps\n",
     Report, true},
};

constexpr std::string_view kTail =
    "\nExit status: 0 the trace was read and nothing in it is wrong, 1 it was read with problems\n"
    "(damaged or cut lines, named), 2 wrong use, or the file is no trace. Any command takes --help.\n";

std::string Usage() {
    std::string usage = "usage: lumitrace COMMAND TRACE ...\n\n";
    for (const Command& command : kCommands) usage += std::string(command.usage) + "\n";
    return usage + "lumitrace reads the trace files of lumivextaran.dll's tracing build, of any size, in bounded memory."
                   + std::string(kTail);
}

int Run(std::vector<std::string> arguments) {
    if (arguments.empty()) {
        Write(stderr, Usage());
        return kWrongUse;
    }
    const std::string name = arguments.front();
    arguments.erase(arguments.begin());
    if (name == "help" || name == "--help" || name == "-h") {
        if (!arguments.empty()) throw UsageError("help takes no argument '" + arguments[0] + "'");
        Write(stdout, Usage());
        return kAllHeld;
    }
    for (const Command& command : kCommands) {
        if (command.name != name) continue;
        std::string output;
        std::vector<std::string> traces;
        for (std::size_t i = 0; i < arguments.size(); ++i) {
            const std::string& word = arguments[i];
            if (word == "--help" || word == "-h") {
                Write(stdout, "usage: " + std::string(command.usage) + std::string(kTail));
                return kAllHeld;
            }
            if (command.wantsOutput && (word == "-o" || word == "--output")) {
                if (i + 1 >= arguments.size() || arguments[i + 1].empty()) throw UsageError(word + " needs a file to write");
                output = arguments[++i];
            } else if (word.size() > 1 && word[0] == '-') {
                throw UsageError(name + " has no option '" + word + "'");
            } else {
                traces.push_back(word);
            }
        }
        if (traces.empty() || traces[0].empty()) throw UsageError(name + " needs a trace file: " + std::string(command.usage.substr(0, command.usage.find('\n'))));
        if (traces.size() > 1) throw UsageError(name + " takes one trace file, not '" + traces[1] + "' too");
        if (command.wantsOutput && output.empty()) throw UsageError(name + " needs -o REPORT.html, the file to write");
        return command.run(traces[0], output);
    }
    throw UsageError("unknown command '" + name + "'");
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const int status = Run(std::vector<std::string>(argv + 1, argv + argc));
        if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
            std::fprintf(stderr, "lumitrace: cannot write the output: %s\n", std::strerror(errno));
            return status == kAllHeld ? kWrongUse : status;
        }
        return status;
    } catch (const UsageError& error) {
        std::fprintf(stderr, "lumitrace: %s\n(lumitrace help shows the usage)\n", error.what());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "lumitrace: %s\n", error.what());
    }
    return kWrongUse;
}
