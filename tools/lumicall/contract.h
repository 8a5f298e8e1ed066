// One call of an export through the raw-slot thunk, and what it owes: the
// pops of its convention, exactly its result on the x87 stack, EBX, ESI,
// EDI and EBP kept, the caller's control word untouched.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/catalogue.h"
#include "tools/lumicall/guarded_call.h"
#include "tools/slotcall/slot_call.h"

namespace lumi::call {

constexpr std::uint16_t kDefaultControlWord = 0x037F;  // 64-bit significand, to nearest, all masked

// What the control word check compares: the word's defined fields only.
constexpr std::string_view kControlWordCompared = "masks, precision, rounding and infinity control";

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

Outcome CallExport(const void* function, const ExportEntry& entry, const std::vector<std::uint32_t>& slots,
                   std::uint16_t controlWord = kDefaultControlWord);

// `value` in upper-case hexadecimal, padded with 0 to `digits`.
std::string Hex(std::uint64_t value, int digits);

// A double in the shortest form that reads back as it, and its bits:
// "2.72  (0x4005C28F5C28F5C3)".
std::string DoubleWords(std::uint64_t bits);

// The caller unmasked an x87 exception and the export met it, which trapped.
bool RaisedUnmasked(const Outcome& outcome);

// The x87 exceptions (control-word bits) the call raised that its control
// word leaves unmasked: the one that trapped, or the flags left pending.
std::uint16_t RaisedBits(const Outcome& outcome);

// The call raised an exception its word unmasks, on inputs for which the
// catalogue page lists it (RaiseListed; precision always): the library's
// choice, allowed, and the answer not judged.
bool RaiseAllowed(const ExportEntry& entry, const Outcome& outcome, std::span<const std::uint32_t> slots);

// The fault came from reading the text pointer the caller gave (not a text
// lumicall built): the caller's pointer, not the export, is at fault.
bool CallersPointerFault(const Outcome& outcome);

// Each way the call broke the row's contract, in words; empty when it held.
// A raise the page lists for these inputs is no breach (RaiseAllowed), nor
// a fault reading the caller's own pointer; any other raise is.
std::vector<std::string> Breaches(const ExportEntry& entry, const Outcome& outcome,
                                  std::span<const std::uint32_t> slots);

// What the call raised that its control word leaves unmasked, in words: the
// exception that trapped, or the flags left pending; empty when nothing.
std::string UnmaskedRaised(const Outcome& outcome);

// Whether the export left exactly one value on the x87 stack.
bool LeftOneValue(const Outcome& outcome);

// The result in words: text quoted, integers signed and in hex, doubles with
// the shortest form that reads back and their bits.
std::string ResultWords(const ExportEntry& entry, const Outcome& outcome);

// Whether two calls gave the same answer: texts by content, doubles by all
// 80 bits of ST(0), everything else by EAX.
bool SameAnswer(const ExportEntry& entry, const Outcome& a, const Outcome& b);

// "32 bytes (8 slots)".
std::string PoppedWords(std::uint32_t bytes);

std::uint32_t ExpectedPop(const ExportEntry& entry);

}  // namespace lumi::call
