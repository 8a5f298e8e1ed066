#include "values/find_text.h"

#include <atomic>
#include <cstddef>

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#include <emmintrin.h>
#endif

namespace lumi {
namespace {

// pattern[1...] against scan[1...], given scan[0] == pattern[0]. A unit is
// read only while all before it matched and are not 0, so neither text is
// read past its terminator: the text's 0 differs from a pattern unit.
bool RestMatches(const char16_t* scan, const char16_t* pattern) {
    std::size_t j = 1;
    while (pattern[j] != 0 && pattern[j] == scan[j]) ++j;
    return pattern[j] == 0;
}

}  // namespace

// Aligned to 64 bytes: the candidate loop, near the start, then lies in one
// fetch block wherever the function is linked (across two it ran 60% slower).
__attribute__((aligned(64)))
const char16_t* SearchPatternByUnit(const char16_t* scan, const char16_t* pattern) {
    const char16_t first = pattern[0];
    if (first == 0) return scan;
    // Candidates are the units equal to the pattern's first; only those are compared on.
    for (; *scan != 0; ++scan) {
        if (*scan == first && RestMatches(scan, pattern)) return scan;
    }
    return nullptr;
}

#if defined(__i386__) || defined(__x86_64__)

namespace {

constexpr std::uintptr_t kBlockBytes = 16;
constexpr int kBlockUnits = 8;
constexpr std::uint32_t kBlockMask = 0xFFFF;       // a movemask of 16 bytes
constexpr std::uint32_t kLastUnitBits = 0xC000;    // its last unit's two bits
constexpr std::uint32_t kOneBitPerUnit = 0x5555;   // the low bit of each unit's two

// One bit per byte of a compare's result: two bits per unit.
__attribute__((target("sse2"))) inline std::uint32_t MaskOf(__m128i compared) {
    return static_cast<std::uint32_t>(_mm_movemask_epi8(compared));
}

__attribute__((target("sse2"))) inline std::uint32_t EqualUnits(__m128i units, __m128i wanted) {
    return MaskOf(_mm_cmpeq_epi16(units, wanted));
}

}  // namespace

// Whole aligned blocks are read, also the units before scan and after the
// terminator in the first and last block: an aligned block never crosses a
// page, and every block read starts at or before the terminator, so no page
// is touched that the text does not reach. AddressSanitizer would count
// those units as overflows; they are masked out before any is looked at.
__attribute__((aligned(64), target("sse2"), no_sanitize_address))
const char16_t* SearchPatternByBlock(const char16_t* scan, const char16_t* pattern) {
    const char16_t first = pattern[0];
    if (first == 0) return scan;
    const auto address = reinterpret_cast<std::uintptr_t>(scan);
    if (address % sizeof(char16_t) != 0) return SearchPatternByUnit(scan, pattern);  // units straddle lanes

    const __m128i firstUnit = _mm_set1_epi16(static_cast<short>(first));
    const __m128i terminator = _mm_setzero_si128();
    const auto* block = reinterpret_cast<const __m128i*>(address & ~(kBlockBytes - 1));
    std::uint32_t inText = kBlockMask << (address % kBlockBytes);  // drops units before scan
    __m128i units = _mm_load_si128(block);
    __m128i ends = _mm_cmpeq_epi16(units, terminator);
    __m128i firsts = _mm_cmpeq_epi16(units, firstUnit);
    for (;;) {
        if ((MaskOf(_mm_or_si128(ends, firsts)) & inText) != 0) {
            const std::uint32_t endBits = MaskOf(ends) & inText;
            std::uint32_t candidates = MaskOf(firsts) & inText & kOneBitPerUnit;
            // A candidate's second unit lies in its block, except for the last
            // unit's; a pattern of one unit has none to filter on.
            const char16_t second = pattern[1];
            const std::uint32_t secondUnknown = second != 0 ? kLastUnitBits : kBlockMask;
            candidates &= EqualUnits(units, _mm_set1_epi16(static_cast<short>(second))) >> 2 | secondUnknown;
            candidates &= endBits ^ (endBits - 1);  // up to the terminator; all if none
            for (; candidates != 0; candidates &= candidates - 1) {
                const auto* candidate = reinterpret_cast<const char16_t*>(block) + __builtin_ctz(candidates) / 2;
                if (RestMatches(candidate, pattern)) return candidate;
            }
            if (endBits != 0) return nullptr;
        }
        // Past the first block every unit is in the text until the terminator;
        // most blocks hold neither it nor the pattern's first unit.
        inText = kBlockMask;
        do {
            units = _mm_load_si128(++block);
            ends = _mm_cmpeq_epi16(units, terminator);
            firsts = _mm_cmpeq_epi16(units, firstUnit);
        } while (MaskOf(_mm_or_si128(ends, firsts)) == 0);
    }
}

namespace {

using Scan = const char16_t* (*)(const char16_t*, const char16_t*);

bool CpuHasSse2() {
#if defined(__x86_64__)
    return true;  // part of the architecture
#else
    unsigned eax, ebx, ecx, edx;
    return __get_cpuid(1, &eax, &ebx, &ecx, &edx) != 0 && (edx & bit_SSE2) != 0;
#endif
}

const char16_t* ChooseScan(const char16_t* scan, const char16_t* pattern);

// The scan for this CPU, asked of it on the first search rather than at load.
// Threads that race there store the same choice.
std::atomic<Scan> gScan{ChooseScan};

const char16_t* ChooseScan(const char16_t* scan, const char16_t* pattern) {
    const Scan chosen = CpuHasSse2() ? SearchPatternByBlock : SearchPatternByUnit;
    gScan.store(chosen, std::memory_order_relaxed);
    return chosen(scan, pattern);
}

}  // namespace

const char16_t* SearchPattern(const char16_t* scan, const char16_t* pattern) {
    return gScan.load(std::memory_order_relaxed)(scan, pattern);
}

#else

const char16_t* SearchPattern(const char16_t* scan, const char16_t* pattern) {
    return SearchPatternByUnit(scan, pattern);
}

#endif

}  // namespace lumi
