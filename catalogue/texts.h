// The text store: every distinct text once, for the life of the library.
#pragma once

namespace lumi::text {

#define TEXT(name, units, literal) inline constexpr char16_t name[] = literal;
#include "catalogue/texts.def"
#undef TEXT

}  // namespace lumi::text
