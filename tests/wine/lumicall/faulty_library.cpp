// A DLL that breaks the catalogue's contract in every way lumicall check
// looks for, one export per fault; `lumicall check` must name each.
#include <cstdint>

using Word = std::uint32_t;

#define FAULTY(Result, convention, code) \
    extern "C" __declspec(dllexport) Result convention Quenvar_541BA2F8_1_##code

// "Arial Bold", 3 slots: removes only two.
FAULTY(const char16_t*, __stdcall, iI11IIii1I)(Word, Word) { return u"Arial Bold"; }

// "Arial Bold", 4 slots: a second copy of the text, so another pointer.
static const char16_t kSecondArialBold[] = u"Arial Bold";
FAULTY(const char16_t*, __stdcall, 1I1i1i1iIi)(Word, Word, Word, Word) { return kSecondArialBold; }

// "Order Opened ", 8 slots: without its trailing space.
FAULTY(const char16_t*, __stdcall, 1IIi1I1iI1)(Word, Word, Word, Word, Word, Word, Word, Word) {
    return u"Order Opened";
}

// -99, 8 slots: one off.
FAULTY(std::int32_t, __stdcall, Ii1iIiIIIi)(Word, Word, Word, Word, Word, Word, Word, Word) { return -98; }

// Slot 0 unchanged, 2 slots: hands back the decoy in slot 1.
FAULTY(Word, __stdcall, 1iiIIi1111)(Word, Word decoy) { return decoy; }

// Double of slots 0-1, 2 slots: leaves round-toward-zero, 64-bit behind.
FAULTY(double, __stdcall, III11111I1)(double value) {
    const std::uint16_t word = 0x0F7F;
    asm volatile("fldcw %0" : : "m"(word));
    return value;
}

// Truth value, 10 slots: answers 2.
FAULTY(std::int32_t, __stdcall, IIII1I11ii)(Word, Word, Word, Word, Word, Word, Word, Word, Word, Word) { return 2; }

// Caller-pops number to text (slots 0-3): removes its slots as if callee-pops.
FAULTY(const char16_t*, __stdcall, IIi1Ii1iii)(Word, Word, Word, Word) { return u"0"; }

// Search, 3 slots: reads through its decoy slot 1, kept within the lowest
// 64 KiB, which Windows never maps, so the read faults whatever the decoy.
FAULTY(std::int32_t, __stdcall, iIiIIiIii1)(Word, Word decoy, Word) {
    return *reinterpret_cast<volatile const char16_t*>(decoy & 0xFFF0u);
}

// "L", 8 slots: divides zero by zero on the way, which traps where the
// caller unmasks invalid operation (lumicall check --cw 1372).
FAULTY(const char16_t*, __stdcall, 1iIII1i11I)(Word, Word, Word, Word, Word, Word, Word, Word) {
    asm volatile("fldz\n\tfldz\n\tfdivrp\n\tfstp %st(0)");
    return u"L";
}

// 0, 3 slots: stores 10^10 as a 32-bit integer on the way. Unmasked, the
// invalid operation leaves the value on the x87 stack and traps only at
// the caller's next x87 instruction.
FAULTY(std::int32_t, __stdcall, ii11IiiiI1)(Word, Word, Word) {
    static const double kTooBig = 1e10;
    std::int32_t ignored;
    asm volatile("fldl %1\n\tfistpl %0" : "=m"(ignored) : "m"(kTooBig));
    return 0;
}

// Not in the catalogue at all.
FAULTY(std::int32_t, __stdcall, helper)() { return 0; }

// Written out in assembly: faults no compiler would make.
asm(R"(
        .text
# Slot 0 unchanged, 1 slot: clears EBX.
        .globl  _Quenvar_541BA2F8_1_1i1I1Ii1ii
_Quenvar_541BA2F8_1_1i1I1Ii1ii:
        movl    4(%esp), %eax
        xorl    %ebx, %ebx
        ret     $4

# Slot 2 times ten, 5 slots: also leaves 1.0 on the x87 stack.
        .globl  _Quenvar_541BA2F8_1_1IiiIii11i
_Quenvar_541BA2F8_1_1IiiIii11i:
        imull   $10, 12(%esp), %eax
        fld1
        ret     $20

# 1.0, 8 slots: answers log2(10) at 64 bits, not rounded to double.
        .globl  _Quenvar_541BA2F8_1_111iii11Ii
_Quenvar_541BA2F8_1_111iii11Ii:
        fldl2t
        ret     $32

        .section .drectve
        .ascii  " -export:Quenvar_541BA2F8_1_1i1I1Ii1ii"
        .ascii  " -export:Quenvar_541BA2F8_1_1IiiIii11i"
        .ascii  " -export:Quenvar_541BA2F8_1_111iii11Ii"
        .text
)");
