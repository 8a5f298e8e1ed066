// The one entry of every traced export. The export pushed its row's
// descriptor and jumped here; the caller's return address and slots lie
// above it. The recorder runs between fnsave and frstor, so the body meets
// the caller's x87 state exactly and the caller meets the body's.
//
// Frame, from %ebp: +4 row, +8 return address, +12 slot 0;
// -108 the x87 state (fnsave's 108 bytes), -116 the sequence number,
// -120 the body's EAX.
        .set ROW_WORDS,    4
        .set ROW_POPBYTES, 8
        .set ROW_BODY,     16
        .set X87_STATE,    -108
        .set SEQ,          -116
        .set BODY_EAX,     -120
        .set FRAME_BYTES,  120

        .text
        .globl _lumiTraceEnter
        .def _lumiTraceEnter; .scl 2; .type 32; .endef
        .p2align 5
_lumiTraceEnter:
        pushl %ebp
        movl %esp, %ebp
        subl $FRAME_BYTES, %esp
        fnsave X87_STATE(%ebp)          // the caller's state; the unit is reset

        leal SEQ(%ebp), %eax
        pushl %eax
        leal X87_STATE(%ebp), %eax
        pushl %eax
        pushl 8(%ebp)
        leal 12(%ebp), %eax
        pushl %eax
        pushl 4(%ebp)
        call _lumiTraceInputs
        addl $20, %esp
        frstor X87_STATE(%ebp)

        // The body gets its own copy of the slots, pushed highest first.
        movl 4(%ebp), %ecx
        movl ROW_WORDS(%ecx), %ecx
        jecxz 2f
1:      pushl 8(%ebp,%ecx,4)
        loop 1b
2:      movl 4(%ebp), %ecx
        call *ROW_BODY(%ecx)
        leal -FRAME_BYTES(%ebp), %esp   // whatever the body removed
        movl %eax, BODY_EAX(%ebp)
        fnsave X87_STATE(%ebp)          // the body's result and flags

        leal X87_STATE(%ebp), %ecx
        pushl %ecx
        pushl %eax
        leal SEQ(%ebp), %ecx
        pushl %ecx
        pushl 4(%ebp)
        call _lumiTraceResult
        addl $16, %esp
        frstor X87_STATE(%ebp)
        movl BODY_EAX(%ebp), %eax

        // Return as the export: remove the row word and popBytes of slots.
        leave
        movl (%esp), %ecx
        movl ROW_POPBYTES(%ecx), %ecx
        movl 4(%esp), %edx
        leal 4(%esp,%ecx), %esp
        movl %edx, (%esp)
        ret
