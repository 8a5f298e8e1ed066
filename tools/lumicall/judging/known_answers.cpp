#include "tools/lumicall/judging/known_answers.h"

#include <cstdio>
#include <stdexcept>

#include "catalogue/catalogue.h"

namespace lumi::call {
namespace {

constexpr std::string_view kRoundingLetters = "NDUZ";
constexpr const char* kRoundingWords[] = {"to nearest", "down", "up", "toward zero"};
constexpr int kPrecisionBits[] = {64, 53, 24};  // the table's order
constexpr int kGroupOfPrecisionField[] = {2, -1, 1, 0};  // 24, reserved, 53, 64 bits

constexpr std::uint16_t kPrecisionShift = 8, kRoundingShift = 10, kExceptionMasks = 0x3F;

// "NDUZ|ND--|----" (64|53|24 bits) as a mask of combinations; a malformed
// spelling stops the build.
constexpr std::uint16_t Held(std::string_view spelling) {
    if (spelling.size() != 14) throw std::logic_error("held: three groups of four letters");
    std::uint16_t mask = 0;
    for (int c = 0; c < kCombinations; ++c) {
        const char letter = spelling[c / 4 * 5 + c % 4];
        if (letter == kRoundingLetters[c % 4]) mask |= static_cast<std::uint16_t>(1u << c);
        else if (letter != '-') throw std::logic_error("held: N, D, U, Z or -");
    }
    return mask;
}

#define DBL(bits) KnownInput{InputKind::Double, bits, nullptr}
#define INT(value) KnownInput{InputKind::Integer, static_cast<std::uint32_t>(value), nullptr}
#define STR(text) KnownInput{InputKind::Text, 0, text}
#define GIVES_STR(held, text) KnownAnswer{Held(held), text, 0}
#define GIVES_DBL(held, bits) KnownAnswer{Held(held), nullptr, bits}
#define GIVES_INT(held, value) KnownAnswer{Held(held), nullptr, static_cast<std::uint32_t>(value)}
#define LUMI_UNPARENTHESIZED(...) __VA_ARGS__
#define LUMI_JOINED(a, b) a##b
#define LUMI_OF_LINE(name, line) LUMI_JOINED(name, line)

// Each row's inputs and answers, in arrays named after the row's line...
#define KNOWN(code, inputs, ...)                                                                    \
    constexpr KnownInput LUMI_OF_LINE(kInputsOfLine, __LINE__)[] = {LUMI_UNPARENTHESIZED inputs}; \
    constexpr KnownAnswer LUMI_OF_LINE(kAnswersOfLine, __LINE__)[] = {__VA_ARGS__};
#include "tools/lumicall/judging/known_answers.def"
#undef KNOWN

// ...and the rows, which find them by the same line.
#define KNOWN(code, inputs, ...) \
    {#code, LUMI_OF_LINE(kInputsOfLine, __LINE__), LUMI_OF_LINE(kAnswersOfLine, __LINE__)},
constexpr KnownCase kKnownCases[] = {
#include "tools/lumicall/judging/known_answers.def"
};
#undef KNOWN

#undef DBL
#undef INT
#undef STR
#undef GIVES_STR
#undef GIVES_DBL
#undef GIVES_INT

}  // namespace

std::optional<int> CombinationOf(std::uint16_t controlWord) {
    const int group = kGroupOfPrecisionField[controlWord >> kPrecisionShift & 3];
    if (group < 0) return std::nullopt;
    return group * 4 + (controlWord >> kRoundingShift & 3);
}

std::string ControlWordWords(std::uint16_t controlWord) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "%04X", static_cast<unsigned>(controlWord));
    const int group = kGroupOfPrecisionField[controlWord >> kPrecisionShift & 3];
    std::string words = std::string(hex) + ": ";
    words += group < 0 ? "reserved precision" : std::to_string(kPrecisionBits[group]) + "-bit precision";
    words += std::string(", ") + kRoundingWords[controlWord >> kRoundingShift & 3];
    static constexpr const char* kExceptions[] = {"invalid", "denormal", "zero divide", "overflow", "underflow",
                                                  "precision"};
    std::string unmasked;
    for (int bit = 0; bit < 6; ++bit)
        if (!(controlWord >> bit & 1)) unmasked += (unmasked.empty() ? "" : ", ") + std::string(kExceptions[bit]);
    return words + ((controlWord & kExceptionMasks) == kExceptionMasks ? ", all exceptions masked"
                                                                        : ", unmasked: " + unmasked);
}

const KnownAnswer* KnownCase::AnswerUnder(int combination) const {
    for (const KnownAnswer& answer : answers)
        if (answer.held >> combination & 1) return &answer;
    return nullptr;
}

std::span<const KnownCase> KnownCases() { return kKnownCases; }

std::string TableMismatch() {
    constexpr std::uint16_t kEveryCombination = (1u << kCombinations) - 1;
    const auto kindOf = [](ValueKind kind) {
        return kind == ValueKind::Double ? InputKind::Double : kind == ValueKind::Text ? InputKind::Text : InputKind::Integer;
    };
    for (const KnownCase& known : kKnownCases) {
        const std::string which = "known answer of " + std::string(known.code);
        const ExportEntry* entry = FindEntry(known.code);
        if (entry == nullptr) return which + ": no such export";
        bool fits = static_cast<std::size_t>(entry->InputCount()) == known.inputs.size();
        for (std::size_t i = 0; fits && i < known.inputs.size(); ++i) fits = known.inputs[i].kind == kindOf(entry->inputs[i].kind);
        if (!fits) return which + ": its inputs are not the ones the row reads";
        std::uint16_t held = 0;
        for (const KnownAnswer& answer : known.answers) held |= answer.held;
        if (held != kEveryCombination) return which + ": no answer under some control words";
    }
    return "";
}

}  // namespace lumi::call
