// Two decimal digits at a time, as UTF-16 units.
#pragma once

#include <cstdint>
#include <cstring>

namespace lumi {

// "00" to "99" as UTF-16 pairs.
struct DigitPairs {
    char16_t units[100][2];
};

constexpr DigitPairs MakeDigitPairs() {
    DigitPairs pairs{};
    for (int value = 0; value < 100; ++value) {
        pairs.units[value][0] = static_cast<char16_t>(u'0' + value / 10);
        pairs.units[value][1] = static_cast<char16_t>(u'0' + value % 10);
    }
    return pairs;
}

inline constexpr DigitPairs kDigitPairs = MakeDigitPairs();

// Writes the two digits of value (0..99), one 32-bit store; returns the
// position after them.
inline char16_t* PutTwoDigits(char16_t* out, std::uint32_t value) {
    std::memcpy(out, kDigitPairs.units[value], sizeof kDigitPairs.units[value]);
    return out + 2;
}

}  // namespace lumi
