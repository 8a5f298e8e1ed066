// Helpers for arithmetic on the x87 unit under the caller's control word.
//
// All value routines compute in `long double`, which is the x87 80-bit format
// both in the 32-bit DLL and in the native x86-64 test build, so every
// operation runs on the x87 unit at the precision and rounding mode that the
// calling thread's control word selects.
#pragma once

#include <cstdint>

namespace lumi {

// Rounds a working-precision value to double by a real 64-bit store.
// GCC keeps excess precision on x87 registers; the empty asm makes the
// stored double the one that is read back.
inline double StoreAsDouble(long double value) {
    double stored = static_cast<double>(value);
    asm volatile("" : "+m"(stored));
    return stored;
}

// A working-precision value that is already a whole number within the int64
// range, as that integer. fistp rounds in the caller's mode, which leaves a
// whole number as it is, so unlike a C++ cast it needs no switch to
// truncation and back.
inline std::int64_t WholeToInt64(long double whole) {
    std::int64_t integer;
    asm("fistpll %0" : "=m"(integer) : "t"(whole) : "st");
    return integer;
}

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
