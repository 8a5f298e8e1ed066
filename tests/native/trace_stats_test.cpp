// What lumitrace gathers of a trace, in its bounds: threads past the ones
// charted, time buckets that widen, the longest gaps, distinct inputs.
#include <gtest/gtest.h>

#include <numeric>
#include <string>

#include "tools/lumitrace/trace_stats.h"

namespace lumi::tracetool {
namespace {

const std::string kHeader =
    "lumivextaran-trace 1\ndll-version 1.2.0\ndll-path \"C:\\\\a.dll\"\nhost-path \"C:\\\\h.exe\"\nhost-pid 1\n"
    "load-time 2026-01-01T00:00:00.000Z\ndecimal-separator \".\"\ntime-separator \":\"\ntext-bound 256\n"
    "size-bound 268435456\nwrapped 0000000000\nrecords\n";

// A call of the pass-through 1i1I1Ii1ii (one slot, answered as it is) by `thread` at `micros`.
std::string Call(std::uint64_t seq, std::uint32_t thread, std::uint64_t micros, std::uint32_t input) {
    char slot[9];
    std::snprintf(slot, sizeof slot, "%08X", input);
    return "call " + std::to_string(seq) + " " + std::to_string(thread) + " " + std::to_string(micros) +
           " 1i1I1Ii1ii 00401000 037F " + slot + "\nret " + std::to_string(seq) + " word 00000007 7\n";
}

TraceStats StatsOf(const std::string& file) {
    trace::TraceReader reader;
    reader.OpenBytes(file);
    return Gather(reader);
}

TEST(TraceStats, KeepsItsBoundsOverAnyNumberOfCalls) {
    constexpr std::uint64_t kCalls = 5000, kThreads = 12;
    std::string file = kHeader;
    for (std::uint64_t seq = 1; seq <= kCalls; ++seq)
        file += Call(seq, static_cast<std::uint32_t>(100 + seq % kThreads), seq * 10 + (seq > 4000 ? 90000 : 0),
                     static_cast<std::uint32_t>(seq));
    const TraceStats stats = StatsOf(file);
    EXPECT_TRUE(stats.facts.problems.empty()) << stats.facts.problems.front().what;
    EXPECT_EQ(stats.calls, kCalls);
    EXPECT_EQ(stats.threadCount, kThreads);
    ASSERT_EQ(stats.threads.size(), kThreadsShown + 1);  // the rest as one series
    EXPECT_EQ(stats.threads.back().thread, 0u);
    std::uint64_t charted = 0;
    for (const ThreadSeries& series : stats.threads) {
        charted += series.calls;
        EXPECT_EQ(std::accumulate(series.buckets.begin(), series.buckets.end(), std::uint64_t{0}), series.calls);
    }
    EXPECT_EQ(charted, kCalls);
    EXPECT_GE(stats.bucketTicks * kTimeBuckets, stats.lastTicks - stats.firstTicks);  // widened to hold the span
    ASSERT_EQ(stats.gaps.size(), kGapsKept);
    EXPECT_EQ(stats.gaps[0].ticks, 90010u);  // the quiet spell before call 4001
    EXPECT_EQ(stats.gaps[0].afterSeq, 4001u);
    const ExportStats& exported = stats.exports.at("1i1I1Ii1ii");
    EXPECT_EQ(exported.inputs.size(), kDistinctInputsKept);
    EXPECT_TRUE(exported.moreInputs);
    EXPECT_EQ(stats.sample.size(), kSampleCalls);
    // Many inputs: the values kept stop at their bound, the rest counted.
    const FamilyStats& family = stats.families[GroupOf(FindEntry("1i1I1Ii1ii"))];
    EXPECT_EQ(family.values.size(), kValuesKept);
    EXPECT_EQ(family.otherCalls, kCalls - kValuesKept);
}

TEST(TraceStats, GroupsTheFormattingRowsByRoutine) {
    const std::pair<const char*, const char*> rows[] = {
        {"Ii1IiI1III", "FormatFixed: numbers as text"}, {"iI1I1III1I", "FormatTime: times as text"},
        {"iIiIIiIii1", "FindText: texts searched"},     {"iI11IIii1I", "Text constants"},
    };
    for (const auto& [code, title] : rows) EXPECT_EQ(GroupTitle(GroupOf(FindEntry(code))), title) << code;
    EXPECT_EQ(GroupTitle(GroupOf(nullptr)), "Not in the catalogue");
}

}  // namespace
}  // namespace lumi::tracetool
