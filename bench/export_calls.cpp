// bench_exports: what a call of a constant, pass-through or arithmetic
// export costs next to an empty export of the same shape, and what finding
// the built-text storage costs next to a static buffer.
//
// Calls go through the address GetProcAddress gives, typed from the row's
// slot count: the caller pushes every slot, as a host does.
#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

#include "bench/call_layouts.h"
#include "bench/harness.h"
#include "catalogue/catalogue.h"

namespace bench {
namespace {

constexpr double kCallTarget = 1.5;          // export ns / empty ns
constexpr double kStorageTargetNs = 2.0;     // ring ns - static ns

// Every unnamed slot holds this: any slot pair reads as a plain double near
// 1.2 (no NaN, denormal or zero divisor), any slot as a large integer.
constexpr Word kFiller = 0x3FF33333;

// The slots a row is called with, built declaratively.
class Slots {
public:
    constexpr Slots() { frame_.fill(kFiller); }
    constexpr Slots Double(int k, double value) const {
        Slots next = *this;
        const auto bits = std::bit_cast<std::uint64_t>(value);
        next.frame_[k] = static_cast<Word>(bits);
        next.frame_[k + 1] = static_cast<Word>(bits >> 32);
        return next;
    }
    constexpr Slots Int(int k, std::int32_t value) const {
        Slots next = *this;
        next.frame_[k] = static_cast<Word>(value);
        return next;
    }
    constexpr const Frame& Words() const { return frame_; }

private:
    Frame frame_{};
};

// One of each family, with price-like inputs where the row reads any.
struct ExportCase {
    std::string_view code;
    Slots slots;
};

constexpr ExportCase kExportCases[] = {
    {"i1I11IIii1", Slots()},                                      // text, 8 slots
    {"1iII1i1Iii", Slots()},                                      // 1440, 6 slots
    {"11ii1I1iII", Slots()},                                      // 1, no slot
    {"111iii11Ii", Slots()},                                      // 1.0
    {"1i1I1Ii1ii", Slots().Int(0, 12345)},                        // one slot back
    {"i11IIIi1i1", Slots().Int(1, 12345)},                        // slot 1 of 8
    {"1i1iIii1II", Slots().Double(2, 1.23456)},                   // double back
    {"iiii111iiI", Slots().Int(4, 250)},                          // integer widened
    {"iI1IIiIIiI", Slots().Double(5, 1.23456).Double(0, 100.0).Double(3, 0.5)},
    {"i11iI1i1I1", Slots().Double(0, 1.23456).Double(2, 1.19872)},
    {"Ii1Ii1IiI1", Slots().Double(6, 250.0).Double(0, 1.23456).Double(4, 10.0).Double(2, 0.01)},
    {"1IiiIii11i", Slots().Int(2, 1234)},                         // integer expression
    {"IIII1I11ii", Slots().Double(2, 1.23456).Int(7, 7)},         // truth test
};

// The slots of the row that carry a double.
unsigned DoublesOf(const lumi::ExportEntry& entry) {
    unsigned doubles = 0;
    for (int i = 0; i < entry.InputCount(); ++i)
        if (entry.inputs[i].kind == lumi::ValueKind::Double) doubles |= 1u << entry.inputs[i].slot;
    return doubles;
}

Layout LayoutOf(const lumi::ExportEntry& entry) {
    return {entry.slots, DoublesOf(entry), entry.result == lumi::ValueKind::Double};
}

Batch CallBatch(const void* address, const Layout& layout, const Frame& frame) {
    const CallLoop loop = LoopFor(layout);
    if (loop == nullptr) {
        std::fprintf(stderr, "no call loop for %d slots, doubles %#x\n", layout.slots, layout.doubles);
        std::exit(2);
    }
    return [=](std::uint32_t iterations) { loop(address, frame, iterations); };
}

// The control export of the same slot count and result register.
const void* EmptyLike(int slots, bool st0) {
    const std::string name = (st0 ? "EmptyDouble" : "Empty") + std::to_string(slots);
    return Resolve(Control(), name.c_str());
}

struct Comparison {
    double ns;
    double emptyNs;
    double Ratio() const { return ns / emptyNs; }
    bool Met() const { return Ratio() <= kCallTarget; }
};

Comparison CompareWithEmpty(const lumi::ExportEntry& entry, const Frame& frame) {
    const Layout layout = LayoutOf(entry);
    const auto ratio = [](const std::vector<Timing>& ns) { return ns[0].median / ns[1].median; };
    const auto ns = BestWindow({CallBatch(LibraryExport(entry.code), layout, frame),
                                CallBatch(EmptyLike(layout.slots, layout.st0), layout, frame)},
                               ratio, kCallTarget);
    return {ns[0].median, ns[1].median};
}

const lumi::ExportEntry& EntryOrExit(std::string_view code) {
    const lumi::ExportEntry* entry = lumi::FindEntry(code);
    if (entry == nullptr || entry->convention != lumi::CalleePops) {
        std::fprintf(stderr, "%.*s: not a callee-pops catalogue row\n",
                     static_cast<int>(code.size()), code.data());
        std::exit(2);
    }
    return *entry;
}

void PrintControls() {
    std::printf("\nControl exports (bench_control.dll): empty stdcall, ns/call\n");
    std::printf("%6s %12s %16s\n", "slots", "EmptyN", "EmptyDoubleN");
    PrintRule(36);
    const Frame frame = Slots().Words();
    for (int slots = 0; slots <= kMaxSlots; ++slots) {
        const auto ns = NsPerCall({CallBatch(EmptyLike(slots, false), {slots, 0, false}, frame),
                                   CallBatch(EmptyLike(slots, true), {slots, 0, true}, frame)});
        std::printf("%6d %12.2f %16.2f\n", slots, ns[0].median, ns[1].median);
    }
    using Cdecl = int(__cdecl*)(Word);
    const auto emptyCdecl = reinterpret_cast<Cdecl>(Resolve(Control(), "EmptyCdecl1"));
    const double ns = NsPerCall([=](std::uint32_t n) {
        for (std::uint32_t i = 0; i < n; ++i) Sink(emptyCdecl(kFiller));
    }).median;
    std::printf("%6s %12.2f   (EmptyCdecl1, caller pops 1 slot)\n", "1", ns);
}

struct StorageCase {
    const char* label;
    const char* exportName;
};

constexpr StorageCase kStorageCases[] = {
    {"static buffer", "StaticText"},
    {"TEB-TLS ring (NextBuiltText)", "RingText"},
    {"C++ thread_local (emulated TLS)", "ThreadLocalText"},
    {"empty export (floor)", "Empty0"},
};
constexpr int kStaticCase = 0;
constexpr int kRingCase = 1;

void PrintStorage() {
    std::vector<Batch> batches;
    for (const StorageCase& c : kStorageCases)
        batches.push_back(CallBatch(Resolve(Control(), c.exportName), {0, 0, false}, Frame{}));
    const auto overStatic = [](const std::vector<Timing>& ns) {
        return ns[kRingCase].median - ns[kStaticCase].median;
    };
    std::vector<double> ns;
    for (const Timing& t : BestWindow(batches, overStatic, kStorageTargetNs)) ns.push_back(t.median);

    std::printf("\nBuilt-text storage: write 1 unit + NUL and return it (0 slots)\n");
    std::printf("(over target: best of up to %d more windows)\n", kExtraWindows);
    std::printf("%-34s %9s %12s %8s %8s\n", "storage", "ns/call", "over static", "target", "met?");
    PrintRule(75);
    for (std::size_t i = 0; i < std::size(kStorageCases); ++i) {
        const double over = ns[i] - ns[kStaticCase];
        if (i == kRingCase) {
            std::printf("%-34s %9.2f %+12.2f %8s %8s\n", kStorageCases[i].label, ns[i], over,
                        "<=2 ns", Verdict(over <= kStorageTargetNs));
        } else {
            std::printf("%-34s %9.2f %+12.2f\n", kStorageCases[i].label, ns[i], over);
        }
    }
}

void PrintComparisonRow(const lumi::ExportEntry& entry, const Comparison& c) {
    std::printf("%-11.*s %-16.*s %-30.*s %5d %8.2f %8.2f %6.2f %7s %7s\n",
                static_cast<int>(entry.code.size()), entry.code.data(),
                static_cast<int>(lumi::FamilyName(entry.family).size()),
                lumi::FamilyName(entry.family).data(),
                static_cast<int>(std::min<std::size_t>(entry.body.size(), 30)), entry.body.data(),
                entry.slots, c.ns, c.emptyNs, c.Ratio(), "<=1.5x", Verdict(c.Met()));
}

void PrintComparisonHeader() {
    std::printf("%-11s %-16s %-30s %5s %8s %8s %6s %7s %7s\n", "export", "family", "body",
                "slots", "ns/call", "empty", "ratio", "target", "met?");
    PrintRule(104);
}

void PrintExportCases() {
    std::printf("\nExports vs the empty export of the same slots and result register\n");
    std::printf("(EmptyN for EAX results, EmptyDoubleN for ST(0) results;\n");
    std::printf("a row over target: best of up to %d more windows)\n", kExtraWindows);
    PrintComparisonHeader();
    for (const ExportCase& c : kExportCases) {
        const lumi::ExportEntry& entry = EntryOrExit(c.code);
        PrintComparisonRow(entry, CompareWithEmpty(entry, c.slots.Words()));
    }
}

// Every constant, pass-through and arithmetic row, filler in every slot.
void PrintSweep() {
    struct Tally {
        int rows = 0, met = 0;
        double worst = 0;
        std::string_view worstCode;
    };
    constexpr lumi::Family kFamilies[] = {lumi::Family::TextConstant, lumi::Family::NumberConstant,
                                          lumi::Family::PassThrough, lumi::Family::Arithmetic};
    std::array<Tally, std::size(kFamilies)> tallies;
    std::vector<std::pair<const lumi::ExportEntry*, Comparison>> missed;

    for (const lumi::ExportEntry& entry : lumi::Catalogue()) {
        const auto family = std::find(std::begin(kFamilies), std::end(kFamilies), entry.family);
        if (family == std::end(kFamilies)) continue;
        const Comparison c = CompareWithEmpty(entry, Slots().Words());
        Tally& tally = tallies[family - std::begin(kFamilies)];
        ++tally.rows;
        tally.met += c.Met();
        if (c.Ratio() > tally.worst) tally.worst = c.Ratio(), tally.worstCode = entry.code;
        if (!c.Met()) missed.emplace_back(&entry, c);
    }

    std::printf("\nEvery constant, pass-through and arithmetic export (filler slots)\n");
    std::printf("%-16s %6s %6s %12s %12s\n", "family", "rows", "met", "worst ratio", "worst export");
    PrintRule(56);
    for (std::size_t i = 0; i < std::size(kFamilies); ++i) {
        const Tally& t = tallies[i];
        std::printf("%-16.*s %6d %6d %12.2f %12.*s\n",
                    static_cast<int>(lumi::FamilyName(kFamilies[i]).size()),
                    lumi::FamilyName(kFamilies[i]).data(), t.rows, t.met, t.worst,
                    static_cast<int>(t.worstCode.size()), t.worstCode.data());
    }
    if (!missed.empty()) {
        std::printf("\nOver 1.5x in the sweep:\n");
        PrintComparisonHeader();
        for (const auto& [entry, c] : missed) PrintComparisonRow(*entry, c);
    }
}

}  // namespace
}  // namespace bench

int main() {
    std::setvbuf(stdout, nullptr, _IONBF, 0);  // rows appear as they are measured
    // Calls of a few cycles come out in whole cycles and flip between two
    // speeds for identical code; the median of interleaved runs holds still.
    std::printf("ns/call: median of %d interleaved batches of %.1f ms each\n", bench::kRepetitions,
                bench::kBatchSeconds * 1e3);
    bench::PrintControls();
    bench::PrintStorage();
    bench::PrintExportCases();
    bench::PrintSweep();
    return 0;
}
