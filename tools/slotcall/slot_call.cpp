#include "tools/slotcall/slot_call.h"

#include <cstddef>
#include <cstring>

namespace lumi {

// The thunk addresses the record by these offsets.
static_assert(offsetof(CallRecord, controlWord) == 0);
static_assert(offsetof(CallRecord, preloaded) == 4);
static_assert(offsetof(CallRecord, eax) == 8);
static_assert(offsetof(CallRecord, popped) == 16);
static_assert(offsetof(CallRecord, depthBefore) == 20);
static_assert(offsetof(CallRecord, ebx) == 28);
static_assert(offsetof(CallRecord, ebp) == 40);
static_assert(offsetof(CallRecord, controlWordAfter) == 44);
static_assert(offsetof(CallRecord, statusWordAfter) == 46);
static_assert(offsetof(CallRecord, st0) == 48);
static_assert(offsetof(CallRecord, preloadedAfter) == 58);
static_assert(offsetof(CallRecord, eflagsAfter) == 100);
static_assert(offsetof(CallRecord, tagWordAfter) == 104);
static_assert(offsetof(CallRecord, canariesChanged) == 106);
static_assert(offsetof(CallRecord, canaryWord) == 108);

long double CallRecord::Result() const {
    long double value = 0;
    std::memcpy(&value, st0, sizeof st0);
    return value;
}

std::string X87ExceptionWords(std::uint16_t bits) {
    static constexpr const char* kNames[] = {"invalid operation", "denormal operand", "division by zero",
                                             "overflow",          "underflow",        "inexact result",
                                             "x87 register stack overflow or underflow"};
    std::string words;
    for (int bit = 0; bit < 7; ++bit)
        if (bits >> bit & 1) words += (words.empty() ? "" : ", ") + std::string(kNames[bit]);
    return words;
}

long double PreloadedValue() {
    long double pi;
    asm("fldpi" : "=t"(pi));
    return pi;
}

}  // namespace lumi
