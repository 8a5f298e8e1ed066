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

        .set REC_EFLAGS,    100
        .set REC_TAGS_OUT,  104
        .set REC_CANARIES,  106
        .set REC_CANARY,    108
        .set CANARIES,        4

        /* The thunk's frame, below the three registers it saves. */
        .set SAVED_TEB_WORD, -16
        .set SAVED_CW,       -20
        .set ESP_PUSHED,     -24
        .set ESP_RETURNED,   -28
        .set RET_EAX,        -32
        .set RET_EDX,        -36
        .set RET_EBX,        -40
        .set RET_ESI,        -44
        .set RET_EDI,        -48
        .set RET_EBP,        -52
        .set CANARY_AT,      -56
        .set ENVIRONMENT,    -92                /* fnstenv's 28 bytes */
        .set FRAME_SIZE,      96

        .text
        .globl  _SlotCall
        .p2align 4
_SlotCall:
        pushl   %ebp
        movl    %esp, %ebp
        pushl   %ebx
        pushl   %esi
        pushl   %edi
        subl    $FRAME_SIZE, %esp
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

        /* Canary words just above the slots: an export that writes there
           writes into its caller's frame. */
        pushl   $0xC0DE57A3
        pushl   $0xC0DE57A2
        pushl   $0xC0DE57A1
        pushl   $0xC0DE57A0
        movl    %esp, CANARY_AT(%ebp)

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
        movl    %eax, RET_EAX(%ecx)
        movl    %edx, RET_EDX(%ecx)
        movl    %ebx, RET_EBX(%ecx)
        movl    %esi, RET_ESI(%ecx)
        movl    %edi, RET_EDI(%ecx)
        movl    %ebp, RET_EBP(%ecx)
        movl    %ecx, %ebp
        movl    CANARY_AT(%ebp), %esp           /* below the canaries: the slots are spent */
        pushfl                                  /* the direction flag as left, then cleared */
        popl    %eax
        cld
        movl    20(%ebp), %edi
        movl    %eax, REC_EFLAGS(%edi)
        movl    RET_EAX(%ebp), %eax
        movl    %eax, REC_EAX(%edi)
        movl    RET_EDX(%ebp), %eax
        movl    %eax, REC_EDX(%edi)
        movl    RET_EBX(%ebp), %eax
        movl    %eax, REC_EBX(%edi)
        movl    RET_ESI(%ebp), %eax
        movl    %eax, REC_ESI(%edi)
        movl    RET_EDI(%ebp), %eax
        movl    %eax, REC_EDI(%edi)
        movl    RET_EBP(%ebp), %eax
        movl    %eax, REC_EBP(%edi)
        movl    SAVED_TEB_WORD(%ebp), %eax
        movl    %eax, %fs:0x14
        movl    ESP_RETURNED(%ebp), %eax
        subl    ESP_PUSHED(%ebp), %eax
        movl    %eax, REC_POPPED(%edi)

        /* Canaries changed: bit i for the word i above the slots; the
           first changed word kept. */
        movl    CANARY_AT(%ebp), %esi
        xorl    %ebx, %ebx
        movl    $0, REC_CANARY(%edi)
        movl    $CANARIES - 1, %ecx
10:     movl    (%esi,%ecx,4), %eax
        leal    0xC0DE57A0(%ecx), %edx
        cmpl    %edx, %eax
        je      11f
        btsl    %ecx, %ebx
        movl    %eax, REC_CANARY(%edi)
11:     decl    %ecx
        jns     10b
        movw    %bx, REC_CANARIES(%edi)

        fnstcw  REC_CW_OUT(%edi)
        fnstsw  REC_SW_OUT(%edi)
        /* The whole environment, tags of all eight registers included;
           fnstenv masks every exception, so nothing below can trap. */
        fnstenv ENVIRONMENT(%ebp)
        movw    ENVIRONMENT+8(%ebp), %ax
        movw    %ax, REC_TAGS_OUT(%edi)
        fnclex
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

9:      fninit                                  /* every register empty, whatever was left */
        fldcw   SAVED_CW(%ebp)
        leal    -12(%ebp), %esp
        popl    %edi
        popl    %esi
        popl    %ebx
        popl    %ebp
        ret

/* EAX = registers in use on the x87 stack, 0 to 8, from the tag word (the
   depth from TOP alone cannot tell 8 values from none). Keeps the control
   word; changes ECX and EDX. */
x87_depth:
        subl    $28, %esp
        fnstenv (%esp)
        fldcw   (%esp)
        movzwl  8(%esp), %edx
        notl    %edx                            /* empty (11) becomes 00 */
        xorl    %eax, %eax
        movl    $8, %ecx
12:     testl   $3, %edx
        jz      13f
        incl    %eax
13:     shrl    $2, %edx
        decl    %ecx
        jnz     12b
        addl    $28, %esp
        ret
