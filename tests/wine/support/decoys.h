// What test calls put into the slots an export does not read, and how tests
// print words and texts in their failure messages.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace lumi::test {

// `even` in even slots, `odd` in odd ones, so that two neighbouring decoys
// also make a double of their own.
struct DecoyPattern {
    const char* name;
    std::uint32_t even, odd;
};

// Zeros, all ones, signalling-NaN words, digits-like counts, wild pointers.
std::span<const DecoyPattern> Decoys();

std::string Hex(std::uint64_t value);

// A text as its units: printable ASCII as is, everything else as \uXXXX.
std::string Units(const std::u16string& text);

}  // namespace lumi::test
