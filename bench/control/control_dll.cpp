// bench_control.dll: the floors the benchmarks compare the library against.
//
// EmptyN / EmptyDoubleN do nothing but remove N slots and answer 0 in EAX or
// 0.0 in ST(0) (fldz); EmptyCdecl1 is the caller-pops floor. The *Text
// exports write the same short text into three kinds of storage, so their
// differences are the per-call cost of finding the storage alone.
#include <windows.h>

#include "boundary/built_text.h"
#include "boundary/slots.h"

using lumi::SlotFrame;

#define BENCH_EXPORT extern "C" __declspec(dllexport)

BENCH_EXPORT int __stdcall Empty0() { return 0; }
BENCH_EXPORT double __stdcall EmptyDouble0() { return 0.0; }

#define EMPTY_WITH_SLOTS(n)                                                  \
    BENCH_EXPORT int __stdcall Empty##n(SlotFrame<n>) { return 0; }          \
    BENCH_EXPORT double __stdcall EmptyDouble##n(SlotFrame<n>) { return 0.0; }
EMPTY_WITH_SLOTS(1)
EMPTY_WITH_SLOTS(2)
EMPTY_WITH_SLOTS(3)
EMPTY_WITH_SLOTS(4)
EMPTY_WITH_SLOTS(5)
EMPTY_WITH_SLOTS(6)
EMPTY_WITH_SLOTS(7)
EMPTY_WITH_SLOTS(8)
EMPTY_WITH_SLOTS(9)
EMPTY_WITH_SLOTS(10)
#undef EMPTY_WITH_SLOTS

BENCH_EXPORT int __cdecl EmptyCdecl1(SlotFrame<1>) { return 0; }

namespace {

constexpr std::size_t kTextUnits = lumi::kBuiltTextUnits;

// What each storage export writes: one unit and the NUL.
inline char16_t* WriteProbe(char16_t* out) {
    out[0] = u'7';
    out[1] = 0;
    return out;
}

char16_t gStaticText[kTextUnits];
thread_local char16_t tThreadText[kTextUnits];  // mingw: emulated TLS

}  // namespace

BENCH_EXPORT const char16_t* __stdcall StaticText() { return WriteProbe(gStaticText); }
BENCH_EXPORT const char16_t* __stdcall RingText() { return WriteProbe(lumi::NextBuiltText()); }
BENCH_EXPORT const char16_t* __stdcall ThreadLocalText() { return WriteProbe(tThreadText); }

// The ring's TLS index lives as long as this DLL, as in the library.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    switch (reason) {
        case DLL_PROCESS_ATTACH: lumi::StartBuiltTexts(); break;
        case DLL_THREAD_DETACH: lumi::ReleaseThreadBuiltTexts(); break;
        case DLL_PROCESS_DETACH: lumi::StopBuiltTexts(); break;
    }
    return TRUE;
}
