// A stream of text-building calls whose every text is known in advance, and
// the check that a thread's last texts still hold what they held: what the
// thread tests run on each of their threads.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/wine/support/text_exports.h"

namespace lumi::test {

// The texts a thread may rely on: the one just returned and the 15 before it.
constexpr int kTextsKeptBack = 15;

// Call `index` of the stream of `stream`: one of four exports in turn, with
// an argument of its own. Numbers are exact quarters shown with 2 decimals,
// so that their text is known without rounding; times come from the whole
// 32-bit range.
struct WorkloadCall {
    enum class Export : std::uint8_t { CalleePopsNumber, CallerPopsNumber, DateTimeSeconds, Clock } which;
    std::int64_t quarters;  // numbers: the value is quarters / 4
    std::int32_t time;

    static WorkloadCall Make(int stream, std::int64_t index);
    const char16_t* Run(const TextExports& exports) const;
    std::u16string Expected(Separators separators) const;
    std::string Name() const;
};

// Makes `calls` calls of `stream` on the calling thread, checking each text
// as it comes back and the kTextsKeptBack texts before it after every call.
// Returns what went wrong (at most a few faults are kept).
std::vector<std::string> RunWorkload(const TextExports& exports, Separators separators, int stream,
                                     std::int64_t calls);

}  // namespace lumi::test
