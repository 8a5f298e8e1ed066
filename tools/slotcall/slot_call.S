/*
 * SlotCall(function, slots, count, record): the raw-slot call of an export.
 *
 * The export may break any register it likes; the thunk finds its own frame
 * again through the TEB's ArbitraryUserPointer (fs:0x14), which it borrows for
 * the call and puts back, so EBX, ESI, EDI and EBP can all carry sentinels.
 */

        .set REC_CW,          0
        .set REC_PRELOADED,   4
        .set REC_EAX,         8
        .set REC_EDX,        12
        .set REC_POPPED,     16
        .set REC_DEPTH_IN,   20
        .set REC_DEPTH_OUT,  24
        .set REC_EBX,        28
        .set REC_ESI,        32
        .set REC_EDI,        36
        .set REC_EBP,        40
        .set REC_CW_OUT,     44
        .set REC_SW_OUT,     46
        .set REC_ST0,        48
        .set REC_PRELOADS,   58
        .set MAX_PRELOADS,    4

        .set SAVED_TEB_WORD, -16
        .set SAVED_CW,       -20
        .set ESP_PUSHED,     -24
        .set ESP_RETURNED,   -28

        .text
        .globl  _SlotCall
        .p2align 4
_SlotCall:
        pushl   %ebp
        movl    %esp, %ebp
        pushl   %ebx
        pushl   %esi
        pushl   %edi
        subl    $16, %esp
        movl    20(%ebp), %edi                  /* record */

        fnstcw  SAVED_CW(%ebp)
        /* Flags raised before the call would trap once the word unmasks
           them; cleared, the status word afterwards holds the export's. */
        fnclex
        fldcw   REC_CW(%edi)
        movl    REC_PRELOADED(%edi), %ecx
1:      testl   %ecx, %ecx
        jle     2f
        fldpi
        decl    %ecx
        jmp     1b
2:      call    x87_depth
        movl    %eax, REC_DEPTH_IN(%edi)

        movl    %fs:0x14, %eax
        movl    %eax, SAVED_TEB_WORD(%ebp)
        movl    %ebp, %fs:0x14

        movl    12(%ebp), %esi                  /* slots, highest pushed first */
        movl    16(%ebp), %ecx
3:      testl   %ecx, %ecx
        jle     4f
        pushl   -4(%esi,%ecx,4)
        decl    %ecx
        jmp     3b
4:      movl    %esp, ESP_PUSHED(%ebp)
        movl    8(%ebp), %eax
        movl    $0xB0B0B0B0, %ebx
        movl    $0x51515151, %esi
        movl    $0xD1D1D1D1, %edi
        movl    $0xEBEBEBEB, %ebp
        call    *%eax

        movl    %fs:0x14, %ecx                  /* our frame again */
        movl    %esp, ESP_RETURNED(%ecx)
        leal    -32(%ecx), %esp
        pushl   %ebp
        pushl   %edi
        pushl   %esi
        pushl   %ebx
        pushl   %edx
        pushl   %eax
        movl    %ecx, %ebp
        movl    20(%ebp), %edi
        popl    REC_EAX(%edi)
        popl    REC_EDX(%edi)
        popl    REC_EBX(%edi)
        popl    REC_ESI(%edi)
        popl    REC_EDI(%edi)
        popl    REC_EBP(%edi)
        movl    SAVED_TEB_WORD(%ebp), %eax
        movl    %eax, %fs:0x14
        movl    ESP_RETURNED(%ebp), %eax
        subl    ESP_PUSHED(%ebp), %eax
        movl    %eax, REC_POPPED(%edi)

        fnstcw  REC_CW_OUT(%edi)
        fnstsw  REC_SW_OUT(%edi)
        call    x87_depth
        movl    %eax, REC_DEPTH_OUT(%edi)

        subl    REC_DEPTH_IN(%edi), %eax        /* values the export left */
        jle     6f
        fstpt   REC_ST0(%edi)
5:      decl    %eax
        jle     6f
        fstp    %st(0)
        jmp     5b
6:      leal    REC_PRELOADS(%edi), %esi        /* then the caller's own values */
        movl    $MAX_PRELOADS, %ebx
7:      call    x87_depth
        testl   %eax, %eax
        jle     9f
        testl   %ebx, %ebx
        jle     8f
        fstpt   (%esi)
        addl    $10, %esi
        decl    %ebx
        jmp     7b
8:      fstp    %st(0)
        jmp     7b

9:      fnclex
        fldcw   SAVED_CW(%ebp)
        leal    -12(%ebp), %esp
        popl    %edi
        popl    %esi
        popl    %ebx
        popl    %ebp
        ret

/* EAX = values on the x87 stack: (8 - TOP) mod 8, from the status word. */
x87_depth:
        subl    $4, %esp
        fnstsw  (%esp)
        movzwl  (%esp), %eax
        shrl    $11, %eax
        negl    %eax
        andl    $7, %eax
        addl    $4, %esp
        ret
