// The one entry of every traced export. The export pushed its row's
// descriptor and jumped here; the caller's return address and slots lie
// above it. The recorder is integer code only (built with general
// registers only) and so leaves the x87 unit as it finds it: the body
// meets the caller's x87 state exactly, and the caller meets the body's.
// Only a double result is taken from the unit, by fnsave (which also
// resets it, so the recorder's calls out run under the default control
// word) and frstor after.
//
// Frame, from %ebp: +4 row, +8 return address, +12 slot 0;
// -108 the x87 state (fnsave's 108 bytes), -116 the sequence number,
// -120 the body's EAX, -124 the caller's control word.
        .set ROW_WORDS,    4
        .set ROW_POPBYTES, 8
        .set ROW_RESULT,   12
        .set ROW_BODY,     16
        .set RESULT_DOUBLE, 2
        .set X87_STATE,    -108
        .set SEQ,          -116
        .set BODY_EAX,     -120
        .set CONTROL_WORD, -124
        .set FRAME_BYTES,  124

        .text
        .globl _lumiTraceEnter
        .def _lumiTraceEnter; .scl 2; .type 32; .endef
        .p2align 5
_lumiTraceEnter:
        pushl %ebp
        movl %esp, %ebp
        subl $FRAME_BYTES, %esp
        fnstcw CONTROL_WORD(%ebp)       // changes nothing of the unit's state

        leal SEQ(%ebp), %eax
        pushl %eax
        movzwl CONTROL_WORD(%ebp), %eax
        pushl %eax
        pushl 8(%ebp)
        leal 12(%ebp), %eax
        pushl %eax
        pushl 4(%ebp)
        call _lumiTraceInputs
        addl $20, %esp

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

        movl 4(%ebp), %ecx
        xorl %edx, %edx                 // no x87 image: the unit is untouched
        cmpb $RESULT_DOUBLE, ROW_RESULT(%ecx)
        jne 3f
        fnsave X87_STATE(%ebp)          // the body's result and flags
        leal X87_STATE(%ebp), %edx
3:      pushl %edx
        pushl %eax
        leal SEQ(%ebp), %ecx
        pushl %ecx
        pushl 4(%ebp)
        call _lumiTraceResult
        addl $16, %esp
        movl 4(%ebp), %ecx
        cmpb $RESULT_DOUBLE, ROW_RESULT(%ecx)
        jne 4f
        frstor X87_STATE(%ebp)
4:      movl BODY_EAX(%ebp), %eax

        // Return as the export: remove the row word and popBytes of slots.
        leave
        movl (%esp), %ecx
        movl ROW_POPBYTES(%ecx), %ecx
        movl 4(%esp), %edx
        leal 4(%esp,%ecx), %esp
        movl %edx, (%esp)
        ret

// int32_t lumiTraceCopyUnits(const uint16_t* from, uint16_t* to, uint32_t count)
//
// Copies units from `from` until a zero unit or `count` units, and gives the
// units before the zero (or `count`); -1 when the memory faults, as memory
// that another thread frees while the recorder reads it does. A fault in
// the copy loop resumes at the fault label, sent there by the recorder's
// vectored handler (which Windows calls before any frame's) or, when a
// host's vectored handler comes first and passes it on, by the handler
// frame this routine registers in the thread's exception chain.
//
// Frame, from %esp once registered: +0 the next record, +4 the handler,
// +8 %ebp; then the callee-saved registers.
        .set CONTEXT_EBP, 0xB4
        .set CONTEXT_EIP, 0xB8
        .set CONTEXT_ESP, 0xC4
        .set UNWINDING,   6             // EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND

        .globl _lumiTraceCopyUnits
        .def _lumiTraceCopyUnits; .scl 2; .type 32; .endef
        .p2align 4
_lumiTraceCopyUnits:
        pushl %ebp
        movl %esp, %ebp
        pushl %esi
        pushl %edi
        pushl %ebp
        pushl $_lumiTraceCopyFault
        pushl %fs:0
        movl %esp, %fs:0
        movl 8(%ebp), %esi
        movl 12(%ebp), %edi
        movl 16(%ebp), %ecx
        xorl %eax, %eax
        .globl _lumiTraceCopyLoop
_lumiTraceCopyLoop:
5:      cmpl %ecx, %eax
        jae 7f
        movzwl (%esi,%eax,2), %edx
        movw %dx, (%edi,%eax,2)
        testl %edx, %edx
        jz 7f
        incl %eax
        jmp 5b
        .globl _lumiTraceCopyLoopEnd, _lumiTraceCopyResume
_lumiTraceCopyLoopEnd:
_lumiTraceCopyResume:
6:      movl $-1, %eax                  // the fault label: %esp is the frame again
7:      popl %fs:0
        addl $8, %esp
        popl %edi
        popl %esi
        popl %ebp
        ret

// The handler: EXCEPTION_DISPOSITION (record, frame, context, dispatcher), cdecl.
// An access violation, a guard page or a failed page-in, met while copying,
// resumes at the fault label; anything else, or an unwind, goes on to the
// next handler.
        .def _lumiTraceCopyFault; .scl 3; .type 32; .endef
        .p2align 4
_lumiTraceCopyFault:
        movl 4(%esp), %eax
        testl $UNWINDING, 4(%eax)
        jnz 9f
        movl (%eax), %eax
        cmpl $0xC0000005, %eax          // access violation
        je 8f
        cmpl $0x80000001, %eax          // guard page
        je 8f
        cmpl $0xC0000006, %eax          // in-page error
        jne 9f
8:      movl 8(%esp), %edx              // the frame
        movl 12(%esp), %ecx             // the context
        movl %edx, CONTEXT_ESP(%ecx)
        movl 8(%edx), %eax
        movl %eax, CONTEXT_EBP(%ecx)
        movl $6b, CONTEXT_EIP(%ecx)
        xorl %eax, %eax                 // ExceptionContinueExecution
        ret
9:      movl $1, %eax                   // ExceptionContinueSearch
        ret
