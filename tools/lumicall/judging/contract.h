// What one call of an export owes: the pops of its convention, exactly its
// result on the x87 stack, EBX, ESI, EDI and EBP kept, the caller's control
// word untouched; and its answer in words.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/catalogue.h"
#include "tools/lumicall/worker/outcome.h"
#include "tools/words/hex.h"

namespace lumi::call {

// What the control word check compares: the word's defined fields only.
constexpr std::string_view kControlWordCompared = "masks, precision, rounding and infinity control";

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
