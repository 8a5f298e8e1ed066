// The known answers `lumicall verify` replays (known_answers.def): inputs of
// one export, and what it answers under each of the twelve combinations of
// precision (64, 53 or 24 bits) and rounding mode that a control word selects.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace lumi::call {

constexpr int kCombinations = 12;

// The combination a control word selects, or none for the reserved
// precision field.
std::optional<int> CombinationOf(std::uint16_t controlWord);

// "037F: 64-bit precision, to nearest, all exceptions masked".
std::string ControlWordWords(std::uint16_t controlWord);

enum class InputKind : std::uint8_t { Double, Integer, Text };

struct KnownInput {
    InputKind kind;
    std::uint64_t bits;    // a double's bits, or a 32-bit integer
    const char16_t* text;  // a text input (null stands for a null pointer)
};

struct KnownAnswer {
    std::uint16_t held;    // bit c: holds under combination c
    const char* text;      // text answers, "." and ":" standing for the separators
    std::uint64_t bits;    // a double's bits, or a 32-bit integer
};

struct KnownCase {
    std::string_view code;
    std::span<const KnownInput> inputs;  // in slot order, as the catalogue row reads them
    std::span<const KnownAnswer> answers;

    // The answer under `combination`, if the table holds one.
    const KnownAnswer* AnswerUnder(int combination) const;
};

std::span<const KnownCase> KnownCases();

// Empty when every case names a catalogue row, gives the inputs that row
// reads (kind by kind, in slot order) and an answer under every combination;
// else the first case that does not.
std::string TableMismatch();

}  // namespace lumi::call
