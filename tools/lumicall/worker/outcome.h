// One call of an export through the raw-slot thunk, as the worker reports
// it: the record the thunk took, a fault, the text it answered, or why the
// call could not be finished.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "tools/lumicall/worker/guarded_call.h"
#include "tools/slotcall/slot_call.h"

namespace lumi::call {

constexpr std::uint16_t kDefaultControlWord = 0x037F;  // 64-bit significand, to nearest, all masked

// A call the worker could not finish.
enum class Failure : std::uint8_t {
    None,
    Hung,        // did not return within the bound: the worker was stopped
    WorkerDied,  // the worker process died in the call
    NotRun,      // not made: its export hung or killed a worker earlier, or no worker could start
};

struct Outcome {
    CallRecord record;
    std::optional<Fault> fault;      // the export faulted; the record means nothing
    std::optional<Fault> textFault;  // its text pointer could not be read
    bool textEnded = true;           // the text ended within kMaxTextUnits
    std::u16string text;             // a text result, copied at once
    Failure failure = Failure::None;
    std::string failureWords;        // "did not return within 2 s", "killed the worker process: ..."
    // The fault was a read through the word the caller itself gave in this
    // slot, one the row reads as a text: the caller's pointer, not the export.
    int callersPointerSlot = -1;
    // RunOptions::keptTexts: the index (in its batch) of an earlier call
    // whose text had changed by the time this call returned; -1 for none.
    int overwrote = -1;
    std::u16string overwrittenText;  // what that text read as then
};

constexpr std::size_t kMaxTextUnits = 4096;
constexpr int kKeptTexts = 15;  // a built text stays intact over this many more text-building calls

}  // namespace lumi::call
