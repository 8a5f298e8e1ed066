// The recorder of the tracing build: one trace file per load, written
// through a small window of a memory-mapped file, so a record costs a few
// stores and what was written reaches the file even when the host dies.
// Nothing here reaches the host: a trace that cannot be written is given up
// (the reason said once through OutputDebugStringW) and the exports answer
// on, untraced.
#pragma once

#include <cstdint>
#include <type_traits>

#include "boundary/slots.h"

namespace lumi::trace {

enum class RowResult : std::uint8_t { Word, Integer, Double, Text };

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

// Called by lumiTraceEnter with the x87 state saved by fnsave (and the unit
// reset to its defaults), so nothing here can touch what the body sees.
extern "C" void lumiTraceInputs(lumi::trace::Row* row, const std::uint32_t* slots,
                                std::uint32_t returnAddress, const std::uint8_t* x87State, std::uint64_t* seq);
extern "C" void lumiTraceResult(lumi::trace::Row* row, const std::uint64_t* seq, std::uint32_t eax,
                                const std::uint8_t* x87State);
