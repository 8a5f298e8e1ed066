// The words that table rows use to say where a routine's argument comes from.
#pragma once

#include <cstdint>

#include "boundary/slots.h"

namespace lumi {

enum class Convention : std::uint8_t { CalleePops, CallerPops };
inline constexpr Convention CalleePops = Convention::CalleePops;
inline constexpr Convention CallerPops = Convention::CallerPops;

// An integer argument read from one slot...
struct Slot {
    int index;
};

// ...or fixed by the row.
struct Constant {
    std::int32_t value;
};

// The search exports search the whole text.
inline constexpr std::int32_t kSearchStart = 0;

template <int N>
constexpr std::int32_t Argument(const SlotFrame<N>& slots, Slot from) {
    return slots.Int(from.index);
}

template <int N>
constexpr std::int32_t Argument(const SlotFrame<N>&, Constant from) {
    return from.value;
}

}  // namespace lumi
