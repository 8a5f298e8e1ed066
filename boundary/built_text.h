// Storage of the texts that number-to-text and time-to-text exports build.
//
// Each thread has a ring of kBuiltTextRing buffers: a returned text stays
// readable until the same thread has made kBuiltTextRing - 1 more
// text-building calls, and other threads never touch it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace lumi {

constexpr std::size_t kBuiltTextRing = 16;
constexpr std::size_t kBuiltTextUnits = 32;  // longest built text is 28 + NUL

struct ThreadRing {
    std::uint32_t turn;
    char16_t text[kBuiltTextRing][kBuiltTextUnits];
    ThreadRing* prev;
    ThreadRing* next;
};

// The TLS index of the rings, and the TEB's own slots for the first 64 indexes.
extern std::uint32_t gBuiltTextIndex;
constexpr std::uint32_t kTebTlsSlots = 0xE10;  // TEB.TlsSlots[64] on 32-bit Windows
constexpr std::uint32_t kTebTlsSlotCount = 64;

// The first call on a thread, or an index past the TEB's own slots.
char16_t* NextBuiltTextSlow();

// The calling thread's next buffer of kBuiltTextUnits units. mingw's
// thread_local is emulated (a call and a lookup per access); a TEB slot is
// one load, kept inline so a text costs no more than a static buffer.
inline char16_t* NextBuiltText() {
    if (gBuiltTextIndex < kTebTlsSlotCount) {
        ThreadRing* ring;
        asm("movl %%fs:(%1), %0" : "=r"(ring) : "r"(kTebTlsSlots + 4 * gBuiltTextIndex));
        if (ring != nullptr) return ring->text[ring->turn++ % kBuiltTextRing];
    }
    return NextBuiltTextSlow();
}

// Load and unload of the library, and the end of a thread.
bool StartBuiltTexts();
void ReleaseThreadBuiltTexts();
void StopBuiltTexts();

}  // namespace lumi
