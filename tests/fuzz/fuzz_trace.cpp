// libFuzzer target over the trace reader: any bytes parse without a crash,
// and what it reports holds together. Build and run with scripts/fuzz.sh.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>

#include "tests/fuzz/require.h"
#include "tools/trace/trace_reader.h"

namespace {

// A valid header first, so most inputs reach the record lines.
const std::string kHeader =
    "lumivextaran-trace 1\ndll-version 1.0.0\ndll-path \"C:\\\\a.dll\"\nhost-path \"C:\\\\h.exe\"\n"
    "host-pid 1\nload-time 2026-01-01T00:00:00.000Z\ndecimal-separator \".\"\ntime-separator \":\"\n"
    "text-bound 256\nsize-bound 65536\nwrapped 0000000000\nrecords\n";

void Check(std::string_view file) {
    const lumi::trace::Trace trace = lumi::trace::ParseTrace(file);
    // Each number once, in order but for late calls.
    std::set<std::uint64_t> seqs;
    for (const auto& record : trace.records) {
        REQUIRE(seqs.insert(record.seq).second);
        REQUIRE(trace.firstSeq <= record.seq && record.seq <= trace.lastSeq);
        REQUIRE(record.inputsLine > 0);
        REQUIRE(record.result.has_value() == (record.resultLine > 0));
        for (const auto& text : record.texts) {
            REQUIRE(text.slot >= 0 && static_cast<std::size_t>(text.slot) < record.slots.size());
            // What the reader read, the writer's escaping writes back the same.
            if (text.text.state == lumi::trace::Text::State::Whole) {
                lumi::trace::Text again;
                const std::string escaped = lumi::trace::EscapeText(text.text.units, SIZE_MAX);
                REQUIRE(lumi::trace::UnescapeText(escaped, again) == escaped.size());
                REQUIRE(again.units == text.text.units);
            }
        }
    }
    REQUIRE(trace.problems.size() <= lumi::trace::kMaxProblems + 1);
    if (!trace.hasHeader) REQUIRE(trace.records.empty());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    Check(bytes);
    Check(kHeader + std::string(bytes));
    return 0;
}
