// Storage of the texts that number-to-text and time-to-text exports build.
//
// Each thread has a ring of kBuiltTextRing buffers: a returned text stays
// readable until the same thread has made kBuiltTextRing - 1 more
// text-building calls, and other threads never touch it. Without a TLS index
// or heap room for a ring, one shared ring keeps that for callers that keep
// to one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>

namespace lumi {

constexpr std::size_t kBuiltTextRing = 16;
constexpr std::size_t kBuiltTextUnits = 32;  // longest built text is 28 + NUL
constexpr std::uintptr_t kBuiltTextBytes = kBuiltTextUnits * sizeof(char16_t);
constexpr std::uintptr_t kRingBytes = kBuiltTextRing * kBuiltTextBytes;
static_assert((kRingBytes & (kRingBytes - 1)) == 0, "a ring's size is a power of two");

// A thread's texts, aligned to their own size: the buffer after a given one
// follows from its address alone, so the thread's TLS slot holds just that.
struct alignas(kRingBytes) ThreadRing {
    char16_t text[kBuiltTextRing][kBuiltTextUnits];
    ThreadRing* prev;
    ThreadRing* next;
    void* allocation;  // as the heap gave it, before aligning
};

inline ThreadRing* RingOf(char16_t* text) {
    return reinterpret_cast<ThreadRing*>(reinterpret_cast<std::uintptr_t>(text) & ~(kRingBytes - 1));
}

// The buffer after `text` in its ring, wrapping from the last to the first.
inline char16_t* FollowingText(char16_t* text) {
    const auto address = reinterpret_cast<std::uintptr_t>(text);
    const std::uintptr_t ring = address & ~(kRingBytes - 1);
    return reinterpret_cast<char16_t*>(ring | ((address + kBuiltTextBytes) & (kRingBytes - 1)));
}

// The TLS index of the rings, and the TEB's own slots for the first 64 indexes.
extern std::uint32_t gBuiltTextIndex;
constexpr std::uint32_t kTebTlsSlots = 0xE10;  // TEB.TlsSlots[64] on 32-bit Windows
constexpr std::uint32_t kTebTlsSlotCount = 64;

// The first call on a thread, an index past the TEB's own slots, or no index.
char16_t* NextBuiltTextSlow();

// The calling thread's next buffer of kBuiltTextUnits units. mingw's
// thread_local is emulated (a call and a lookup per access); a TEB slot is
// one load and one store, kept inline so a text costs no more than a static
// buffer.
inline char16_t* NextBuiltText() {
    if (gBuiltTextIndex < kTebTlsSlotCount) {
        const std::uint32_t slot = kTebTlsSlots + 4 * gBuiltTextIndex;
        char16_t* text;
        asm volatile("movl %%fs:(%1), %0" : "=r"(text) : "r"(slot));
        if (text != nullptr) {
            asm volatile("movl %0, %%fs:(%1)" : : "r"(FollowingText(text)), "r"(slot));
            return text;
        }
    }
    return NextBuiltTextSlow();
}

// Load and unload of the library, and the end of a thread. Without a TLS
// index every thread's texts come from one shared ring.
void StartBuiltTexts();
void ReleaseThreadBuiltTexts();
void StopBuiltTexts();

}  // namespace lumi
