// The calling contract every export keeps, checked on one SlotCall record.
#pragma once

#include <cstdint>
#include <string>

#include "tools/slotcall/slot_call.h"

namespace lumi::test {

// The control words hosts run with: extended and double precision to
// nearest, all masked (037F, 027F); the same two with invalid operation,
// zero divide and overflow unmasked, as Delphi- and C++Builder-built
// programs start (1372, 1272); single precision, set by some graphics
// runtimes (007F).
constexpr std::uint16_t kHostExtended = 0x037F, kHostDouble = 0x027F;
constexpr std::uint16_t kHostExtendedUnmasked = 0x1372, kHostDoubleUnmasked = 0x1272;
constexpr std::uint16_t kHostSingle = 0x007F;

// What SlotCall preloads on the x87 stack: fldpi under the call's control word.
long double PiUnder(std::uint16_t controlWord);

// Empty when the call removed `popped` bytes, left one x87 value more than
// it found when `leavesDouble` (else none), kept the caller's preloaded
// values, the callee-saved registers and the control word's defined fields,
// and left no exception pending that the control word unmasks; else what
// broke. A test's inputs under an unmasking word are ordinary ones.
std::string CallContractFault(const CallRecord& record, std::uint32_t popped, bool leavesDouble);

}  // namespace lumi::test
