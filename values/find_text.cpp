#include "values/find_text.h"

#include <atomic>
#include <cstddef>

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#include <emmintrin.h>
#endif

namespace lumi {
namespace {

// How many units of pattern match scan, given scan[0] == pattern[0]; all
// of it when pattern[returned] is 0. A unit is read only while all before it
// matched and are not 0, so neither text is read past its terminator: the
// text's 0 differs from a pattern unit.
std::size_t MatchedUnits(const char16_t* scan, const char16_t* pattern) {
    std::size_t j = 1;
    while (pattern[j] != 0 && pattern[j] == scan[j]) ++j;
    return j;
}

// What a direct scan has spent comparing, against what it may spend by the
// candidate it is at.
class DirectScanBudget {
public:
    explicit DirectScanBudget(const char16_t* scan, std::size_t spent = 0) : scan_(scan), spent_(spent) {}

    bool SpentAfter(const char16_t* candidate, std::size_t compared) {
        spent_ += compared;
        return spent_ > kDirectScanFreeUnits + kDirectScanUnitsPerUnit * static_cast<std::size_t>(candidate - scan_);
    }

private:
    const char16_t* scan_;
    std::size_t spent_;
};

// The units of a text known to lie before its terminator, measured on only
// as far as a comparison needs (plus a margin, so that measuring is seldom
// resumed): a long text is read once, and never past its terminator.
class MeasuredText {
public:
    explicit MeasuredText(const char16_t* text) : text_(text) {}

    bool Holds(std::size_t units) { return units <= known_ || MeasureTo(units); }

private:
    static constexpr std::size_t kMargin = 512;

    __attribute__((noinline)) bool MeasureTo(std::size_t units) {
        if (ended_) return false;
        const std::size_t goal = units + kMargin;
        while (known_ < goal && text_[known_] != 0) ++known_;
        ended_ = known_ < goal;
        return units <= known_;
    }

    const char16_t* text_;
    std::size_t known_ = 0;
    bool ended_ = false;
};

// A factorisation pattern = left right at a critical position: the right
// part starts at `critical`, and `period` is the pattern's period when the
// pattern is periodic (left is a suffix of the first period).
struct Factorisation {
    std::size_t critical;
    std::size_t period;
};

// Start of the lexicographically greatest suffix of pattern[0, length),
// under the unit order or its reverse, and that suffix's period.
template <bool kReverseOrder>
Factorisation MaximalSuffix(const char16_t* pattern, std::size_t length) {
    std::ptrdiff_t before = -1;  // the unit before the best suffix so far
    std::size_t j = 0, k = 1, period = 1;
    while (j + k < length) {
        const char16_t unit = pattern[j + k];
        const char16_t best = pattern[before + static_cast<std::ptrdiff_t>(k)];
        if (kReverseOrder ? unit > best : unit < best) {
            j += k;
            k = 1;
            period = static_cast<std::size_t>(static_cast<std::ptrdiff_t>(j) - before);
        } else if (unit == best) {
            if (k != period) {
                ++k;
            } else {
                j += period;
                k = 1;
            }
        } else {
            before = static_cast<std::ptrdiff_t>(j);
            j += 1;
            k = period = 1;
        }
    }
    return {static_cast<std::size_t>(before + 1), period};
}

// The later of the two maximal suffixes is a critical position.
Factorisation CriticalFactorisation(const char16_t* pattern, std::size_t length) {
    const Factorisation forward = MaximalSuffix<false>(pattern, length);
    const Factorisation reverse = MaximalSuffix<true>(pattern, length);
    return forward.critical >= reverse.critical ? forward : reverse;
}

std::size_t LengthOf(const char16_t* text) {
    std::size_t length = 0;
    while (text[length] != 0) ++length;
    return length;
}

bool SameUnits(const char16_t* a, const char16_t* b, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i)
        if (a[i] != b[i]) return false;
    return true;
}

}  // namespace

// Crochemore and Perrin's two-way scan: the right part is compared left to
// right, then the left part right to left; a mismatch in the right part
// shifts by what matched of it, a match by the period. A periodic pattern
// remembers how much of its left part the last shift kept matched, so no
// text unit is compared more than twice.
const char16_t* SearchPatternTwoWay(const char16_t* scan, const char16_t* pattern) {
    const std::size_t length = LengthOf(pattern);
    if (length == 0) return scan;
    const auto [critical, period] = CriticalFactorisation(pattern, length);
    MeasuredText text(scan);
    if (SameUnits(pattern, pattern + period, critical)) {
        std::size_t kept = 0;  // units of the pattern known to match after a shift by the period
        for (std::size_t j = 0; text.Holds(j + length);) {
            std::size_t i = critical > kept ? critical : kept;
            while (i < length && pattern[i] == scan[j + i]) ++i;
            if (i < length) {
                j += i - critical + 1;
                kept = 0;
                continue;
            }
            i = critical;
            while (i > kept && pattern[i - 1] == scan[j + i - 1]) --i;
            if (i <= kept) return scan + j;
            j += period;
            kept = length - period;
        }
    } else {
        // No period shorter than about half the pattern: shift past the longer part.
        const std::size_t shift = (critical > length - critical ? critical : length - critical) + 1;
        for (std::size_t j = 0; text.Holds(j + length);) {
            std::size_t i = critical;
            while (i < length && pattern[i] == scan[j + i]) ++i;
            if (i < length) {
                j += i - critical + 1;
                continue;
            }
            i = critical;
            while (i > 0 && pattern[i - 1] == scan[j + i - 1]) --i;
            if (i == 0) return scan + j;
            j += shift;
        }
    }
    return nullptr;
}

// Aligned to 64 bytes: the candidate loop, near the start, then lies in one
// fetch block wherever the function is linked (across two it ran 60% slower).
__attribute__((aligned(64)))
const char16_t* SearchPatternByUnit(const char16_t* scan, const char16_t* pattern) {
    const char16_t first = pattern[0];
    if (first == 0) return scan;
    // Candidates are the units equal to the pattern's first; only those are compared on.
    DirectScanBudget budget(scan);
    for (const char16_t* candidate = scan; *candidate != 0; ++candidate) {
        if (*candidate != first) continue;
        const std::size_t matched = MatchedUnits(candidate, pattern);
        if (pattern[matched] == 0) return candidate;
        if (budget.SpentAfter(candidate, matched)) return SearchPatternTwoWay(candidate + 1, pattern);
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

namespace {

const char16_t* ScanBlocksCounted(const char16_t* scan, const char16_t* pattern, std::size_t spent);

// Whole aligned blocks are read, also the units before scan and after the
// terminator in the first and last block: an aligned block never crosses a
// page, and every block read starts at or before the terminator, so no page
// is touched that the text does not reach. AddressSanitizer would count
// those units as overflows; they are masked out before any is looked at.
//
// Uncounted, the scan keeps no tally (its loop needs every register): a
// candidate that fails after more than kDirectScanUnitsPerUnit units hands
// the rest to the counted scan, which holds its comparisons to the budget
// and then hands over to the two-way scan. `scan` is aligned to its units,
// and pattern[0] is not 0.
template <bool kCounted>
__attribute__((always_inline, target("sse2"), no_sanitize_address)) inline const char16_t* ScanBlocks(
    const char16_t* scan, const char16_t* pattern, [[maybe_unused]] std::size_t spent) {
    const auto address = reinterpret_cast<std::uintptr_t>(scan);
    [[maybe_unused]] DirectScanBudget budget(scan, spent);
    const __m128i firstUnit = _mm_set1_epi16(static_cast<short>(pattern[0]));
    const __m128i terminator = _mm_setzero_si128();
    // A candidate's second unit lies in its block, except for the last
    // unit's; a pattern of one unit has none to filter on. Both are taken
    // here, into registers: the candidate loop needs its own.
    const char16_t second = pattern[1];
    const __m128i secondUnit = _mm_set1_epi16(static_cast<short>(second));
    const std::uint32_t secondUnknown = second != 0 ? kLastUnitBits : kBlockMask;
    const auto* block = reinterpret_cast<const __m128i*>(address & ~(kBlockBytes - 1));
    std::uint32_t inText = kBlockMask << (address % kBlockBytes);  // drops units before scan
    __m128i units = _mm_load_si128(block);
    __m128i ends = _mm_cmpeq_epi16(units, terminator);
    __m128i firsts = _mm_cmpeq_epi16(units, firstUnit);
    for (;;) {
        if ((MaskOf(_mm_or_si128(ends, firsts)) & inText) != 0) {
            const std::uint32_t endBits = MaskOf(ends) & inText;
            std::uint32_t candidates = MaskOf(firsts) & inText & kOneBitPerUnit;
            candidates &= EqualUnits(units, secondUnit) >> 2 | secondUnknown;
            candidates &= endBits ^ (endBits - 1);  // up to the terminator; all if none
            for (; candidates != 0; candidates &= candidates - 1) {
                const auto* candidate = reinterpret_cast<const char16_t*>(block) + __builtin_ctz(candidates) / 2;
                const std::size_t matched = MatchedUnits(candidate, pattern);
                if (pattern[matched] == 0) return candidate;
                if constexpr (kCounted) {
                    if (budget.SpentAfter(candidate, matched)) return SearchPatternTwoWay(candidate + 1, pattern);
                } else if (matched > kDirectScanUnitsPerUnit) {
                    return ScanBlocksCounted(candidate + 1, pattern, matched);
                }
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

__attribute__((noinline, target("sse2"), no_sanitize_address))
const char16_t* ScanBlocksCounted(const char16_t* scan, const char16_t* pattern, std::size_t spent) {
    return ScanBlocks<true>(scan, pattern, spent);
}

}  // namespace

__attribute__((aligned(64), target("sse2"), no_sanitize_address))
const char16_t* SearchPatternByBlock(const char16_t* scan, const char16_t* pattern) {
    if (pattern[0] == 0) return scan;
    const auto address = reinterpret_cast<std::uintptr_t>(scan);
    if (address % sizeof(char16_t) != 0) return SearchPatternByUnit(scan, pattern);  // units straddle lanes
    return ScanBlocks<false>(scan, pattern, 0);
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
