// Ten thousand threads started and ended one after another, each making a
// few text-building calls: each thread's text storage goes when it ends.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <iostream>
#include <sstream>
#include <vector>

#include "tests/wine/support/text_exports.h"
#include "tests/wine/threads/process_memory.h"
#include "tests/wine/threads/text_workload.h"
#include "tests/wine/threads/thread_helpers.h"

namespace lumi::test {
namespace {

// About 9 s under Wine 8 on one core (some 0.9 ms per thread).
constexpr int kThreads = 10'000;
constexpr int kWarmUpThreads = 200;
constexpr std::int64_t kCallsPerThread = 4;  // one of each export
// A text ring kept per ended thread (about 1 KiB) would be about 10 MiB;
// Wine's own thread bookkeeping keeps a few KiB in all.
constexpr std::ptrdiff_t kMemoryTolerance = 256 * 1024;

TEST(ThreadChurn, TenThousandThreadsOneAfterAnotherLeaveMemoryFlat) {
    OwnedLibrary library;
    const TextExports exports(library.get());
    ASSERT_TRUE(exports.Complete());
    const Separators separators = SeparatorsOf(exports);

    std::vector<std::string> faults;
    auto thread = [&](int stream) {
        const bool started = RunOnNewThread([&] {
            std::vector<std::string> own = RunWorkload(exports, separators, stream % 64, kCallsPerThread);
            faults.insert(faults.end(), own.begin(), own.end());
        });
        if (!started) faults.push_back("thread " + std::to_string(stream) + " not started");
    };
    for (int i = 0; i < kWarmUpThreads; ++i) thread(i);
    const MemoryUse before = MeasureMemory();
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kThreads && faults.size() < 10; ++i) thread(i);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    const MemoryUse growth = MeasureMemory() - before;

    std::cout << kThreads << " threads in " << took.count() << " s; growth: heap " << growth.heapBytes
              << " B, pagefile " << growth.pagefileBytes << " B, private committed " << growth.privateCommittedBytes
              << " B\n";
    std::ostringstream shown;
    for (const std::string& fault : faults) shown << fault << '\n';
    EXPECT_TRUE(faults.empty()) << shown.str();
    EXPECT_EQ(GrowthBeyond(growth, kMemoryTolerance), "");
}

}  // namespace
}  // namespace lumi::test
