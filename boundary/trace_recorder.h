// The recorder of the tracing build: one trace file per load, written
// through a small window of a memory-mapped file, so a record costs a few
// stores and what was written reaches the file even when the host dies.
// Nothing here reaches the host: a trace that cannot be written is given up
// (the reason said once through OutputDebugStringW) and the exports answer
// on, untraced.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "boundary/slots.h"
#include "boundary/trace_format.h"

namespace lumi::trace {

using RowResult = format::ResultKind;

// One row's trace descriptor; lumiTraceEnter reads the first fields by
// offset (boundary/trace_enter.S), so their order is fixed.
struct Row {
    const char* code;            // the ten characters
    std::uint32_t words;         // slot words recorded and copied for the body
    std::uint32_t popBytes;      // removed from the stack on return
    RowResult result;
    std::int8_t textSlot;        // the search rows' text and pattern, else -1
    std::int8_t patternSlot;
    const void* body;            // the row's body, with the export's convention
    volatile long calls;         // for the summary
};

// Bytes kept after the record area for the summary, and what the summary of
// `rows` rows needs at most: "summary", a `calls` line per row, the total
// and "end" (catalogue/exports.cpp checks the tables against it).
inline constexpr std::uint32_t kSummaryReserve = 16u << 10;
constexpr std::size_t SummaryBytes(std::size_t rows) {
    constexpr std::size_t kCallsLine = sizeof "calls " - 1 + format::kCodeLength + 1 + 10 + 1;
    constexpr std::size_t kEnds = sizeof "summary\ntotal \nend\n" - 1 + format::kMaxDecimalBytes;
    return rows * kCallsLine + kEnds;
}

template <class Result>
constexpr RowResult ResultKindOf() {
    if constexpr (std::is_same_v<Result, double>) return RowResult::Double;
    else if constexpr (std::is_pointer_v<Result>) return RowResult::Text;
    else if constexpr (std::is_same_v<Result, ValueSlot>) return RowResult::Word;
    else return RowResult::Integer;
}

// Load and unload, from DllMain: both only note times and paths, or write
// what is already mapped. The file is opened on the first call.
void OnLoad(void* module);
void OnUnload(bool processExit);

}  // namespace lumi::trace

// Called by lumiTraceEnter with the caller's x87 state in the unit: what
// they run is integer code only, and whatever calls out (the first open, a
// new window, a memory query, a wait) does so with the state saved and the
// unit reset. `x87State` is fnsave's image after a double result, else null.
extern "C" void lumiTraceInputs(lumi::trace::Row* row, const std::uint32_t* slots,
                                std::uint32_t returnAddress, std::uint32_t controlWord, std::uint64_t* seq);
extern "C" void lumiTraceResult(lumi::trace::Row* row, const std::uint64_t* seq, std::uint32_t eax,
                                const std::uint8_t* x87State);
// boundary/trace_enter.S: copies a text's units under an exception guard;
// the units before its zero (at most `count`), or -1 when the memory faults.
extern "C" std::int32_t lumiTraceCopyUnits(const char16_t* from, char16_t* to, std::uint32_t count);
