// What lumitrace's summary and report show of a trace, gathered in one pass
// over its records in memory bounded by constants, whatever the trace's size.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <unordered_set>
#include <vector>

#include "catalogue/catalogue.h"
#include "tools/trace/trace_reader.h"

namespace lumi::tracetool {

inline constexpr std::size_t kDistinctInputsKept = 1024;  // per export; more are "over"
inline constexpr std::size_t kValuesKept = 256;           // distinct inputs and answers per family
inline constexpr std::size_t kThreadsShown = 8;           // each its own series; the rest as one
inline constexpr std::size_t kTimeBuckets = 120;          // of the calls-over-time chart
inline constexpr std::size_t kGapsKept = 10;
inline constexpr std::size_t kSampleCalls = 20;

struct ExportStats {
    const ExportEntry* entry = nullptr;  // null: not in the catalogue
    std::uint64_t calls = 0;
    std::uint64_t firstTicks = 0, lastTicks = 0;
    std::unordered_set<std::uint64_t> inputs;  // hashes of the inputs the row reads, at most kDistinctInputsKept
    bool moreInputs = false;
};

// One input and answer of an export, and how often it was seen.
struct ValueCount {
    std::string code, inputs, answer;
    std::uint64_t calls = 0;
};

struct FamilyStats {
    std::uint64_t calls = 0;
    std::map<std::string, ValueCount> values;  // by code, inputs and answer; at most kValuesKept
    std::uint64_t otherCalls = 0;             // of values past the ones kept
};

struct ThreadSeries {
    std::uint32_t thread = 0;  // 0: the threads past kThreadsShown together
    std::uint64_t calls = 0;
    std::array<std::uint64_t, kTimeBuckets> buckets{};
};

struct Gap {
    std::uint64_t ticks = 0;  // from the call before to the call after
    std::uint64_t afterSeq = 0, beforeSeq = 0;
    std::uint64_t atTicks = 0;  // of the call after the gap
};

struct TraceStats {
    trace::Trace facts;  // the header, summary and problems (no records)
    std::uint64_t calls = 0, answered = 0;
    std::uint64_t firstTicks = 0, lastTicks = 0;
    std::map<std::string, ExportStats> exports;  // by code
    std::array<FamilyStats, 11> families;        // by group (GroupOf): families, formatting by routine
    std::vector<ThreadSeries> threads;           // the first kThreadsShown threads, then the rest
    std::uint64_t threadCount = 0;
    std::uint64_t bucketTicks = 1;  // the width of a time bucket
    std::vector<Gap> gaps;          // the longest, longest first
    std::vector<trace::Record> sample;  // the first calls
};

// The group a row's calls are shown in: its family, the formatting family
// split by routine; the last group holds codes not in the catalogue.
std::size_t GroupOf(const ExportEntry* entry);
std::string GroupTitle(std::size_t group);  // "Text constants", "FormatFixed: numbers as text", ...

// Reads every record of an opened reader.
TraceStats Gather(trace::TraceReader& reader);

}  // namespace lumi::tracetool
