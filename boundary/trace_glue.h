// How a table row becomes an export in the tracing build.
//
// The row's body becomes a static function with the export's own convention
// and slots; the export itself is four bytes of code that push the row's
// trace descriptor and jump to lumiTraceEnter (boundary/trace_enter.S),
// which records the inputs, calls the body on a copy of the slots, records
// the result, and returns as the body would have: the same EAX, the same
// x87 state (saved and restored around everything the recorder does) and
// the same bytes removed from the stack.
#pragma once

#include "boundary/slots.h"
#include "boundary/trace_recorder.h"

#define LUMI_TRACE_BODY(code) lumiTraceBody_##code
#define LUMI_TRACE_ROW(code) lumiTraceRow_##code

// The descriptor and the export of a row whose body is declared as `body`.
// The export's symbol is a plain label: the export table gives its name,
// and lumiTraceEnter its convention (the descriptor's popBytes).
#define LUMI_TRACE_EXPORT(Result, code, words, popBytes, body, textSlot, patternSlot)            \
    extern "C" ::lumi::trace::Row LUMI_TRACE_ROW(code);                                           \
    ::lumi::trace::Row LUMI_TRACE_ROW(code) = {#code, words, popBytes,                           \
                                               ::lumi::trace::ResultKindOf<Result>(),             \
                                               textSlot, patternSlot,                             \
                                               reinterpret_cast<const void*>(&body), 0};         \
    extern "C" __declspec(dllexport) __attribute__((naked)) void LUMI_EXPORT_NAME(code)() {      \
        asm("pushl $_lumiTraceRow_" #code "\n\tjmp _lumiTraceEnter");                             \
    }

// Callee-pops: n slots, all removed on return.
#define LUMI_CALLEE_POPS(Result, code, n)                                                         \
    static Result __stdcall LUMI_TRACE_BODY(code)(LUMI_SLOTS_##n);                                \
    LUMI_TRACE_EXPORT(Result, code, n, 4 * (n), LUMI_TRACE_BODY(code), -1, -1)                    \
    static Result __stdcall LUMI_TRACE_BODY(code)(LUMI_SLOTS_##n)

// Callee-pops reading two texts: the trace records their contents too.
#define LUMI_CALLEE_POPS_READING_TEXTS(Result, code, n, text, pattern)                           \
    static Result __stdcall LUMI_TRACE_BODY(code)(LUMI_SLOTS_##n);                                \
    LUMI_TRACE_EXPORT(Result, code, n, 4 * (n), LUMI_TRACE_BODY(code), text, pattern)             \
    static Result __stdcall LUMI_TRACE_BODY(code)(LUMI_SLOTS_##n)

// Caller-pops: the frame reaches the highest slot read; nothing is removed.
#define LUMI_CALLER_POPS(Result, code, highest)                                                   \
    static Result __cdecl LUMI_TRACE_BODY(code)([[maybe_unused]] ::lumi::SlotFrame<(highest) + 1> slots); \
    LUMI_TRACE_EXPORT(Result, code, (highest) + 1, 0, LUMI_TRACE_BODY(code), -1, -1)              \
    static Result __cdecl LUMI_TRACE_BODY(code)([[maybe_unused]] ::lumi::SlotFrame<(highest) + 1> slots)
