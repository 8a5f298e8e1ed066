// Reading a large trace natively: a generated trace of the size bound
// (256 MiB, some 2 million calls) read by the streaming reader, gathered for
// lumitrace's summary and rendered as its report; time and peak resident
// memory of each. Prints figures, asserts nothing.
//   bench_trace_reading [MiB] [folder]
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "tools/lumitrace/report.h"
#include "tools/lumitrace/trace_stats.h"
#include "tools/trace/trace_generator.h"
#include "tools/trace/trace_reader.h"

namespace {

// The peak resident memory since the last reset, in MiB (Linux's VmHWM).
double PeakResidentMiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0) return std::strtod(line.c_str() + 6, nullptr) / 1024.0;
    return -1;
}

void ResetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

template <class Work>
void Measure(const char* what, Work work) {
    ResetPeak();
    const auto start = std::chrono::steady_clock::now();
    const std::clock_t cpuStart = std::clock();
    const std::string said = work();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    // Wall time counts other work on a shared machine; CPU time is this work's.
    std::printf("%-22s %7.2f s wall %7.2f s CPU  peak %7.1f MiB  %s\n", what, seconds, cpu, PeakResidentMiB(), said.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    const std::uint64_t mib = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 256;
    const std::filesystem::path folder = argc > 2 ? argv[2] : std::filesystem::temp_directory_path();
    const std::string path = (folder / "bench-trace-reading.txt").string();
    lumi::trace::GeneratedTrace made;
    Measure("generate (format 2)", [&] {
        made = lumi::trace::WriteGeneratedTrace(path, mib << 20, lumi::trace::format::kVersionTicks);
        return std::to_string(made.bytes >> 20) + " MiB, " + std::to_string(made.calls) + " calls";
    });
    Measure("read every record", [&] {
        lumi::trace::TraceReader reader;
        std::string error;
        if (!reader.Open(path, &error)) return error;
        std::uint64_t records = 0;
        for (lumi::trace::Record record; reader.Next(record);) ++records;
        return std::to_string(records) + " records, " + std::to_string(reader.Facts().problems.size()) + " problems";
    });
    Measure("summary and report", [&] {
        lumi::trace::TraceReader reader;
        std::string error;
        if (!reader.Open(path, &error)) return error;
        const auto stats = lumi::tracetool::Gather(reader);
        const std::string html = lumi::tracetool::ReportHtml(path, stats);
        return std::to_string(stats.calls) + " calls, report " + std::to_string(html.size() / 1024) + " KiB";
    });
    std::filesystem::remove(path);
    return 0;
}
