// Per-thread rings of built texts, found through a Windows TLS index.
//
// mingw's thread_local goes through emulated TLS (a call and a lookup per
// access); reading the slot straight from the thread's TEB is one load.
// Rings are listed so that unload can free those of threads still running.
#include "boundary/built_text.h"

#include <windows.h>

#include <cstdint>

namespace lumi {
namespace {

constexpr DWORD kTebTlsSlots = 0xE10;  // TEB.TlsSlots[64] on 32-bit Windows
constexpr DWORD kTebTlsSlotCount = 64;

struct ThreadRing {
    ThreadRing* prev;
    ThreadRing* next;
    std::uint32_t turn;
    char16_t text[kBuiltTextRing][kBuiltTextUnits];
};

DWORD gTlsIndex = TLS_OUT_OF_INDEXES;
SRWLOCK gRingsLock = SRWLOCK_INIT;
ThreadRing gRings = {&gRings, &gRings, 0, {}};  // list head; also the ring of last resort

ThreadRing* ReadThreadRing() {
    if (gTlsIndex < kTebTlsSlotCount) {
        ThreadRing* ring;
        asm("movl %%fs:(%1), %0" : "=r"(ring) : "r"(kTebTlsSlots + 4 * gTlsIndex));
        return ring;
    }
    // TlsGetValue clears the last error; keep the host's.
    const DWORD lastError = GetLastError();
    auto* ring = static_cast<ThreadRing*>(TlsGetValue(gTlsIndex));
    SetLastError(lastError);
    return ring;
}

ThreadRing* CreateThreadRing() {
    auto* ring = static_cast<ThreadRing*>(HeapAlloc(GetProcessHeap(), 0, sizeof(ThreadRing)));
    if (ring == nullptr || !TlsSetValue(gTlsIndex, ring)) {
        if (ring != nullptr) HeapFree(GetProcessHeap(), 0, ring);
        return &gRings;  // out of memory: share the fallback ring rather than fail
    }
    ring->turn = 0;
    AcquireSRWLockExclusive(&gRingsLock);
    ring->prev = &gRings;
    ring->next = gRings.next;
    gRings.next->prev = ring;
    gRings.next = ring;
    ReleaseSRWLockExclusive(&gRingsLock);
    return ring;
}

void Unlink(ThreadRing* ring) {
    ring->prev->next = ring->next;
    ring->next->prev = ring->prev;
    HeapFree(GetProcessHeap(), 0, ring);
}

}  // namespace

char16_t* NextBuiltText() {
    ThreadRing* ring = ReadThreadRing();
    if (ring == nullptr) ring = CreateThreadRing();
    return ring->text[ring->turn++ % kBuiltTextRing];
}

bool StartBuiltTexts() {
    gTlsIndex = TlsAlloc();
    return gTlsIndex != TLS_OUT_OF_INDEXES;
}

void ReleaseThreadBuiltTexts() {
    if (gTlsIndex == TLS_OUT_OF_INDEXES) return;
    auto* ring = static_cast<ThreadRing*>(TlsGetValue(gTlsIndex));
    if (ring == nullptr || ring == &gRings) return;
    TlsSetValue(gTlsIndex, nullptr);
    AcquireSRWLockExclusive(&gRingsLock);
    Unlink(ring);
    ReleaseSRWLockExclusive(&gRingsLock);
}

void StopBuiltTexts() {
    AcquireSRWLockExclusive(&gRingsLock);
    while (gRings.next != &gRings) Unlink(gRings.next);
    ReleaseSRWLockExclusive(&gRingsLock);
    if (gTlsIndex != TLS_OUT_OF_INDEXES) TlsFree(gTlsIndex);  // clears every thread's slot
    gTlsIndex = TLS_OUT_OF_INDEXES;
}

}  // namespace lumi
