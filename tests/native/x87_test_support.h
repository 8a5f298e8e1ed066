// Running a routine under a chosen x87 control word, and UTF-16 helpers.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "values/x87.h"

namespace lumi::test {

struct Precision {
    const char* name;
    std::uint16_t controlWord;
};
inline constexpr Precision kExtended{"extended", kControlExtended};
inline constexpr Precision kDouble{"double", kControlDouble};

// Calls `body` with the control word set to `word` and restores the old one.
// The routines must return with the control word as they found it.
template <class Body>
auto UnderControlWord(std::uint16_t word, Body body) {
    const std::uint16_t saved = ReadControlWord();
    asm volatile("" ::: "memory");
    WriteControlWord(word);
    asm volatile("" ::: "memory");
    auto result = body();
    asm volatile("" ::: "memory");
    const std::uint16_t after = ReadControlWord();
    WriteControlWord(saved);
    EXPECT_EQ(after, word) << "a routine changed the control word";
    return result;
}

// The same 80-bit value, bit for bit: signed zeros and NaN payloads told apart.
inline bool SameLongDouble(long double a, long double b) {
    constexpr std::size_t kValueBytes = 10;  // the rest is padding
    return std::memcmp(&a, &b, kValueBytes) == 0;
}

inline std::string Narrow(const char16_t* text) {
    std::string narrow;
    for (; *text != 0; ++text) narrow += *text < 0x80 ? static_cast<char>(*text) : '?';
    return narrow;
}

}  // namespace lumi::test
