#include "tools/lumitrace/trace_stats.h"

#include <algorithm>

#include "catalogue/describe.h"
#include "tools/lumitrace/record_words.h"

namespace lumi::tracetool {
namespace {

constexpr std::uint64_t kThreadIdsKept = 1u << 16;  // distinct threads counted exactly up to this

// FNV-1a over the words the row reads: equal inputs, equal hash.
class InputHash {
public:
    void Add(std::uint64_t word) {
        for (int i = 0; i < 8; ++i, word >>= 8) hash_ = (hash_ ^ (word & 0xFF)) * 0x100000001B3u;
    }
    std::uint64_t Value() const { return hash_; }

private:
    std::uint64_t hash_ = 0xCBF29CE484222325u;
};

std::uint64_t InputsHash(const trace::Record& record, const ExportEntry* entry) {
    InputHash hash;
    if (entry == nullptr) {
        for (std::uint32_t word : record.slots) hash.Add(word);
    } else {
        for (int i = 0; i < entry->InputCount(); ++i) {
            const SlotInput& input = entry->inputs[static_cast<std::size_t>(i)];
            const auto slot = static_cast<std::size_t>(input.slot);
            if (input.kind == ValueKind::Text) {
                const trace::Text* text = record.TextOf(input.slot);
                hash.Add(text == nullptr ? 0xFFFF : static_cast<std::uint64_t>(text->state) << 32 | text->units.size());
                if (text != nullptr)
                    for (char16_t unit : text->units) hash.Add(unit);
            } else if (slot < record.slots.size()) {
                hash.Add(record.slots[slot]);
                if (input.kind == ValueKind::Double && slot + 1 < record.slots.size()) hash.Add(record.slots[slot + 1]);
            }
        }
    }
    return hash.Value();
}

class Gatherer {
public:
    explicit Gatherer(TraceStats& stats) : stats_(stats) {}

    void Add(trace::Record& record) {
        ++stats_.calls;
        if (record.result) ++stats_.answered;
        if (stats_.calls == 1) stats_.firstTicks = origin_ = record.ticks;
        stats_.firstTicks = std::min(stats_.firstTicks, record.ticks);
        stats_.lastTicks = std::max(stats_.lastTicks, record.ticks);
        AddExport(record);
        AddThread(record);
        AddGap(record);
        previousTicks_ = record.ticks;
        previousSeq_ = record.seq;
        if (stats_.sample.size() < kSampleCalls) stats_.sample.push_back(std::move(record));
    }

private:
    void AddExport(const trace::Record& record) {
        auto [found, isNew] = stats_.exports.try_emplace(record.code);
        ExportStats& exported = found->second;
        if (isNew) {
            exported.entry = FindEntry(record.code);
            exported.firstTicks = record.ticks;
        }
        ++exported.calls;
        exported.lastTicks = std::max(exported.lastTicks, record.ticks);  // a late call comes out of order
        if (exported.inputs.size() < kDistinctInputsKept) {
            exported.inputs.insert(InputsHash(record, exported.entry));
        } else if (!exported.moreInputs) {
            exported.moreInputs = exported.inputs.count(InputsHash(record, exported.entry)) == 0;
        }
        FamilyStats& family = stats_.families[GroupOf(exported.entry)];
        ++family.calls;
        std::string inputs = InputsWords(record, exported.entry), answer = ResultWords(record);
        std::string key = record.code + '\n' + inputs + '\n' + answer;
        const auto value = family.values.find(key);
        if (value != family.values.end()) {
            ++value->second.calls;
        } else if (family.values.size() < kValuesKept) {
            family.values.emplace(std::move(key), ValueCount{record.code, std::move(inputs), std::move(answer), 1});
        } else {
            ++family.otherCalls;
        }
    }

    void AddThread(const trace::Record& record) {
        if (threadIds_.size() < kThreadIdsKept && threadIds_.insert(record.thread).second) ++stats_.threadCount;
        while ((record.ticks - std::min(record.ticks, origin_)) / stats_.bucketTicks >= kTimeBuckets) Widen();
        ThreadSeries* series = nullptr;
        for (ThreadSeries& s : stats_.threads)
            if (s.thread == record.thread) series = &s;
        if (series == nullptr && stats_.threads.size() < kThreadsShown) series = &stats_.threads.emplace_back(ThreadSeries{record.thread});
        if (series == nullptr) {
            if (stats_.threads.size() == kThreadsShown) stats_.threads.push_back(ThreadSeries{0});
            series = &stats_.threads.back();
        }
        ++series->calls;
        ++series->buckets[(record.ticks - std::min(record.ticks, origin_)) / stats_.bucketTicks];
    }

    // Twice as wide buckets, each the sum of two.
    void Widen() {
        for (ThreadSeries& series : stats_.threads) {
            for (std::size_t i = 0; i < kTimeBuckets; ++i) {
                const std::size_t from = 2 * i;
                series.buckets[i] = from < kTimeBuckets ? series.buckets[from] + (from + 1 < kTimeBuckets ? series.buckets[from + 1] : 0) : 0;
            }
        }
        stats_.bucketTicks *= 2;
    }

    void AddGap(const trace::Record& record) {
        if (stats_.calls == 1 || record.ticks <= previousTicks_) return;
        const Gap gap{record.ticks - previousTicks_, record.seq, previousSeq_, record.ticks};
        auto longer = [](const Gap& a, const Gap& b) { return a.ticks > b.ticks; };
        if (stats_.gaps.size() == kGapsKept && !longer(gap, stats_.gaps.back())) return;
        stats_.gaps.insert(std::upper_bound(stats_.gaps.begin(), stats_.gaps.end(), gap, longer), gap);
        if (stats_.gaps.size() > kGapsKept) stats_.gaps.pop_back();
    }

    TraceStats& stats_;
    std::unordered_set<std::uint32_t> threadIds_;
    std::uint64_t previousTicks_ = 0, previousSeq_ = 0;
    std::uint64_t origin_ = 0;  // the first call's time: the chart's start
};

}  // namespace

TraceStats Gather(trace::TraceReader& reader) {
    TraceStats stats;
    Gatherer gatherer(stats);
    for (trace::Record record; reader.Next(record);) gatherer.Add(record);
    stats.facts = reader.Facts();
    return stats;
}

namespace {

// The formatting family's groups, after the other families'.
struct RoutineGroup {
    std::size_t group;
    std::string_view what;
};
constexpr std::size_t kFormattingGroup = static_cast<std::size_t>(Family::Formatting);
constexpr std::size_t kUnknownGroup = 10;
constexpr std::pair<Routine, RoutineGroup> kRoutineGroups[] = {
    {Routine::FormatFixed,   {kFormattingGroup,     "numbers as text"}},
    {Routine::FormatTime,    {kFormattingGroup + 1, "times as text"}},
    {Routine::RoundToDigits, {kFormattingGroup + 2, "numbers rounded"}},
    {Routine::MaxOf,         {kFormattingGroup + 3, "the larger and the smaller"}},
    {Routine::MinOf,         {kFormattingGroup + 3, "the larger and the smaller"}},
    {Routine::FindText,      {kFormattingGroup + 4, "texts searched"}},
};
constexpr std::size_t kOtherFormattingGroup = kFormattingGroup + 5;

}  // namespace

std::size_t GroupOf(const ExportEntry* entry) {
    if (entry == nullptr) return kUnknownGroup;
    if (entry->family != Family::Formatting) return static_cast<std::size_t>(entry->family);
    for (const auto& [routine, group] : kRoutineGroups)
        if (routine == entry->routine) return group.group;
    return kOtherFormattingGroup;
}

std::string GroupTitle(std::size_t group) {
    if (group == kUnknownGroup) return "Not in the catalogue";
    if (group < kFormattingGroup) return std::string(FamilyHeading(static_cast<Family>(group)));
    std::string routines, what;
    for (const auto& [routine, routineGroup] : kRoutineGroups)
        if (routineGroup.group == group) {
            routines += (routines.empty() ? "" : ", ") + std::string(RoutineName(routine));
            what = routineGroup.what;
        }
    if (routines.empty()) return std::string(FamilyHeading(Family::Formatting));
    return routines + ": " + what;
}

}  // namespace lumi::tracetool
