#include "tools/lumicall/judging/x87_check.h"

#include <bit>
#include <cstring>
#include <vector>

#include "tools/lumicall/judging/contract.h"
#include "tools/words/shortest_double.h"

namespace lumi::call {
namespace {

constexpr std::uint64_t kTenth = 0x3FB999999999999A;  // 0.1
constexpr std::uint64_t kOne = 0x3FF0000000000000;
constexpr std::uint64_t kMinusOne = 0xBFF0000000000000;
constexpr std::uint64_t kThree = 0x4008000000000000;
constexpr std::uint64_t kTiny = 0x3C30000000000000;  // 2^-60: kept by 64 bits of 1 + 2^-60, lost by 53
// A product whose exact value rounds to 64 bits onto a tie at 53 bits: the
// extended precision's result stored as a double differs from the double's.
constexpr std::uint64_t kTwiceA = 0x3FFB4DE4AF471E4F, kTwiceB = 0x3FF13A3C00000000;

constexpr auto D = X87Store::Double;
constexpr auto E = X87Store::Extended;

// Words: 007F 24-bit, 027F 53-bit, 037F 64-bit, to nearest; +0400 down,
// +0800 up, +0C00 toward zero. A load is exact under any of them.
constexpr X87Case kCases[] = {
    // word   step               a          b       store  expected
    {0x007F, X87Step::Load,     kTenth,    0,       D, {0x0000, 0x3FB999999999999A}},
    {0x047F, X87Step::Load,     kTenth,    0,       D, {0x0000, 0x3FB999999999999A}},
    {0x087F, X87Step::Load,     kTenth,    0,       D, {0x0000, 0x3FB999999999999A}},
    {0x0C7F, X87Step::Load,     kTenth,    0,       D, {0x0000, 0x3FB999999999999A}},
    {0x007F, X87Step::Load,     kTenth,    0,       E, {0x3FFB, 0xCCCCCCCCCCCCD000}},
    {0x037F, X87Step::Divide,   kOne,      kThree,  E, {0x3FFD, 0xAAAAAAAAAAAAAAAB}},
    {0x077F, X87Step::Divide,   kOne,      kThree,  E, {0x3FFD, 0xAAAAAAAAAAAAAAAA}},
    {0x0B7F, X87Step::Divide,   kOne,      kThree,  E, {0x3FFD, 0xAAAAAAAAAAAAAAAB}},
    {0x0F7F, X87Step::Divide,   kOne,      kThree,  E, {0x3FFD, 0xAAAAAAAAAAAAAAAA}},
    {0x027F, X87Step::Divide,   kOne,      kThree,  E, {0x3FFD, 0xAAAAAAAAAAAAA800}},
    {0x067F, X87Step::Divide,   kOne,      kThree,  E, {0x3FFD, 0xAAAAAAAAAAAAA800}},
    {0x0A7F, X87Step::Divide,   kOne,      kThree,  E, {0x3FFD, 0xAAAAAAAAAAAAB000}},
    {0x0E7F, X87Step::Divide,   kOne,      kThree,  E, {0x3FFD, 0xAAAAAAAAAAAAA800}},
    {0x007F, X87Step::Divide,   kOne,      kThree,  E, {0x3FFD, 0xAAAAAB0000000000}},
    {0x047F, X87Step::Divide,   kOne,      kThree,  E, {0x3FFD, 0xAAAAAA0000000000}},
    {0x087F, X87Step::Divide,   kOne,      kThree,  E, {0x3FFD, 0xAAAAAB0000000000}},
    {0x0C7F, X87Step::Divide,   kOne,      kThree,  E, {0x3FFD, 0xAAAAAA0000000000}},
    {0x067F, X87Step::Divide,   kMinusOne, kThree,  E, {0xBFFD, 0xAAAAAAAAAAAAB000}},
    {0x0E7F, X87Step::Divide,   kMinusOne, kThree,  E, {0xBFFD, 0xAAAAAAAAAAAAA800}},
    {0x037F, X87Step::Add,      kOne,      kTiny,   E, {0x3FFF, 0x8000000000000008}},
    {0x027F, X87Step::Add,      kOne,      kTiny,   E, {0x3FFF, 0x8000000000000000}},
    {0x0A7F, X87Step::Add,      kOne,      kTiny,   E, {0x3FFF, 0x8000000000000800}},
    {0x007F, X87Step::Add,      kOne,      kTiny,   E, {0x3FFF, 0x8000000000000000}},
    {0x087F, X87Step::Add,      kOne,      kTiny,   E, {0x3FFF, 0x8000010000000000}},
    {0x027F, X87Step::Multiply, kTenth,    kThree,  D, {0x0000, 0x3FD3333333333334}},
    {0x007F, X87Step::Multiply, kTenth,    kThree,  D, {0x0000, 0x3FD3333340000000}},
    {0x037F, X87Step::Multiply, kTwiceA,   kTwiceB, D, {0x0000, 0x3FFD6623BB50834C}},
    {0x027F, X87Step::Multiply, kTwiceA,   kTwiceB, D, {0x0000, 0x3FFD6623BB50834D}},
};

constexpr const char* kStepSigns[] = {"", " / ", " + ", " × "};

std::string DoubleWords(std::uint64_t bits) { return ShortestDouble(std::bit_cast<double>(bits)); }

std::string BitsWords(const X87Bits& bits, X87Store store) {
    if (store == X87Store::Double) return Hex(bits.low, 16) + " (" + DoubleWords(bits.low) + ")";
    return Hex(bits.high, 4) + " " + Hex(bits.low, 16);
}

std::string CaseWords(const X87Case& check) {
    const std::string operation = check.step == X87Step::Load
                                      ? DoubleWords(check.a) + " loaded"
                                      : DoubleWords(check.a) + kStepSigns[static_cast<int>(check.step)] + DoubleWords(check.b);
    return operation + " under " + Hex(check.controlWord, 4) + ", stored as " +
           (check.store == X87Store::Double ? "a double" : "an extended");
}

// The result left in ST(0) by `step`, stored both ways; the caller's
// control word back in place and the flags the step raised cleared.
#define LUMI_X87_STEP(operation)                                                                      \
    asm volatile("fnstcw %[saved]\n\tfldcw %[word]\n\tfldl %[a]\n\t" operation                       \
                 "\n\tfld %%st(0)\n\tfstpt %[extended]\n\tfstpl %[dbl]\n\tfnclex\n\tfldcw %[saved]" \
                 : [saved] "+m"(saved), [extended] "=m"(extended), [dbl] "=m"(dbl)                   \
                 : [word] "m"(word), [a] "m"(a), [b] "m"(b)                                          \
                 : "st", "st(1)", "memory")

}  // namespace

std::span<const X87Case> X87Cases() { return kCases; }

X87Bits RunX87Case(const X87Case& check) {
    std::uint16_t saved = 0;
    const std::uint16_t word = check.controlWord;
    const std::uint64_t a = check.a, b = check.b;
    struct {
        std::uint64_t significand;
        std::uint16_t signAndExponent;
    } __attribute__((packed)) extended{};
    std::uint64_t dbl = 0;
    switch (check.step) {
        case X87Step::Load: LUMI_X87_STEP(""); break;
        case X87Step::Divide: LUMI_X87_STEP("fdivl %[b]"); break;
        case X87Step::Add: LUMI_X87_STEP("faddl %[b]"); break;
        case X87Step::Multiply: LUMI_X87_STEP("fmull %[b]"); break;
    }
    if (check.store == X87Store::Double) return {0, dbl};
    return {extended.signAndExponent, extended.significand};
}

std::string FirstX87Miss(std::span<const X87Case> cases, std::span<const X87Bits> answers) {
    for (std::size_t i = 0; i < cases.size(); ++i) {
        if (i >= answers.size()) return CaseWords(cases[i]) + ": no answer";
        if (answers[i] == cases[i].expected) continue;
        return CaseWords(cases[i]) + ": expected " + BitsWords(cases[i].expected, cases[i].store) + ", got " +
               BitsWords(answers[i], cases[i].store);
    }
    return "";
}

std::string MachineCheck::FaultLine() const {
    return std::string(kMachineFaultWords) + ": " + miss;
}

std::string MachineFirstWords(const MachineCheck& machine) {
    return machine.Sound() ? "" : machine.FaultLine() + "\n\n";
}

std::string MachineWords(const MachineCheck& machine) {
    const std::string checks = std::to_string(X87Cases().size()) + " loads, stores and operations under each precision and rounding";
    return machine.Sound() ? "computes as the hardware does (" + checks + ")"
                           : "FAILS lumicall's self-test of " + checks + ": what follows is not the DLL's to answer for";
}

std::string MachineVerdict(const std::string& what) {
    return "VERDICT: MACHINE FAULT: " + std::string(kMachineFaultWords) + "; not the DLL's to answer for: " + what +
           " seen here";
}

MachineCheck CheckThisMachine() {
    std::vector<X87Bits> answers;
    for (const X87Case& check : X87Cases()) answers.push_back(RunX87Case(check));
    return {FirstX87Miss(X87Cases(), answers)};
}

}  // namespace lumi::call
