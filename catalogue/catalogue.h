// The export catalogue as data: one ExportEntry per export, built from the
// same tables as the exported functions, for the tests, the catalogue page
// and lumicall.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "catalogue/row_arguments.h"

namespace lumi {

inline constexpr std::string_view kExportPrefix = "Quenvar_541BA2F8_1_";

enum class Family : std::uint8_t { TextConstant, NumberConstant, PassThrough, Arithmetic, Formatting };

enum class ValueKind : std::uint8_t { Word, Integer, Truth, Double, Text, HostTime };

enum class Routine : std::uint8_t { None, FormatFixed, FormatTime, RoundToDigits, MaxOf, MinOf, FindText };

struct SlotInput {
    std::int8_t slot = -1;  // a double occupies slot and slot + 1
    ValueKind kind = ValueKind::Word;
};

constexpr int kMaxInputs = 4;

struct ExportEntry {
    std::string_view code;
    Family family;
    Convention convention;
    int slots;  // callee-pops: slots removed; caller-pops: highest slot read
    std::array<SlotInput, kMaxInputs> inputs;  // in slot order; unused ones have slot -1
    ValueKind result;
    Routine routine;
    std::string_view body;  // as the table writes it
    // The answer of a constant row.
    const char16_t* text = nullptr;
    std::int32_t integer = 0;
    double real = 0.0;
    // A constant argument of a routine row (digits), if the row fixes one.
    bool hasConstantArgument = false;
    std::int32_t constantArgument = 0;

    int InputCount() const {
        int count = 0;
        while (count < kMaxInputs && inputs[count].slot >= 0) ++count;
        return count;
    }
};

struct TextEntry {
    std::string_view name;
    int units;  // as the table states it
    const char16_t* text;
};

// The number of exports, counted off the tables: one row, one export.
inline constexpr std::size_t kExportCount = 0
#define TEXT_CONSTANT(...) +1
#define INTEGER_CONSTANT(...) +1
#define DOUBLE_CONSTANT(...) +1
#define PASS_SLOT(...) +1
#define PASS_DOUBLE(...) +1
#define WIDEN_SLOT(...) +1
#define DOUBLE_EXPRESSION(...) +1
#define INTEGER_EXPRESSION(...) +1
#define TRUTH_EXPRESSION(...) +1
#define NUMBER_TO_TEXT(...) +1
#define TIME_TO_TEXT(...) +1
#define ROUND_TO_DIGITS(...) +1
#define LARGER_OF(...) +1
#define SMALLER_OF(...) +1
#define FIND_TEXT(...) +1
#include "catalogue/text_constants.def"
#include "catalogue/number_constants.def"
#include "catalogue/pass_through.def"
#include "catalogue/arithmetic.def"
#include "catalogue/formatting.def"
#undef TEXT_CONSTANT
#undef INTEGER_CONSTANT
#undef DOUBLE_CONSTANT
#undef PASS_SLOT
#undef PASS_DOUBLE
#undef WIDEN_SLOT
#undef DOUBLE_EXPRESSION
#undef INTEGER_EXPRESSION
#undef TRUTH_EXPRESSION
#undef NUMBER_TO_TEXT
#undef TIME_TO_TEXT
#undef ROUND_TO_DIGITS
#undef LARGER_OF
#undef SMALLER_OF
#undef FIND_TEXT
    ;

std::span<const ExportEntry> Catalogue();
std::span<const TextEntry> Texts();

// Null when the code is not in the catalogue.
const ExportEntry* FindEntry(std::string_view code);

std::string_view FamilyName(Family family);
std::string_view KindName(ValueKind kind);
std::string_view RoutineName(Routine routine);

}  // namespace lumi
