// Time to text by one of three fixed patterns.
#pragma once

#include <cstddef>

#include "values/rounding.h"

namespace lumi {

inline constexpr char16_t PatternTime[] = u"h:n";
inline constexpr char16_t PatternDateTime[] = u"yyyy.mm.dd h:n";
inline constexpr char16_t PatternDateTimeSeconds[] = u"yyyy.mm.dd h:n:s";

// Longest text: "yyyy.mm.dd hh:nn:ss" with a one-unit separator.
constexpr std::size_t kTimeTextMaxUnits = 19;

// Writes the text of `time` by `pattern` (one of the three above) into `out`
// (room for kTimeTextMaxUnits + 1 units), NUL-ended. A separator of 0
// writes nothing for each colon. Returns the units written before the NUL.
std::size_t FormatTime(HostTime time, const char16_t* pattern,
                       char16_t timeSeparator, char16_t* out);

}  // namespace lumi
