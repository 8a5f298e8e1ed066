// A number in upper-case hexadecimal, as lumicall and lumitrace print words,
// addresses and bit patterns: portable, for the native tools too.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace lumi::call {

// `value` in upper-case hexadecimal, padded with 0 to `digits`.
inline std::string Hex(std::uint64_t value, int digits) {
    char text[24];
    std::snprintf(text, sizeof text, "%0*llX", digits, static_cast<unsigned long long>(value));
    return text;
}

}  // namespace lumi::call
