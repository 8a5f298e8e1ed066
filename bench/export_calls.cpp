// bench_exports: what a call of a constant, pass-through or arithmetic
// export costs next to its floor: the empty export of the same shape for a
// constant or pass-through, the hand-written floor of the same work for an
// arithmetic export; and what finding the built-text storage costs next to a
// static buffer.
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
#include "catalogue/describe.h"

namespace bench {
namespace {

constexpr double kCallTarget = 1.5;          // export ns / empty ns
constexpr double kFloorTarget = 1.10;        // arithmetic export ns / its floor's ns
constexpr double kStorageTargetNs = 2.0;     // ring ns - static ns

// Every unnamed slot holds this: any slot pair reads as a plain double near
// 1.2 (no NaN, denormal or zero divisor), any slot as a large integer.
constexpr Word kFiller = 0x3FF33333;

// The slots a row is called with, built declaratively.
class Slots {
public:
    constexpr explicit Slots(Word filler = kFiller) { frame_.fill(filler); }
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

// Frames on which an arithmetic floor must answer what its export answers:
// every slot pair a plain double of either sign, every slot a large integer,
// and the truth test's excluded value in slot 7.
constexpr Slots kCheckedFrames[] = {
    Slots(), Slots(0xC01C71C7), Slots(0x40591EB8), Slots().Int(7, 134), Slots(0x3F50624D).Int(7, -134),
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

CallShape ShapeOrExit(const Layout& layout) {
    const CallShape shape = ShapeFor(layout);
    if (shape.loop == nullptr) {
        std::fprintf(stderr, "no call loop for %d slots, doubles %#x\n", layout.slots, layout.doubles);
        std::exit(2);
    }
    return shape;
}

Batch CallBatch(const void* address, const Layout& layout, const Frame& frame) {
    const CallLoop loop = ShapeOrExit(layout).loop;
    return [=](std::uint32_t iterations) { loop(address, frame, iterations); };
}

// The control export of the same slot count and result register.
const void* EmptyLike(int slots, bool st0) {
    const std::string name = (st0 ? "EmptyDouble" : "Empty") + std::to_string(slots);
    return Resolve(Control(), name.c_str());
}

// What an export is measured against, and how far it may be over it.
struct Floor {
    const void* address;
    std::string name;
    double limit;
};

Floor FloorOf(const lumi::ExportEntry& entry) {
    const Layout layout = LayoutOf(entry);
    if (entry.family == lumi::Family::Arithmetic) {
        const std::string name = "Control_" + std::string(entry.code);
        return {Resolve(Control(), name.c_str()), name, kFloorTarget};
    }
    return {EmptyLike(layout.slots, layout.st0), (layout.st0 ? "EmptyDouble" : "Empty") + std::to_string(layout.slots),
            kCallTarget};
}

// A floor that answered differently would not be the floor of the same work.
bool AnswersAlike(const lumi::ExportEntry& entry, const Floor& floor) {
    if (entry.family != lumi::Family::Arithmetic) return true;
    const CallOnce once = ShapeOrExit(LayoutOf(entry)).once;
    const void* exported = LibraryExport(entry.code);
    return std::all_of(std::begin(kCheckedFrames), std::end(kCheckedFrames), [&](const Slots& slots) {
        return once(exported, slots.Words()) == once(floor.address, slots.Words());
    });
}

struct Comparison {
    double ns;
    double floorNs;
    double limit;
    bool alike;
    double Ratio() const { return ns / floorNs; }
    bool Met() const { return alike && Ratio() <= limit; }
};

Comparison CompareWithFloor(const lumi::ExportEntry& entry, const Floor& floor, const Frame& frame) {
    const Layout layout = LayoutOf(entry);
    const auto ratio = [](const std::vector<Timing>& ns) { return ns[0].median / ns[1].median; };
    const auto ns = BestWindow({CallBatch(LibraryExport(entry.code), layout, frame),
                                CallBatch(floor.address, layout, frame)},
                               ratio, floor.limit);
    return {ns[0].median, ns[1].median, floor.limit, AnswersAlike(entry, floor)};
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

std::string Text(std::string_view view) { return std::string(view); }

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
    Record({"built-text ring over a static buffer, ns", ns[kRingCase], ns[kStaticCase], Measure::Excess,
            kStorageTargetNs});
}

// The table's own words for a row, or the catalogue page's.
std::string Label(const lumi::ExportEntry& entry) {
    return entry.body.empty() ? lumi::BodyWords(entry) : std::string(entry.body);
}

void PrintComparisonRow(const lumi::ExportEntry& entry, const Floor& floor, const Comparison& c) {
    const std::string label = Label(entry);
    std::printf("%-11.*s %-16.*s %-30.*s %5d %8.2f %-19s %8.2f %6.2f %6.2f %7s%s\n",
                static_cast<int>(entry.code.size()), entry.code.data(),
                static_cast<int>(lumi::FamilyName(entry.family).size()),
                lumi::FamilyName(entry.family).data(),
                static_cast<int>(std::min<std::size_t>(label.size(), 30)), label.data(),
                entry.slots, c.ns, floor.name.c_str(), c.floorNs, c.Ratio(), c.limit, Verdict(c.Met()),
                c.alike ? "" : "  (the floor answers differently)");
}

void PrintComparisonHeader() {
    std::printf("%-11s %-16s %-30s %5s %8s %-19s %8s %6s %6s %7s\n", "export", "family", "body", "slots",
                "ns/call", "floor", "ns/call", "ratio", "limit", "met?");
    PrintRule(125);
}

void PrintExportCases() {
    std::printf("\nExports vs their floor: the empty export of the same slots and result\n");
    std::printf("register, or for arithmetic the hand-written floor of the same work\n");
    std::printf("(a row over its limit: best of up to %d more windows)\n", kExtraWindows);
    PrintComparisonHeader();
    for (const ExportCase& c : kExportCases) {
        const lumi::ExportEntry& entry = EntryOrExit(c.code);
        const Floor floor = FloorOf(entry);
        PrintComparisonRow(entry, floor, CompareWithFloor(entry, floor, c.slots.Words()));
    }
}

// Every constant, pass-through and arithmetic row, filler in every slot.
// Each arithmetic row is a target of its own; each other family is one
// target, its worst row.
void PrintSweep() {
    struct Tally {
        int rows = 0, met = 0;
        double worst = 0, worstNs = 0, worstFloorNs = 0;
        std::string_view worstCode;
    };
    constexpr lumi::Family kFamilies[] = {lumi::Family::TextConstant, lumi::Family::NumberConstant,
                                          lumi::Family::PassThrough, lumi::Family::Arithmetic};
    std::array<Tally, std::size(kFamilies)> tallies;
    std::vector<std::pair<const lumi::ExportEntry*, Comparison>> arithmetic, missed;

    for (const lumi::ExportEntry& entry : lumi::Catalogue()) {
        const auto family = std::find(std::begin(kFamilies), std::end(kFamilies), entry.family);
        if (family == std::end(kFamilies)) continue;
        const Comparison c = CompareWithFloor(entry, FloorOf(entry), Slots().Words());
        Tally& tally = tallies[family - std::begin(kFamilies)];
        ++tally.rows;
        tally.met += c.Met();
        if (c.Ratio() > tally.worst)
            tally.worst = c.Ratio(), tally.worstNs = c.ns, tally.worstFloorNs = c.floorNs, tally.worstCode = entry.code;
        if (entry.family == lumi::Family::Arithmetic) arithmetic.emplace_back(&entry, c);
        else if (!c.Met()) missed.emplace_back(&entry, c);
    }

    std::printf("\nEvery constant, pass-through and arithmetic export (filler slots)\n");
    std::printf("%-16s %6s %6s %12s %12s %7s\n", "family", "rows", "met", "worst ratio", "worst export", "limit");
    PrintRule(64);
    for (std::size_t i = 0; i < std::size(kFamilies); ++i) {
        const Tally& t = tallies[i];
        const std::string name = Text(lumi::FamilyName(kFamilies[i]));
        const double limit = kFamilies[i] == lumi::Family::Arithmetic ? kFloorTarget : kCallTarget;
        std::printf("%-16s %6d %6d %12.2f %12.*s %7.2f\n", name.c_str(), t.rows, t.met, t.worst,
                    static_cast<int>(t.worstCode.size()), t.worstCode.data(), limit);
        if (kFamilies[i] == lumi::Family::Arithmetic) continue;
        Record({name + " exports (" + std::to_string(t.rows) + "), worst " + Text(t.worstCode) + " / empty",
                t.worstNs, t.worstFloorNs, Measure::Ratio, kCallTarget});
    }

    std::printf("\nArithmetic exports vs the hand-written floor of the same work\n");
    PrintComparisonHeader();
    for (const auto& [entry, c] : arithmetic) {
        const Floor floor = FloorOf(*entry);
        PrintComparisonRow(*entry, floor, c);
        Record({"arithmetic " + Text(entry->code) + " / " + floor.name, c.ns, c.floorNs, Measure::Ratio,
                kFloorTarget, c.alike});
    }
    if (!missed.empty()) {
        std::printf("\nConstants and pass-throughs over %.1fx in the sweep:\n", kCallTarget);
        PrintComparisonHeader();
        for (const auto& [entry, c] : missed) PrintComparisonRow(*entry, FloorOf(*entry), c);
    }
}

}  // namespace
}  // namespace bench

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);  // rows appear as they are measured
    bench::OpenTargets(argc, argv);
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
