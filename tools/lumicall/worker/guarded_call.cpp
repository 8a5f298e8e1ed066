// A vectored handler turns a fault during guarded work into a jump back to
// RunGuarded: it points the faulting context at ResumeAfterFault, on a stack
// of its own (the export may have left ESP anywhere), which long-jumps home.
#include "tools/lumicall/worker/guarded_call.h"

#include <windows.h>

#include <cstdio>
#include <iterator>

namespace lumi::call {
namespace {

struct FaultName {
    DWORD code;
    const char* words;
};

constexpr FaultName kFaults[] = {
    {EXCEPTION_ACCESS_VIOLATION, "access violation"},
    {EXCEPTION_IN_PAGE_ERROR, "page error"},
    {EXCEPTION_DATATYPE_MISALIGNMENT, "misaligned data"},
    {EXCEPTION_ILLEGAL_INSTRUCTION, "illegal instruction"},
    {EXCEPTION_PRIV_INSTRUCTION, "privileged instruction"},
    {EXCEPTION_BREAKPOINT, "breakpoint"},
    {EXCEPTION_STACK_OVERFLOW, "stack overflow"},
    {EXCEPTION_INT_DIVIDE_BY_ZERO, "integer division by zero"},
    {EXCEPTION_INT_OVERFLOW, "integer overflow"},
    {EXCEPTION_FLT_DIVIDE_BY_ZERO, "floating-point division by zero"},
    {EXCEPTION_FLT_INVALID_OPERATION, "floating-point invalid operation"},
    {EXCEPTION_FLT_OVERFLOW, "floating-point overflow"},
    {EXCEPTION_FLT_UNDERFLOW, "floating-point underflow"},
    {EXCEPTION_FLT_INEXACT_RESULT, "floating-point inexact result"},
    {EXCEPTION_FLT_DENORMAL_OPERAND, "floating-point denormal operand"},
    {EXCEPTION_FLT_STACK_CHECK, "x87 stack overflow or underflow"},
};

const FaultName* FindFault(DWORD code) {
    for (const FaultName& fault : kFaults)
        if (fault.code == code) return &fault;
    return nullptr;
}

// Each thread guards its own work: verify calls exports from several at once.
struct Guard {
    void* home[5];  // __builtin_setjmp's buffer
    bool guarding = false;
    Fault fault;
    alignas(16) unsigned char recoveryStack[16384];
};
thread_local Guard t_guard;  // freed with its thread

[[noreturn]] void ResumeAfterFault() {
    asm volatile("fninit");  // drop any pending x87 exception before anything waits on it
    __builtin_longjmp(t_guard.home, 1);
}

LONG CALLBACK OnException(EXCEPTION_POINTERS* info) {
    const EXCEPTION_RECORD& record = *info->ExceptionRecord;
    Guard* guard = &t_guard;
    if (!guard->guarding || FindFault(record.ExceptionCode) == nullptr)
        return EXCEPTION_CONTINUE_SEARCH;
    guard->guarding = false;
    guard->fault = {static_cast<std::uint32_t>(record.ExceptionCode),
                    static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(record.ExceptionAddress))};
    if (record.ExceptionCode == EXCEPTION_ACCESS_VIOLATION && record.NumberParameters >= 2) {
        guard->fault.access = static_cast<std::int32_t>(record.ExceptionInformation[0]);
        guard->fault.target = static_cast<std::uint32_t>(record.ExceptionInformation[1]);
    }
    CONTEXT& context = *info->ContextRecord;
    context.FloatSave.StatusWord &= ~0x80FFu;  // no exception pending on resumption
    context.Eip = static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(&ResumeAfterFault));
    context.Esp = static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(std::end(guard->recoveryStack))) - 16;
    return EXCEPTION_CONTINUE_EXECUTION;
}

// The thread's TIB, read through FS as the thunk reads it.
NT_TIB* ThreadInformationBlock() {
    NT_TIB* tib;
    asm("movl %%fs:0x18, %0" : "=r"(tib));
    return tib;
}

std::uint16_t ControlWord() {
    std::uint16_t word;
    asm volatile("fnstcw %0" : "=m"(word));
    return word;
}

}  // namespace

std::string Fault::Words() const {
    const FaultName* name = FindFault(code);
    char words[160];
    if (code == EXCEPTION_ACCESS_VIOLATION && access >= 0) {
        const char* verb = access == 1 ? "writing" : access == 8 ? "executing" : "reading";
        std::snprintf(words, sizeof words, "access violation %s 0x%08X at 0x%08X", verb,
                      static_cast<unsigned>(target), static_cast<unsigned>(address));
    } else {
        std::snprintf(words, sizeof words, "%s (exception 0x%08X) at 0x%08X",
                      name != nullptr ? name->words : "exception", static_cast<unsigned>(code),
                      static_cast<unsigned>(address));
    }
    return words;
}

bool Fault::FloatingPoint() const {
    switch (code) {
        case EXCEPTION_FLT_DIVIDE_BY_ZERO:
        case EXCEPTION_FLT_INVALID_OPERATION:
        case EXCEPTION_FLT_OVERFLOW:
        case EXCEPTION_FLT_UNDERFLOW:
        case EXCEPTION_FLT_INEXACT_RESULT:
        case EXCEPTION_FLT_DENORMAL_OPERAND:
        case EXCEPTION_FLT_STACK_CHECK:
            return true;
        default:
            return false;
    }
}

std::optional<Fault> RunGuarded(void (*work)(void*), void* context) {
    static const PVOID handler = AddVectoredExceptionHandler(1, OnException);
    (void)handler;
    // Volatile: read again after the long jump, whatever registers it left.
    volatile std::uint16_t controlWord = ControlWord();
    // The raw-call thunk borrows this TEB word for the call; a fault leaves it borrowed.
    NT_TIB* volatile tib = ThreadInformationBlock();
    void* volatile userPointer = tib->ArbitraryUserPointer;
    Guard* volatile guard = &t_guard;
    if (__builtin_setjmp(guard->home) == 0) {
        guard->guarding = true;
        work(context);
        guard->guarding = false;
        return std::nullopt;
    }
    tib->ArbitraryUserPointer = userPointer;
    const std::uint16_t restored = controlWord;
    asm volatile("fninit\n\tfldcw %0" : : "m"(restored));
    return guard->fault;
}

}  // namespace lumi::call
