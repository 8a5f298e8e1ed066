// Per-thread rings of built texts, found through a Windows TLS index whose
// slot holds the thread's next buffer. Rings are listed so that unload can
// free those of threads still running. Without an index (the host took
// them all) or without a heap block for a thread's ring, texts come from the
// one ring of last resort that all threads share.
#include "boundary/built_text.h"

#include <windows.h>

namespace lumi {

std::uint32_t gBuiltTextIndex = TLS_OUT_OF_INDEXES;

namespace {

// A critical section, not a slim lock: Windows XP has no slim locks. It
// exists only while gBuiltTextIndex holds an index, and so do thread rings.
CRITICAL_SECTION gRingsLock;
ThreadRing gRings = {{}, &gRings, &gRings, nullptr};  // list head; also the ring of last resort
volatile LONG gLastResortTurn = 0;

// Callers that keep to one thread at a time get a text that stays for 15
// more calls, as from a ring of their own; callers at once get distinct
// buffers unless 16 calls overlap.
char16_t* LastResortText() {
    const LONG turn = InterlockedIncrement(&gLastResortTurn);
    return gRings.text[static_cast<std::uint32_t>(turn) % kBuiltTextRing];
}

// The heap block of a thread's ring. A test build makes it fail, to take
// the ring of last resort for real.
void* AllocateRing(std::size_t bytes) {
#ifdef LUMI_TEST_RING_ALLOCATION_FAILS
    static_cast<void>(bytes);
    return nullptr;
#else
    return HeapAlloc(GetProcessHeap(), 0, bytes);
#endif
}

// TlsGetValue clears the last error; keep the host's.
char16_t* ReadThreadSlot() {
    const DWORD lastError = GetLastError();
    auto* text = static_cast<char16_t*>(TlsGetValue(gBuiltTextIndex));
    SetLastError(lastError);
    return text;
}

// A new ring, listed; null when the heap has no room.
ThreadRing* CreateThreadRing() {
    void* allocation = AllocateRing(sizeof(ThreadRing) + kRingBytes);
    if (allocation == nullptr) return nullptr;
    const auto aligned = (reinterpret_cast<std::uintptr_t>(allocation) + kRingBytes - 1) & ~(kRingBytes - 1);
    auto* ring = reinterpret_cast<ThreadRing*>(aligned);
    ring->allocation = allocation;
    EnterCriticalSection(&gRingsLock);
    ring->prev = &gRings;
    ring->next = gRings.next;
    gRings.next->prev = ring;
    gRings.next = ring;
    LeaveCriticalSection(&gRingsLock);
    return ring;
}

void Unlink(ThreadRing* ring) {
    ring->prev->next = ring->next;
    ring->next->prev = ring->prev;
    HeapFree(GetProcessHeap(), 0, ring->allocation);
}

}  // namespace

char16_t* NextBuiltTextSlow() {
    if (gBuiltTextIndex == TLS_OUT_OF_INDEXES) return LastResortText();
    char16_t* text = ReadThreadSlot();
    if (text == nullptr) {
        ThreadRing* ring = CreateThreadRing();
        if (ring != nullptr && TlsSetValue(gBuiltTextIndex, ring->text[0])) {
            text = ring->text[0];
        } else {
            // Out of memory: share the ring of last resort rather than fail.
            if (ring != nullptr) {
                EnterCriticalSection(&gRingsLock);
                Unlink(ring);
                LeaveCriticalSection(&gRingsLock);
            }
            return LastResortText();
        }
    }
    TlsSetValue(gBuiltTextIndex, FollowingText(text));
    return text;
}

void StartBuiltTexts() {
    // On Windows XP the lock may fail for want of memory; without it every
    // text comes from the ring of last resort.
    if (!InitializeCriticalSectionAndSpinCount(&gRingsLock, 0)) return;
    gBuiltTextIndex = TlsAlloc();
    if (gBuiltTextIndex == TLS_OUT_OF_INDEXES) DeleteCriticalSection(&gRingsLock);
}

void ReleaseThreadBuiltTexts() {
    if (gBuiltTextIndex == TLS_OUT_OF_INDEXES) return;
    auto* text = static_cast<char16_t*>(TlsGetValue(gBuiltTextIndex));
    if (text == nullptr || RingOf(text) == &gRings) return;
    TlsSetValue(gBuiltTextIndex, nullptr);
    EnterCriticalSection(&gRingsLock);
    Unlink(RingOf(text));
    LeaveCriticalSection(&gRingsLock);
}

void StopBuiltTexts() {
    if (gBuiltTextIndex == TLS_OUT_OF_INDEXES) return;  // no lock, no thread rings
    EnterCriticalSection(&gRingsLock);
    while (gRings.next != &gRings) Unlink(gRings.next);
    LeaveCriticalSection(&gRingsLock);
    TlsFree(gBuiltTextIndex);  // clears every thread's slot
    gBuiltTextIndex = TLS_OUT_OF_INDEXES;
    DeleteCriticalSection(&gRingsLock);
}

}  // namespace lumi
