// Per-thread rings of built texts, found through a Windows TLS index.
// Rings are listed so that unload can free those of threads still running.
#include "boundary/built_text.h"

#include <windows.h>

namespace lumi {

std::uint32_t gBuiltTextIndex = TLS_OUT_OF_INDEXES;

namespace {

SRWLOCK gRingsLock = SRWLOCK_INIT;
ThreadRing gRings = {0, {}, &gRings, &gRings};  // list head; also the ring of last resort

ThreadRing* ReadThreadRing() {
    // TlsGetValue clears the last error; keep the host's.
    const DWORD lastError = GetLastError();
    auto* ring = static_cast<ThreadRing*>(TlsGetValue(gBuiltTextIndex));
    SetLastError(lastError);
    return ring;
}

ThreadRing* CreateThreadRing() {
    auto* ring = static_cast<ThreadRing*>(HeapAlloc(GetProcessHeap(), 0, sizeof(ThreadRing)));
    if (ring == nullptr || !TlsSetValue(gBuiltTextIndex, ring)) {
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

char16_t* NextBuiltTextSlow() {
    ThreadRing* ring = ReadThreadRing();
    if (ring == nullptr) ring = CreateThreadRing();
    return ring->text[ring->turn++ % kBuiltTextRing];
}

bool StartBuiltTexts() {
    gBuiltTextIndex = TlsAlloc();
    return gBuiltTextIndex != TLS_OUT_OF_INDEXES;
}

void ReleaseThreadBuiltTexts() {
    if (gBuiltTextIndex == TLS_OUT_OF_INDEXES) return;
    auto* ring = static_cast<ThreadRing*>(TlsGetValue(gBuiltTextIndex));
    if (ring == nullptr || ring == &gRings) return;
    TlsSetValue(gBuiltTextIndex, nullptr);
    AcquireSRWLockExclusive(&gRingsLock);
    Unlink(ring);
    ReleaseSRWLockExclusive(&gRingsLock);
}

void StopBuiltTexts() {
    AcquireSRWLockExclusive(&gRingsLock);
    while (gRings.next != &gRings) Unlink(gRings.next);
    ReleaseSRWLockExclusive(&gRingsLock);
    if (gBuiltTextIndex != TLS_OUT_OF_INDEXES) TlsFree(gBuiltTextIndex);  // clears every thread's slot
    gBuiltTextIndex = TLS_OUT_OF_INDEXES;
}

}  // namespace lumi
