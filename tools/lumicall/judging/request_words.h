// A call and its answer in words, and whether two calls answered alike:
// what compare and replay print for every difference.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "tools/lumicall/judging/contract.h"
#include "tools/lumicall/worker/target.h"

namespace lumi::call {

// The slots the request pushes.
inline std::span<const std::uint32_t> PushedSlots(const Request& request) {
    return {request.slots.data(), request.slotCount};
}

// The inputs the row reads, decoded: "slots 0-1 = 1.5  (0x3FF8000000000000),
// slot 4 = 2"; a time also as its UTC date, a text quoted.
std::string RequestInputsWords(const Request& request);

// What the call answered: ResultWords, and the exceptions it left pending
// that its control word unmasks.
std::string AnswerWords(const ExportEntry& entry, const Outcome& outcome);

// Whether two calls answered alike: the same unmasked exceptions raised and,
// where neither trapped, the same answer (SameAnswer); where both trapped,
// the same exception.
bool SameOutcome(const ExportEntry& entry, const Outcome& a, const Outcome& b);

// "2023-11-14 22:13:20": a HostTime as a UTC date and time.
std::string UtcWords(std::int32_t seconds);

}  // namespace lumi::call
