// What both benchmark programs share: loading the two DLLs, sinks the
// compiler must honour, and the clock (best of several batches).
#pragma once

// Lean: commdlg.h would turn lumi::FindText into FindTextA.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace bench {

using Word = std::uint32_t;
constexpr int kMaxSlots = 10;
using Frame = std::array<Word, kMaxSlots>;

// A result the optimiser must produce: one store per call, as a host makes.
template <class T>
inline void Sink(T value) {
    [[maybe_unused]] static volatile T sink;
    sink = value;
}

// Runs `iterations` calls of what is measured.
using Batch = std::function<void(std::uint32_t iterations)>;

// A batch lasts about kBatchSeconds (5000 ticks of the 100 ns clock): short,
// so a burst of another process's load spoils few of them.
constexpr double kBatchSeconds = 0.0005;
constexpr int kRepetitions = 15;  // odd: the median is one run

// Nanoseconds per call of one batch over its repetitions.
struct Timing {
    double min;
    double median;
};

// Each batch is sized to a short fixed duration, then all run in turn many
// times, so they share the machine's noise; min and median over those runs.
std::vector<Timing> NsPerCall(const std::vector<Batch>& batches);
Timing NsPerCall(const Batch& batch);

// A burst of another process's load, or a spell in which identical code runs
// a cycle slower, can cover a whole window of NsPerCall (some 15 ms). When a
// window's score is over `limit`, up to kExtraWindows more are measured and
// the lowest-scoring window counts: a real excess shows in every window.
constexpr int kExtraWindows = 4;
using Score = std::function<double(const std::vector<Timing>&)>;
std::vector<Timing> BestWindow(const std::vector<Batch>& batches, const Score& score, double limit);

// lumivextaran.dll ($LUMIVEXTARAN_DLL, else next to the build's top) and
// bench_control.dll (next to this program). Exit with a message if absent.
HMODULE Library();
HMODULE Control();
HMODULE Msvcrt();

// Export `name`, or exit with a message.
const void* Resolve(HMODULE module, const char* name);
// Library export by its ten-character code.
const void* LibraryExport(std::string_view code);

const char* Verdict(bool met);
void PrintRule(int width);

// A target: the subject's ns/call against a reference's, as a ratio or as
// the nanoseconds it takes over the reference.
enum class Measure { Ratio, Excess };

struct Target {
    std::string what;
    double subject;
    double reference;
    Measure measure;
    double limit;
    bool comparable = true;  // false where the reference does other work than the subject

    double Value() const { return measure == Measure::Ratio ? subject / reference : subject - reference; }
    bool Met() const { return comparable && Value() <= limit; }
};

// `--targets FILE` on the command line: every target is appended to FILE as
// one tab-separated line (what, subject, reference, measure, value, limit,
// met) for scripts/bench.sh's closing table. Without it nothing is written.
// Exits with a message on any other argument or an unwritable file.
void OpenTargets(int argc, char** argv);
void Record(const Target& target);

}  // namespace bench
