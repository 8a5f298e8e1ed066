// Substring search over NUL-terminated UTF-16 code units.
#pragma once

#include <cstdint>

namespace lumi {

// Position (from the start of text) of the first occurrence of pattern at
// `start` or later, or -1. Null text or pattern gives -1 and is never read.
std::int32_t FindText(const char16_t* text, const char16_t* pattern,
                      std::int32_t start);

// First unit of scan at which pattern occurs, or null. Neither may be null.
const char16_t* SearchPattern(const char16_t* scan, const char16_t* pattern);

}  // namespace lumi
