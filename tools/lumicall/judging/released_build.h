// Whether a DLL is the build released with this lumicall: lumicall carries
// the SHA-256 of the lumivextaran.dll it was built beside.
#pragma once

#include <string>
#include <string_view>

namespace lumi::call {

// The SHA-256 (lower-case hex) of the DLL built with this lumicall.
std::string_view ReleasedSha256();

// "the build released with this lumicall", or which other build it is.
std::string ReleasedBuildWords(std::string_view sha256);

}  // namespace lumi::call
