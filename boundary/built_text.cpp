// Per-thread rings of built texts, found through a Windows TLS index whose
// slot holds the thread's next buffer. Rings are listed so that unload can
// free those of threads still running.
#include "boundary/built_text.h"

#include <windows.h>

namespace lumi {

std::uint32_t gBuiltTextIndex = TLS_OUT_OF_INDEXES;

namespace {

SRWLOCK gRingsLock = SRWLOCK_INIT;
ThreadRing gRings = {{}, &gRings, &gRings, nullptr};  // list head; also the ring of last resort
volatile LONG gLastResortTurn = 0;

// TlsGetValue clears the last error; keep the host's.
char16_t* ReadThreadSlot() {
    const DWORD lastError = GetLastError();
    auto* text = static_cast<char16_t*>(TlsGetValue(gBuiltTextIndex));
    SetLastError(lastError);
    return text;
}

// A new ring, listed; null when the heap has no room.
ThreadRing* CreateThreadRing() {
    void* allocation = HeapAlloc(GetProcessHeap(), 0, sizeof(ThreadRing) + kRingBytes);
    if (allocation == nullptr) return nullptr;
    const auto aligned = (reinterpret_cast<std::uintptr_t>(allocation) + kRingBytes - 1) & ~(kRingBytes - 1);
    auto* ring = reinterpret_cast<ThreadRing*>(aligned);
    ring->allocation = allocation;
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
    HeapFree(GetProcessHeap(), 0, ring->allocation);
}

}  // namespace

char16_t* NextBuiltTextSlow() {
    char16_t* text = ReadThreadSlot();
    if (text == nullptr) {
        ThreadRing* ring = CreateThreadRing();
        if (ring != nullptr && TlsSetValue(gBuiltTextIndex, ring->text[0])) {
            text = ring->text[0];
        } else {
            // Out of memory: share the ring of last resort rather than fail.
            if (ring != nullptr) {
                AcquireSRWLockExclusive(&gRingsLock);
                Unlink(ring);
                ReleaseSRWLockExclusive(&gRingsLock);
            }
            const LONG turn = InterlockedIncrement(&gLastResortTurn);
            return gRings.text[static_cast<std::uint32_t>(turn) % kBuiltTextRing];
        }
    }
    TlsSetValue(gBuiltTextIndex, FollowingText(text));
    return text;
}

bool StartBuiltTexts() {
    gBuiltTextIndex = TlsAlloc();
    return gBuiltTextIndex != TLS_OUT_OF_INDEXES;
}

void ReleaseThreadBuiltTexts() {
    if (gBuiltTextIndex == TLS_OUT_OF_INDEXES) return;
    auto* text = static_cast<char16_t*>(TlsGetValue(gBuiltTextIndex));
    if (text == nullptr || RingOf(text) == &gRings) return;
    TlsSetValue(gBuiltTextIndex, nullptr);
    AcquireSRWLockExclusive(&gRingsLock);
    Unlink(RingOf(text));
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
