// bench_control.dll: the floor of every arithmetic export, written by hand.
//
// Control_<code> does exactly the work its row must do and no more: it loads
// the row's operands from their slots, performs the row's x87 operations,
// rounds a double result by one 64-bit store and reload (into its own slots
// 0-1, which the callee owns), and returns with ret 4N. bench_exports checks
// that each control answers what its export answers before it times them.
//
// Operands are loaded in the order the compiled export loads them (a
// quotient loads its divisor first and divides in reverse, fdivr): which
// slot is read first moves the time by a cycle either way, depending on the
// order in which the caller stored the slots, and that is the caller's
// matter, not the export's.

// Slot k of the frame, above the return address.
#define SLOT(k) (4 + 4 * (k))(%esp)

        .text

// An exported, undecorated stdcall entry point.
.macro CONTROL code
        .globl _Control_\code
        .section .drectve
        .ascii " -export:Control_\code"
        .text
        .p2align 5  // as the library's exports: never across a 64-byte line
_Control_\code:
.endm

// The one rounding to double of a double result, then the pop of n slots.
.macro ROUND_TO_DOUBLE_AND_RETURN n
        fstpl   SLOT(0)
        fldl    SLOT(0)
        ret     $(4 * \n)
.endm

// load D(a); op D(b).
.macro TWO_STEPS code, n, a, op, b
        CONTROL \code
        fldl    SLOT(\a)
        \op     SLOT(\b)
        ROUND_TO_DOUBLE_AND_RETURN \n
.endm

// load a constant; op D(a).
.macro CONSTANT_FIRST code, n, load, constant, op, a
        CONTROL \code
        \load   \constant
        \op     SLOT(\a)
        ROUND_TO_DOUBLE_AND_RETURN \n
.endm

// load D(a); op1 D(b); op2 D(c).
.macro THREE_STEPS code, n, a, op1, b, op2, c
        CONTROL \code
        fldl    SLOT(\a)
        \op1    SLOT(\b)
        \op2    SLOT(\c)
        ROUND_TO_DOUBLE_AND_RETURN \n
.endm

// D(a) * D(b) * constant.
.macro PRODUCT_SCALED code, n, a, b, constant
        CONTROL \code
        fldl    SLOT(\a)
        fmull   SLOT(\b)
        fmull   \constant
        ROUND_TO_DOUBLE_AND_RETURN \n
.endm

// D(c) / (D(a) * D(b)) * D(d).
.macro NESTED_QUOTIENT code, n, a, b, c, d
        CONTROL \code
        fldl    SLOT(\a)
        fmull   SLOT(\b)
        fdivrl  SLOT(\c)
        fmull   SLOT(\d)
        ROUND_TO_DOUBLE_AND_RETURN \n
.endm

// I(k) * 10, wrapping.
.macro TIMES_TEN code, n, k
        CONTROL \code
        movl    SLOT(\k), %eax
        leal    (%eax,%eax,4), %eax
        addl    %eax, %eax
        ret     $(4 * \n)
.endm

// D(a) > 0.0 && I(k) != value, as 1 or 0.
.macro POSITIVE_AND_NOT code, n, a, k, value
        CONTROL \code
        fldz
        fldl    SLOT(\a)
        xorl    %eax, %eax
        fcomip  %st(1), %st
        fstp    %st(0)
        jbe     1f
        cmpl    $\value, SLOT(\k)
        setne   %al
1:      ret     $(4 * \n)
.endm

//                 code        slots  operands               row
TWO_STEPS          i11iI1i1I1, 6,     2, fdivrl, 0            // D(0) / D(2)
TWO_STEPS          I1iI1I1iIi, 8,     3, fdivrl, 1            // D(1) / D(3)
TWO_STEPS          iIi11I1I1I, 7,     5, fdivrl, 3            // D(3) / D(5)
TWO_STEPS          II1Ii1ii11, 8,     5, fdivrl, 3            // D(3) / D(5)
TWO_STEPS          Ii11Iii1I1, 8,     6, fdivrl, 4            // D(4) / D(6)
TWO_STEPS          iiiIiiiIiI, 8,     6, fdivrl, 4            // D(4) / D(6)
TWO_STEPS          11iIII1IIi, 7,     2, fsubrl, 5            // D(5) - D(2)
TWO_STEPS          I1IIIii1I1, 10,    1, fmull, 3             // D(3) * D(1)
CONSTANT_FIRST     I1IIiIIii1, 6,     flds, kTen, fmull, 0    // D(0) * 10.0
CONSTANT_FIRST     1iiiii1iIi, 6,     flds, kTen, fdivrl, 0   // D(0) / 10.0
CONSTANT_FIRST     1iIiI1iiii, 5,     flds, kTen, fdivrl, 0   // D(0) / 10.0
CONSTANT_FIRST     i1111Ii11I, 6,     fldl, kNineTenths, fmull, 3  // D(3) * 0.9
PRODUCT_SCALED     1I1IIii11I, 8,     1, 3, kHundredth        // D(3) * D(1) * 0.01
THREE_STEPS        iI1IIiIIiI, 9,     0, fmull, 5, faddl, 3   // D(5) * D(0) + D(3)
THREE_STEPS        1I1ii1Ii1I, 8,     6, fmull, 1, faddl, 4   // D(1) * D(6) + D(4)
THREE_STEPS        I1I1iiiIIi, 9,     0, fmull, 4, fsubrl, 6  // D(6) - D(4) * D(0)
THREE_STEPS        i1iIi1i11i, 6,     4, fmull, 0, fsubrl, 2  // D(2) - D(0) * D(4)
NESTED_QUOTIENT    Ii1Ii1IiI1, 8,     4, 0, 6, 2              // D(6) / (D(0) * D(4)) * D(2)
TIMES_TEN          1IiiIii11i, 5,     2                       // I(2) * 10
POSITIVE_AND_NOT   IIII1I11ii, 10,    2, 7, 134               // D(2) > 0.0 && I(7) != 134

        .section .rdata, "dr"
        .p2align 3
kNineTenths:    .quad 0x3FECCCCCCCCCCCCD    // the double nearest 0.9
kHundredth:     .quad 0x3F847AE147AE147B    // the double nearest 0.01
kTen:           .float 10.0                 // exact in single precision
