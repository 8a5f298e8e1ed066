#include "bench/harness.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

#include "catalogue/catalogue.h"

namespace bench {
namespace {

constexpr std::uint32_t kFirstIterations = 256;
constexpr std::uint32_t kMaxIterations = 1u << 28;

double Seconds(const Batch& batch, std::uint32_t iterations) {
    static const double tick = [] {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        return 1.0 / static_cast<double>(frequency.QuadPart);
    }();
    LARGE_INTEGER start, stop;
    QueryPerformanceCounter(&start);
    batch(iterations);
    QueryPerformanceCounter(&stop);
    return static_cast<double>(stop.QuadPart - start.QuadPart) * tick;
}

// Doubles the count until a batch is measurable, then scales it to
// kBatchSeconds; the doubling doubles as warm-up.
std::uint32_t Calibrate(const Batch& batch) {
    std::uint32_t iterations = kFirstIterations;
    for (;;) {
        const double seconds = Seconds(batch, iterations);
        if (seconds >= kBatchSeconds / 8 || iterations >= kMaxIterations) {
            const double scaled = iterations * kBatchSeconds / std::max(seconds, 1e-9);
            return static_cast<std::uint32_t>(std::clamp(scaled, 1.0, double{kMaxIterations}));
        }
        iterations *= 2;
    }
}

std::wstring ProgramDirectory() {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring directory(path, length);
    return directory.substr(0, directory.find_last_of(L"\\/") + 1);
}

HMODULE LoadOrExit(const std::wstring& path) {
    HMODULE module = LoadLibraryW(path.c_str());
    if (module == nullptr) {
        std::fprintf(stderr, "cannot load %ls (error %lu)\n", path.c_str(), GetLastError());
        std::exit(2);
    }
    return module;
}

std::wstring Widen(const char* text) {
    std::wstring wide;
    while (*text != '\0') wide.push_back(static_cast<wchar_t>(*text++));
    return wide;
}

}  // namespace

std::vector<Timing> NsPerCall(const std::vector<Batch>& batches) {
    std::vector<std::uint32_t> iterations;
    for (const Batch& batch : batches) iterations.push_back(Calibrate(batch));
    std::vector<std::array<double, kRepetitions>> samples(batches.size());
    for (int repetition = 0; repetition < kRepetitions; ++repetition) {
        for (std::size_t i = 0; i < batches.size(); ++i)
            samples[i][repetition] = Seconds(batches[i], iterations[i]) * 1e9 / iterations[i];
    }
    std::vector<Timing> timings;
    for (auto& runs : samples) {
        std::sort(runs.begin(), runs.end());
        timings.push_back({runs.front(), runs[kRepetitions / 2]});
    }
    return timings;
}

Timing NsPerCall(const Batch& batch) { return NsPerCall(std::vector<Batch>{batch})[0]; }

std::vector<Timing> BestWindow(const std::vector<Batch>& batches, const Score& score, double limit) {
    std::vector<Timing> best = NsPerCall(batches);
    for (int window = 0; window < kExtraWindows && score(best) > limit; ++window) {
        std::vector<Timing> next = NsPerCall(batches);
        if (score(next) < score(best)) best = std::move(next);
    }
    return best;
}

HMODULE Library() {
    static const HMODULE module = [] {
        const char* path = std::getenv("LUMIVEXTARAN_DLL");
        return LoadOrExit(path != nullptr && *path != '\0'
                              ? Widen(path)
                              : ProgramDirectory() + L"..\\lumivextaran.dll");
    }();
    return module;
}

HMODULE Control() {
    static const HMODULE module = LoadOrExit(ProgramDirectory() + L"bench_control.dll");
    return module;
}

HMODULE Msvcrt() {
    static const HMODULE module = LoadOrExit(L"msvcrt.dll");
    return module;
}

const void* Resolve(HMODULE module, const char* name) {
    const auto address = reinterpret_cast<const void*>(GetProcAddress(module, name));
    if (address == nullptr) {
        std::fprintf(stderr, "no export %s\n", name);
        std::exit(2);
    }
    return address;
}

const void* LibraryExport(std::string_view code) {
    const std::string name = std::string(lumi::kExportPrefix) + std::string(code);
    return Resolve(Library(), name.c_str());
}

const char* Verdict(bool met) { return met ? "met" : "MISSED"; }

namespace {
std::FILE* gTargets = nullptr;
}  // namespace

void OpenTargets(int argc, char** argv) {
    if (argc == 1) return;
    if (argc != 3 || std::string(argv[1]) != "--targets") {
        std::fprintf(stderr, "usage: %s [--targets FILE]\n", argv[0]);
        std::exit(2);
    }
    gTargets = std::fopen(argv[2], "ab");  // binary: no CR before each LF
    if (gTargets == nullptr) {
        std::fprintf(stderr, "cannot open %s for the targets\n", argv[2]);
        std::exit(2);
    }
}

void Record(const Target& target) {
    if (gTargets == nullptr) return;
    std::fprintf(gTargets, "%s\t%.2f\t%.2f\t%s\t%.3f\t%.2f\t%s\n", target.what.c_str(), target.subject,
                 target.reference, target.measure == Measure::Ratio ? "ratio" : "excess", target.Value(),
                 target.limit, Verdict(target.Met()));
    std::fflush(gTargets);
}

void PrintRule(int width) {
    std::printf("%s\n", std::string(width, '-').c_str());
}

}  // namespace bench
