// Helpers for arithmetic on the x87 unit under the caller's control word.
//
// All value routines compute in `long double`, which is the x87 80-bit format
// both in the 32-bit DLL and in the native x86-64 test build, so every
// operation runs on the x87 unit at the precision and rounding mode that the
// calling thread's control word selects.
#pragma once

#include <cstdint>

namespace lumi {

// Rounds a working-precision value to double by a real 64-bit store into
// `cell`. GCC keeps excess precision on x87 registers; the empty asm makes
// the stored double the one that is read back.
inline void StoreDouble(double& cell, long double value) {
    cell = static_cast<double>(value);
    asm volatile("" : "+m"(cell));
}

inline double StoreAsDouble(long double value) {
    double stored;
    StoreDouble(stored, value);
    return stored;
}

// The integer nearest to a value within the int64 range, in the caller's
// rounding mode: fistp rounds as frndint would, with no switch of the
// control word (a C++ cast would truncate by switching it and back).
inline std::int64_t RoundToInt64(long double value) {
    std::int64_t integer;
    asm("fistpll %0" : "=m"(integer) : "t"(value) : "st");
    return integer;
}

// The double at `where`, widened exactly by one fldl from that address. When
// the same bits are also read as integers, GCC would otherwise rebuild the
// double from those registers through a stack copy, and a 64-bit load of two
// 32-bit stores waits for them to retire instead of being forwarded.
inline long double LoadInPlace(const double& where) {
    long double value;
    asm("fldl %1" : "=t"(value) : "m"(where));
    return value;
}

// |value|: fabs, which raises nothing.
inline long double AbsoluteValue(long double value) { return __builtin_fabsl(value); }

// The floor of a double below 2^63 in magnitude, without writing the
// control word: fistp rounds in the caller's own mode to an integer within
// one of the value, and where that integer lies above the value the floor is
// one less. Such a double at 2^52 or more is whole already, so no mode
// carries it out of the 64-bit range.
inline std::int64_t FloorToInt64(long double value) {
    const std::int64_t rounded = RoundToInt64(value);
    const bool roundedUp = value < static_cast<long double>(rounded);
    return rounded - roundedUp;
}

// The same floor of a value with |value| < 2^31 (fistp may carry one just
// below 2^31 to 2^31, which the correction takes back). Held in 32 bits, it
// is stored in one piece that the integer load can take straight from the
// store; a 64-bit integer made of two 32-bit halves would wait for both.
inline std::int32_t FloorToInt32(long double value) { return static_cast<std::int32_t>(FloorToInt64(value)); }

// The x87 control word of the calling thread.
inline std::uint16_t ReadControlWord() {
    std::uint16_t word;
    asm volatile("fnstcw %0" : "=m"(word));
    return word;
}

inline void WriteControlWord(std::uint16_t word) {
    asm volatile("fldcw %0" : : "m"(word));
}

constexpr std::uint16_t kControlExtended = 0x037F;  // 64-bit significand, to nearest
constexpr std::uint16_t kControlDouble = 0x027F;    // 53-bit significand, to nearest

}  // namespace lumi
