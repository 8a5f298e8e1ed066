// What a call must answer, by the tests' own models: each row's constant, the
// slot it hands back, the arithmetic reference, the comparison rule of the
// larger and smaller of two, the plain search, and, for number and time to
// text and rounding, the known-answer table for inputs it holds.
#pragma once

#include <optional>
#include <random>
#include <span>
#include <string>

#include "tools/lumicall/judging/contract.h"
#include "tools/lumicall/judging/known_answers.h"
#include "tools/lumicall/worker/target.h"

namespace lumi::call {

struct Separators {
    char16_t decimal, time;
};

// The separators a load of the library takes from the user's locale now.
Separators SeparatorsNow();

struct AnswerCheck {
    bool checked = false;  // a model covers these inputs
    std::string wrong;     // empty when the call answered as the model says
};

// The call's answer held to the models, for a call that kept its contract
// (no fault, no failure, no raise).
AnswerCheck CheckAnswer(const Request& request, const Outcome& outcome, Separators separators);

// The answer text with the separators put in: "." of a number, ":" of a time.
std::u16string ExpectedText(const ExportEntry& entry, const KnownAnswer& answer, Separators separators);

// Empty when the outcome gives `answer`; else "expected X, got Y".
std::string AnswerMismatch(const ExportEntry& entry, const Outcome& outcome, const KnownAnswer& answer,
                           Separators separators);

// The known case of `entry` whose inputs are the ones `request` gives, if any.
const KnownCase* KnownCaseFor(const Request& request);

// A known case's call: its inputs in the row's slots (texts pointed at),
// random decoys elsewhere.
Request RequestWith(const ExportEntry& entry, std::span<const KnownInput> inputs, std::uint16_t controlWord,
                    std::mt19937& random);

// "slots 0-1 = 152.18955 (0x4063061A9FBE76C9), slot 4 = 4".
std::string InputsWords(const ExportEntry& entry, std::span<const KnownInput> inputs);

}  // namespace lumi::call
