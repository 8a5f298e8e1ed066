// Calls an export the way a host does: raw 32-bit slots pushed highest first,
// then a call through the address. Records what the call left behind so a
// test can hold it to the calling contract.
#pragma once

#include <cstdint>
#include <string>

namespace lumi {

constexpr int kMaxPushedSlots = 16;
constexpr int kMaxPreloaded = 4;

// The x87 control word's defined fields: exception masks (bits 0-5),
// precision (8-9), rounding (10-11) and infinity control (12). The rest is
// reserved; bit 6 reads back as 1 whatever was loaded (1332 reads 1372).
constexpr std::uint16_t kControlWordFields = 0x1F3F;
// The six exceptions: their masks in the control word, flags in the status word.
constexpr std::uint16_t kX87Exceptions = 0x003F;

constexpr bool UnmasksAnyException(std::uint16_t controlWord) {
    return (controlWord & kX87Exceptions) != kX87Exceptions;
}

// "invalid operation, division by zero": the exceptions of `bits`, in words.
std::string X87ExceptionWords(std::uint16_t bits);

struct alignas(16) CallRecord {
    // Set by the caller before SlotCall.
    std::uint16_t controlWord = 0x037F;  // loaded for the call
    std::int32_t preloaded = 0;          // values pushed on the x87 stack first

    // Filled by SlotCall.
    std::uint32_t eax = 0;
    std::uint32_t edx = 0;
    std::uint32_t popped = 0;          // bytes the export removed from the stack
    std::int32_t depthBefore = 0;      // x87 stack depth at the call
    std::int32_t depthAfter = 0;       // ... and on return
    std::uint32_t ebx = 0, esi = 0, edi = 0, ebp = 0;  // on return
    std::uint16_t controlWordAfter = 0;
    std::uint16_t statusWordAfter = 0;
    std::uint8_t st0[10] = {};          // the value the export left, if any
    std::uint8_t preloadedAfter[kMaxPreloaded][10] = {};  // the caller's values, after
    std::uint32_t eflagsAfter = 0;       // EFLAGS on return (the direction flag is cleared after)
    std::uint16_t tagWordAfter = 0xFFFF; // the x87 tag word on return, all eight registers
    std::uint16_t canariesChanged = 0;   // bit i: the word i above the slots was changed
    std::uint32_t canaryWord = 0;        // what the lowest changed word held

    // Sentinels loaded into the callee-saved registers before the call.
    static constexpr std::uint32_t kEbx = 0xB0B0B0B0, kEsi = 0x51515151;
    static constexpr std::uint32_t kEdi = 0xD1D1D1D1, kEbp = 0xEBEBEBEB;

    // The words the thunk puts just above the slots, lowest first.
    static constexpr int kCanaries = 4;
    static constexpr std::uint32_t kCanaryBase = 0xC0DE57A0;
    static constexpr std::uint32_t kDirectionFlag = 0x400;
    static constexpr std::uint16_t kStackFault = 0x0040;  // status word: stack overflow or underflow

    bool DirectionFlagLeftSet() const { return (eflagsAfter & kDirectionFlag) != 0; }
    bool StackFaulted() const { return (statusWordAfter & kStackFault) != 0; }
    // The lowest word above the slots that changed, 0-based; -1 for none.
    int FirstCanaryChanged() const {
        for (int i = 0; i < kCanaries; ++i)
            if (canariesChanged >> i & 1) return i;
        return -1;
    }
    bool RegistersKept() const { return ebx == kEbx && esi == kEsi && edi == kEdi && ebp == kEbp; }
    // The control word as the export found it, on its defined fields.
    bool ControlWordKept() const { return ((controlWordAfter ^ controlWord) & kControlWordFields) == 0; }
    // Exceptions flagged on return that the control word leaves unmasked:
    // raised, and due to trap at the caller's next waiting x87 instruction.
    std::uint16_t UnmaskedFlags() const { return statusWordAfter & ~controlWord & kX87Exceptions; }
    // The double result, as the export left it on the x87 stack.
    long double Result() const;
    double ResultAsDouble() const { return static_cast<double>(Result()); }
};

// Pushes slots[count - 1] down to slots[0] and calls `function`. The x87 stack
// is restored afterwards whatever the export did; the calling thread's control
// word is restored too.
extern "C" void SlotCall(const void* function, const std::uint32_t* slots, int count,
                         CallRecord* record);

// The value every preloaded x87 register holds (pi, loaded by fldpi).
long double PreloadedValue();

}  // namespace lumi
