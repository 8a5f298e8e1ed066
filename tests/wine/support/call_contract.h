// The calling contract every export keeps, checked on one SlotCall record.
#pragma once

#include <cstdint>
#include <string>

#include "tools/slotcall/slot_call.h"

namespace lumi::test {

// What SlotCall preloads on the x87 stack: fldpi under the call's control word.
long double PiUnder(std::uint16_t controlWord);

// Empty when the call removed `popped` bytes, left one x87 value more than
// it found when `leavesDouble` (else none), kept the caller's preloaded
// values, the callee-saved registers and the control word; else what broke.
std::string CallContractFault(const CallRecord& record, std::uint32_t popped, bool leavesDouble);

}  // namespace lumi::test
