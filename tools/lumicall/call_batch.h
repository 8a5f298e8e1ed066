// Many calls into one DLL, handed over as a list: what compare and replay
// make of their inputs. Each request carries its slot words, its control
// word and the texts its pointer slots are to point at; each gets one
// Outcome, in the same order.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "tools/lumicall/contract.h"
#include "tools/lumicall/library.h"

namespace lumi::call {

struct SlotText {
    int slot = 0;
    std::optional<std::u16string> text;  // none: a null pointer
};

struct CallRequest {
    const ExportEntry* entry = nullptr;
    std::vector<std::uint32_t> slots;  // slot 0 first; text slots are filled in when called
    std::uint16_t controlWord = kDefaultControlWord;
    std::vector<SlotText> texts;
};

// Calls each request's export of `library` (one it lacks is not called:
// check for it first) and answers one Outcome per request.
std::vector<Outcome> RunCalls(const Library& library, std::span<const CallRequest> requests);

// The inputs the row reads, decoded: "slots 0-1 = 1.5  (0x3FF8000000000000),
// slot 4 = 2"; a time also as its UTC date, a text quoted.
std::string RequestInputsWords(const CallRequest& request);

// What the call answered, for comparing two calls: ResultWords, and the
// exceptions it left pending that its control word unmasks.
std::string AnswerWords(const ExportEntry& entry, const Outcome& outcome);

// Whether two calls answered alike: the same answer (SameAnswer), or the
// same unmasked exception raised, and the same unmasked flags left pending.
bool SameOutcome(const ExportEntry& entry, const Outcome& a, const Outcome& b);

// "2023-11-14 22:13:20": a HostTime as a UTC date and time.
std::string UtcWords(std::int32_t seconds);

}  // namespace lumi::call
