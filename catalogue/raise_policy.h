// Which x87 exceptions a call may raise where the caller has unmasked them:
// the catalogue page's words for each family, and the test lumicall applies.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "catalogue/catalogue.h"

namespace lumi {

// x87 exception bits, as the control word masks them and the status word flags them.
inline constexpr std::uint16_t kInvalidOperation = 0x01, kDenormalOperand = 0x02, kDivisionByZero = 0x04,
                               kOverflow = 0x08, kUnderflow = 0x10, kInexactResult = 0x20;

// Which inputs of the family may raise invalid operation, division by zero
// or overflow when the caller's control word has unmasked it.
std::string_view UnmaskedExceptionWords(Family family);

// Whether the page lists every exception of `raised` for a call of `entry`
// with `slots` (slot 0 first): precision, underflow and denormal operand for
// any export that computes on doubles; invalid operation, division by zero
// and overflow only for the inputs its family names (UnmaskedExceptionWords).
bool RaiseListed(const ExportEntry& entry, std::span<const std::uint32_t> slots, std::uint16_t raised);

}  // namespace lumi
