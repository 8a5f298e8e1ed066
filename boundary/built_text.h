// Storage of the texts that number-to-text and time-to-text exports build.
//
// Each thread has a ring of kBuiltTextRing buffers: a returned text stays
// readable until the same thread has made kBuiltTextRing - 1 more
// text-building calls, and other threads never touch it.
#pragma once

#include <cstddef>

namespace lumi {

constexpr std::size_t kBuiltTextRing = 16;
constexpr std::size_t kBuiltTextUnits = 32;  // longest built text is 28 + NUL

// The calling thread's next buffer of kBuiltTextUnits units.
char16_t* NextBuiltText();

// Load and unload of the library, and the end of a thread.
bool StartBuiltTexts();
void ReleaseThreadBuiltTexts();
void StopBuiltTexts();

}  // namespace lumi
