// How a table row becomes an exported function.
//
// Every export is `extern "C"`, undecorated (the link kills the @N suffix)
// and takes its slots as one SlotFrame parameter, so the convention alone
// fixes the pop count: __stdcall removes 4 x N bytes, __cdecl removes none.
#pragma once

#include "boundary/slots.h"

#define LUMI_EXPORT_NAME(code) Quenvar_541BA2F8_1_##code

// The parameter list of an export with n slots.
#define LUMI_SLOTS_0  void
#define LUMI_SLOTS_1  [[maybe_unused]] ::lumi::SlotFrame<1> slots
#define LUMI_SLOTS_2  [[maybe_unused]] ::lumi::SlotFrame<2> slots
#define LUMI_SLOTS_3  [[maybe_unused]] ::lumi::SlotFrame<3> slots
#define LUMI_SLOTS_4  [[maybe_unused]] ::lumi::SlotFrame<4> slots
#define LUMI_SLOTS_5  [[maybe_unused]] ::lumi::SlotFrame<5> slots
#define LUMI_SLOTS_6  [[maybe_unused]] ::lumi::SlotFrame<6> slots
#define LUMI_SLOTS_7  [[maybe_unused]] ::lumi::SlotFrame<7> slots
#define LUMI_SLOTS_8  [[maybe_unused]] ::lumi::SlotFrame<8> slots
#define LUMI_SLOTS_9  [[maybe_unused]] ::lumi::SlotFrame<9> slots
#define LUMI_SLOTS_10 [[maybe_unused]] ::lumi::SlotFrame<10> slots

#if defined(LUMI_TRACING)
#include "boundary/trace_glue.h"
#else

// Callee-pops: n slots, all removed on return.
#define LUMI_CALLEE_POPS(Result, code, n) \
    extern "C" __declspec(dllexport) Result __stdcall LUMI_EXPORT_NAME(code)(LUMI_SLOTS_##n)

// Caller-pops: the frame reaches the highest slot read; the caller removes
// whatever it pushed.
#define LUMI_CALLER_POPS(Result, code, highest) \
    extern "C" __declspec(dllexport) Result __cdecl LUMI_EXPORT_NAME(code)( \
        [[maybe_unused]] ::lumi::SlotFrame<(highest) + 1> slots)

// Callee-pops reading the texts of slots `text` and `pattern`.
#define LUMI_CALLEE_POPS_READING_TEXTS(Result, code, n, text, pattern) LUMI_CALLEE_POPS(Result, code, n)

#endif  // LUMI_TRACING

#define LUMI_EXPORT_CalleePops(Result, code, n) LUMI_CALLEE_POPS(Result, code, n)
#define LUMI_EXPORT_CallerPops(Result, code, n) LUMI_CALLER_POPS(Result, code, n)
#define LUMI_EXPORT(convention, Result, code, n) LUMI_EXPORT_##convention(Result, code, n)
