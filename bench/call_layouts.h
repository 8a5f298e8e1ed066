// Typed calls of an export, shaped like its row: N slots as parameters, a
// double where the row reads one (bit k of `doubles`: slots k and k+1), a
// Word elsewhere. A double goes in as one 64-bit store, as a host pushes
// it: two 32-bit stores would make the export's 64-bit load wait for them
// (a store cannot forward to a wider load), which costs more than the export.
//
// Only the layouts the catalogue uses are compiled, taken from the same
// tables as the exports.
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <tuple>
#include <type_traits>
#include <utility>

#include "bench/harness.h"

namespace bench {

struct Layout {
    int slots;
    unsigned doubles;  // bit k: a double in slots k and k+1
    bool st0;          // result in ST(0), else in EAX
};

namespace layouts {

// Runs an expression row at compile time, noting the slots read as doubles.
class DoubleRecorder {
public:
    constexpr long double Double(int k) { doubles |= 1u << k; return 1.0L; }
    constexpr std::int32_t Int(int) { return 1; }
    constexpr std::uint32_t Word(int) { return 1; }
    unsigned doubles = 0;
};

template <class Expression>
constexpr unsigned DoublesRead(Expression expression) {
    DoubleRecorder slots;
    expression(slots);
    return slots.doubles;
}

#define BENCH_WORDS(n) {n, 0, false}, {n, 0, true},
#define PASS_DOUBLE(code, n, first) {n, 1u << (first), true},
#define BENCH_EXPRESSION(n, expression, inSt0) \
    {n, DoublesRead([](auto& slots) { return expression; }), inSt0},
#define DOUBLE_EXPRESSION(code, n, expression) BENCH_EXPRESSION(n, expression, true)
#define INTEGER_EXPRESSION(code, n, expression) BENCH_EXPRESSION(n, expression, false)
#define TRUTH_EXPRESSION(code, n, expression) BENCH_EXPRESSION(n, expression, false)

inline constexpr Layout kUsed[] = {
    // Constants and word pass-throughs read no double; the empty controls
    // come in both result registers.
    BENCH_WORDS(0) BENCH_WORDS(1) BENCH_WORDS(2) BENCH_WORDS(3) BENCH_WORDS(4) BENCH_WORDS(5)
    BENCH_WORDS(6) BENCH_WORDS(7) BENCH_WORDS(8) BENCH_WORDS(9) BENCH_WORDS(10)
#include "catalogue/pass_through.def"
#include "catalogue/expression_terms.h"
#include "catalogue/arithmetic.def"
#include "catalogue/expression_terms_end.h"
};

#undef BENCH_WORDS
#undef PASS_DOUBLE
#undef BENCH_EXPRESSION
#undef DOUBLE_EXPRESSION
#undef INTEGER_EXPRESSION
#undef TRUTH_EXPRESSION

// The parameter types of N slots with doubles at the set bits.
template <int N, unsigned Doubles, int K = 0, class... P>
struct Parameters {
    using Next = std::conditional_t<((Doubles >> K) & 1) != 0,
                                    Parameters<N, Doubles, K + 2, P..., double>,
                                    Parameters<N, Doubles, K + 1, P..., Word>>;
    using type = typename Next::type;
};
template <int N, unsigned Doubles, class... P>
struct Parameters<N, Doubles, N, P...> {
    using type = std::tuple<P...>;
};

template <class P>
P SlotValue(const Frame& frame, int slot) {
    if constexpr (std::is_same_v<P, double>)
        return std::bit_cast<double>(std::uint64_t{frame[slot + 1]} << 32 | frame[slot]);
    else
        return frame[slot];
}

template <class R, class Tuple>
struct Calls;

template <class R, class... P>
struct Calls<R, std::tuple<P...>> {
    using Function = R(__stdcall*)(P...);

    static std::tuple<P...> Arguments(const Frame& frame) {
        [[maybe_unused]] int slot = 0;
        return {SlotValue<P>(frame, std::exchange(slot, slot + static_cast<int>(sizeof(P) / sizeof(Word))))...};
    }
    static void Run(const void* address, const Frame& frame, std::uint32_t iterations) {
        const auto function = reinterpret_cast<Function>(address);
        const std::tuple<P...> arguments = Arguments(frame);
        for (std::uint32_t i = 0; i < iterations; ++i) Sink(std::apply(function, arguments));
    }
    // The bits of one call's result.
    static std::uint64_t Once(const void* address, const Frame& frame) {
        const R result = std::apply(reinterpret_cast<Function>(address), Arguments(frame));
        if constexpr (std::is_same_v<R, double>) return std::bit_cast<std::uint64_t>(result);
        else return result;
    }
};

using CallLoop = void (*)(const void* address, const Frame& frame, std::uint32_t iterations);
using CallOnce = std::uint64_t (*)(const void* address, const Frame& frame);

struct CallShape {
    CallLoop loop;
    CallOnce once;
};

template <Layout L>
constexpr CallShape ShapeOf() {
    using Result = std::conditional_t<L.st0, double, Word>;
    using Typed = Calls<Result, typename Parameters<L.slots, L.doubles>::type>;
    return {Typed::Run, Typed::Once};
}

template <std::size_t... I>
constexpr std::array<CallShape, sizeof...(I)> ShapesOf(std::index_sequence<I...>) {
    return {ShapeOf<kUsed[I]>()...};
}

inline constexpr auto kShapes = ShapesOf(std::make_index_sequence<std::size(kUsed)>{});

}  // namespace layouts

using layouts::CallLoop;
using layouts::CallOnce;
using layouts::CallShape;

// The typed calls of a layout, or null ones if no catalogue row has that layout.
inline CallShape ShapeFor(const Layout& layout) {
    for (std::size_t i = 0; i < std::size(layouts::kUsed); ++i) {
        const Layout& used = layouts::kUsed[i];
        if (used.slots == layout.slots && used.doubles == layout.doubles && used.st0 == layout.st0)
            return layouts::kShapes[i];
    }
    return {nullptr, nullptr};
}

}  // namespace bench
