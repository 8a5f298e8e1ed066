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

enum class Family : std::uint8_t {
#define FAMILY(id, ...) id,
#include "catalogue/families.def"
};

// Every family, in table order.
inline constexpr Family kFamilies[] = {
#define FAMILY(id, ...) Family::id,
#include "catalogue/families.def"
};

enum class ValueKind : std::uint8_t { Word, Integer, Truth, Double, Text, HostTime };

enum class Routine : std::uint8_t { None, FormatFixed, FormatTime, RoundToDigits, MaxOf, MinOf, FindText };

// Where a routine row's argument comes from: a slot the row reads, a
// number the row fixes, or one of the time patterns.
struct ArgumentSource {
    enum class Kind : std::uint8_t { Unused, Slot, Number, Pattern };
    Kind kind = Kind::Unused;
    std::int8_t slot = -1;
    std::int32_t number = 0;
    const char16_t* pattern = nullptr;
    std::string_view patternName{};
};

constexpr int kMaxArguments = 3;

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
    // Routine rows: the routine's arguments in its parameter order.
    std::array<ArgumentSource, kMaxArguments> arguments{};
    // As the table writes it: a text's name, a number, an expression.
    std::string_view body{};
    // The answer of a constant row.
    const char16_t* text = nullptr;
    std::int32_t integer = 0;
    double real = 0.0;

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
#define LUMI_ROW(code) +1
#include "catalogue/rows.def"
    ;

std::span<const ExportEntry> Catalogue();
std::span<const TextEntry> Texts();

// Null when the code is not in the catalogue.
const ExportEntry* FindEntry(std::string_view code);

// "text constant", "pass-through", ...
std::string_view FamilyName(Family family);
// The heading of a family's table: "Text constants", "Pass-through", ...
std::string_view FamilyHeading(Family family);
std::string_view KindName(ValueKind kind);
std::string_view RoutineName(Routine routine);

}  // namespace lumi
