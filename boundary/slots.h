// The argument slots of an export, as they lie on the caller's stack.
//
// An export takes its slots as one by-value parameter of N 32-bit words, so
// slot 0 sits directly above the return address and a callee-pops export
// removes exactly 4 x N bytes. Only the words a row names are ever read.
#pragma once

#include <bit>
#include <cstdint>

namespace lumi {

using ValueSlot = std::uint32_t;

// A double read from slot words: may alias them.
using SlotDouble [[gnu::may_alias]] = double;

template <int N>
struct SlotFrame {
    ValueSlot word[N];

    constexpr ValueSlot Word(int k) const { return word[k]; }
    constexpr std::int32_t Int(int k) const { return static_cast<std::int32_t>(word[k]); }

    // A double over slots k and k+1, low word first.
    constexpr double Double(int k) const {
        return std::bit_cast<double>(std::uint64_t{word[k + 1]} << 32 | word[k]);
    }

    // The same double where it lies, for a routine that reads it in place.
    const double& DoubleAt(int k) const { return *reinterpret_cast<const SlotDouble*>(&word[k]); }

    const char16_t* Text(int k) const {
        return reinterpret_cast<const char16_t*>(static_cast<std::uintptr_t>(word[k]));
    }

    // `value` rounded to double by a real 64-bit store and reload. The store
    // goes to slots 0-1, which belong to the callee once it is called, so an
    // export that needs no other memory needs no stack frame of its own.
    double RoundToDoubleInPlace(long double value) {
        static_assert(N >= 2, "two slots hold the double");
        SlotDouble& cell = *reinterpret_cast<SlotDouble*>(&word[0]);
        cell = static_cast<double>(value);
        asm volatile("" : "+m"(cell));
        return cell;
    }
};

}  // namespace lumi
