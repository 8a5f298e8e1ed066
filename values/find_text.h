// Substring search over NUL-terminated UTF-16 code units.
#pragma once

#include <cstddef>
#include <cstdint>

namespace lumi {

// First unit of scan at which pattern occurs, or null. Neither may be null.
// Eight units at a time where the CPU has SSE2, else one at a time.
const char16_t* SearchPattern(const char16_t* scan, const char16_t* pattern);

// The scans behind SearchPattern; the same answers for every input. The two
// direct scans compare on at each unit equal to the pattern's first: cheap
// for ordinary texts, but at worst the product of the two lengths (a text of
// 'a's, a pattern of 'a's and a 'b'). Once their comparisons exceed
// kDirectScanFreeUnits plus kDirectScanUnitsPerUnit per unit scanned, they
// hand the rest of the text to the two-way scan, linear in both lengths.
// (The block scan starts counting at the first candidate that fails after
// more than kDirectScanUnitsPerUnit units; until then it spends no more.)
const char16_t* SearchPatternByUnit(const char16_t* scan, const char16_t* pattern);
#if defined(__i386__) || defined(__x86_64__)
// Needs SSE2.
const char16_t* SearchPatternByBlock(const char16_t* scan, const char16_t* pattern);
#endif
const char16_t* SearchPatternTwoWay(const char16_t* scan, const char16_t* pattern);

constexpr std::size_t kDirectScanFreeUnits = 256;
constexpr std::size_t kDirectScanUnitsPerUnit = 4;

// Whether start < the length of text, reading no further than text[start]:
// none of the first start + 1 units may be the terminator.
inline bool StartsInsideText(const char16_t* text, std::int32_t start) {
    for (std::int32_t i = 0; i < start; ++i) {
        if (text[i] == 0) return false;
    }
    return text[start] != 0;
}

// Position (from the start of text) of the first occurrence of pattern at
// `start` or later, or -1. Null text or pattern gives -1 and is never read.
// Inline: the search exports pass start 0, and the search itself costs only
// a few nanoseconds.
inline std::int32_t FindText(const char16_t* text, const char16_t* pattern, std::int32_t start) {
    if (start < 0 || text == nullptr) return -1;
    if (!StartsInsideText(text, start)) return -1;  // also an empty text
    if (pattern == nullptr) return -1;
    const char16_t* found = SearchPattern(text + start, pattern);
    return found == nullptr ? -1 : static_cast<std::int32_t>(found - text);
}

}  // namespace lumi
