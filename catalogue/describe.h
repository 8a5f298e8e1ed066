// A catalogue row in words, for the catalogue page and lumicall: one phrase
// per column, rendered from the row's own fields and body.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "catalogue/catalogue.h"

namespace lumi {

// "callee-pops" or "caller-pops".
std::string_view ConventionWords(Convention convention);

// Slots the caller pushes: "8", "none", or "at least 5" for caller-pops rows.
std::string SlotCountWords(const ExportEntry& entry);

// The number of slots a caller pushes at least (the row's count, or the
// highest slot read + 1 for a caller-pops row).
int SlotsToPush(const ExportEntry& entry);

// "slot 3" or, for a double, "slots 4-5".
std::string SlotWords(SlotInput input);

// The slots read with their kinds, "1-2 double, 6 integer", or "none".
std::string InputWords(const ExportEntry& entry);

// "integer", "truth value", "double", "text" or "word".
std::string_view ResultWords(const ExportEntry& entry);

// What the row answers, e.g. "(slots 5-6 × slots 0-1) + slots 3-4, rounded
// to double once" or "FormatFixed(value = slots 0-1, digits = 2)".
std::string BodyWords(const ExportEntry& entry);

// The same with each slot called by the name `namer` gives it (a declaration's
// parameter names): "(a × b) + c, rounded to double once".
using SlotNamer = std::function<std::string(int slot)>;
std::string BodyWords(const ExportEntry& entry, const SlotNamer* namer);

// UTF-16 text in double quotes as UTF-8; line feed, tab, quote, backslash
// and other control units are escaped (\n, \t, \", \\, \u001B).
std::string QuotedText(std::u16string_view text);

// One code point in UTF-8.
void AppendUtf8(std::string& out, char32_t code);

}  // namespace lumi
