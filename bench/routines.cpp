// bench_routines: the text-building, rounding and search exports against
// what a script author would otherwise call on the same inputs, in the same
// run, with the empty export of the same shape as the floor.
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "bench/harness.h"
#include "catalogue/catalogue.h"
#include "boundary/built_text.h"
#include "values/find_text.h"
#include "values/format_fixed.h"
#include "values/format_time.h"
#include "values/rounding.h"

namespace bench {
namespace {

// Typed as a host pushes them: a double is one 64-bit store into its slot
// pair; decoy slots get 0.
using FixedExport = const char16_t*(__stdcall*)(double value, Word, Word, std::int32_t digits,
                                                Word, Word, Word);
using RoundExport = double(__stdcall*)(double value, Word, std::int32_t digits, Word, Word, Word,
                                       Word);
using FindExport = std::int32_t(__stdcall*)(Word, Word, const char16_t* pattern,
                                            const char16_t* text, Word);
using LargerExport = double(__stdcall*)(double b, Word, Word, double a, Word);
using SmallerExport = double(__stdcall*)(Word, Word, double b, Word, Word, double a);
using TimeExport = const char16_t*(__cdecl*)(std::int32_t time);
using Snwprintf = int(__cdecl*)(wchar_t*, std::size_t, const wchar_t*, ...);
using Wcsstr = const wchar_t*(__cdecl*)(const wchar_t*, const wchar_t*);

template <class R, class... P>
constexpr int SlotCount(R(__stdcall*)(P...)) { return static_cast<int>((0 + ... + sizeof(P)) / sizeof(Word)); }
template <class R, class... P>
constexpr int SlotCount(R(__cdecl*)(P...)) { return static_cast<int>((0 + ... + sizeof(P)) / sizeof(Word)); }

constexpr std::string_view kFixedCode = "Ii1IiI1III";
constexpr std::string_view kTimeCode = "I1IIiii11I";
constexpr std::string_view kRoundCode = "iIIii1i1I1";
constexpr std::string_view kFindCode = "Ii1II1ii11";
constexpr std::string_view kLargerCode = "11iIIIi1i1";
constexpr std::string_view kSmallerCode = "Iii1i1ii1I";

constexpr std::int32_t kDigits = 5;
constexpr std::size_t kInputs = 1024;  // varied inputs, cycled
constexpr std::size_t kInputMask = kInputs - 1;
constexpr std::size_t kTextUnits = 32;
constexpr unsigned kSeed = 20240611;

// Forex-like quotes: 0.50000 .. 2.49999, five decimals.
constexpr std::int32_t kLowestQuote = 50000, kHighestQuote = 249999;
constexpr double kQuoteScale = 1e5;
// 2000-01-01 .. 2029-12-31, whole seconds.
constexpr std::int32_t kFirstTime = 946684800, kLastTime = 1893455999;

// Script texts of about 40..60 units; each ends in the found pattern.
constexpr const char16_t* kTexts[] = {
    u"Attempt to Open Buy @1.23456 TP 1.23999 SL 1.22000 (Trailing)",
    u"Order Opened #48213377 Buy 0.10 EURUSD 1.08412 (Trailing)",
    u"Attempt to Modify Order #48213377 SL 1.08012 (Trailing)",
    u"Attempt to Close ticket :48213377 (Trailing)",
    u"Error Modify Order, err: 130 #48213377 (Trailing)",
    u"\nClose Sell 0.25 GBPUSD @1.27044 (Trailing)",
    u"Attempt to Open Sell @0.65871 SL 0.66210 (Trailing)",
    u"\nBuy 1.00 USDJPY TP 151.220 (Trailing)",
};
constexpr std::size_t kTextMask = std::size(kTexts) - 1;
static_assert((std::size(kTexts) & kTextMask) == 0);
constexpr const char16_t* kFoundPattern = u"(Trailing)";
constexpr const char16_t* kMissingPattern = u"(DivoZizAvuzi";

struct ClockFields {
    int year, month, day, hour, minute, second;
};

// The fields of a time by gmtime-like 32-bit integer arithmetic: days and
// seconds of the day, then the civil date by eras of 400 years counted from
// 0000-03-01 (positive for every 32-bit time, so plain division serves).
ClockFields FieldsOf(std::int32_t time) {
    constexpr std::int32_t kSecondsPerDay = 86400;
    constexpr std::int32_t kDaysTo1970 = 719468;  // from 0000-03-01
    constexpr std::int32_t kDaysPerEra = 146097;
    std::int32_t days = time / kSecondsPerDay;
    std::int32_t ofDay = time % kSecondsPerDay;
    if (ofDay < 0) ofDay += kSecondsPerDay, days -= 1;
    const std::int32_t z = days + kDaysTo1970;
    const std::int32_t era = z / kDaysPerEra;
    const std::int32_t dayOfEra = z - era * kDaysPerEra;
    const std::int32_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int32_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int32_t shiftedMonth = (5 * dayOfYear + 2) / 153;  // 0 is March
    const std::int32_t month = shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9;
    return {yearOfEra + era * 400 + (month <= 2), month, dayOfYear - (153 * shiftedMonth + 2) / 5 + 1,
            ofDay / 3600, ofDay / 60 % 60, ofDay % 60};
}

struct Subjects {
    FixedExport formatFixed, fixedFloor;
    TimeExport formatTime, timeFloor;
    RoundExport roundToDigits, roundFloor;
    FindExport findText, findFloor;
    LargerExport larger, largerFloor;
    SmallerExport smaller, smallerFloor;
    Snwprintf snwprintf;
    Wcsstr wcsstr;
    std::array<double, kInputs> prices;
    std::array<std::int32_t, kInputs> times;
    std::array<ClockFields, kInputs> fields;
};

// Makes every write to `memory` happen, without reading it.
inline void Escape(const void* memory) { asm volatile("" : : "r"(memory) : "memory"); }

// ---- FormatFixed, digits 5 --------------------------------------------

void FixedExportCalls(const Subjects& s, std::uint32_t n) {
    const FixedExport call = s.formatFixed;
    const double* prices = s.prices.data();
    for (std::uint32_t i = 0; i < n; ++i) Sink(call(prices[i & kInputMask], 0, 0, kDigits, 0, 0, 0));
}

void FixedFloorCalls(const Subjects& s, std::uint32_t n) {
    const FixedExport call = s.fixedFloor;
    const double* prices = s.prices.data();
    for (std::uint32_t i = 0; i < n; ++i) Sink(call(prices[i & kInputMask], 0, 0, kDigits, 0, 0, 0));
}

// A text-building routine hands back text that outlives the call, so linked
// in it writes into the thread's ring as the export does: what the export
// adds is then its wrapper alone. The plain stack buffer shows the ring's own
// cost next to it.
void FixedDirectCalls(const Subjects& s, std::uint32_t n) {
    for (std::uint32_t i = 0; i < n; ++i) {
        char16_t* out = lumi::NextBuiltText();
        Sink(lumi::FormatFixed(s.prices[i & kInputMask], kDigits, u'.', out));
        Escape(out);
    }
}

void FixedIntoStackCalls(const Subjects& s, std::uint32_t n) {
    char16_t out[kTextUnits];
    for (std::uint32_t i = 0; i < n; ++i) {
        Sink(lumi::FormatFixed(s.prices[i & kInputMask], kDigits, u'.', out));
        Escape(out);
    }
}

void FixedToCharsCalls(const Subjects& s, std::uint32_t n) {
    char narrow[kTextUnits];
    wchar_t wide[kTextUnits];
    for (std::uint32_t i = 0; i < n; ++i) {
        const char* end = std::to_chars(narrow, narrow + kTextUnits - 1, s.prices[i & kInputMask],
                                         std::chars_format::fixed, kDigits).ptr;
        std::size_t length = 0;
        for (const char* c = narrow; c != end; ++c) wide[length++] = static_cast<wchar_t>(*c);
        wide[length] = 0;
        Escape(wide);
    }
}

void FixedSnwprintfCalls(const Subjects& s, std::uint32_t n) {
    wchar_t out[kTextUnits];
    for (std::uint32_t i = 0; i < n; ++i) Sink(s.snwprintf(out, kTextUnits, L"%.5f", s.prices[i & kInputMask]));
}

// ---- FormatTime, "yyyy.mm.dd h:n:s" -----------------------------------

void TimeExportCalls(const Subjects& s, std::uint32_t n) {
    const TimeExport call = s.formatTime;
    const std::int32_t* times = s.times.data();
    for (std::uint32_t i = 0; i < n; ++i) Sink(call(times[i & kInputMask]));
}

void TimeFloorCalls(const Subjects& s, std::uint32_t n) {
    const TimeExport call = s.timeFloor;
    const std::int32_t* times = s.times.data();
    for (std::uint32_t i = 0; i < n; ++i) Sink(call(times[i & kInputMask]));
}

void TimeDirectCalls(const Subjects& s, std::uint32_t n) {
    for (std::uint32_t i = 0; i < n; ++i) {
        char16_t* out = lumi::NextBuiltText();
        Sink(lumi::FormatTime(s.times[i & kInputMask], lumi::PatternDateTimeSeconds, u':', out));
        Escape(out);
    }
}

constexpr const wchar_t* kTimeFormat = L"%04d.%02d.%02d %d:%d:%d";

int PrintFields(Snwprintf snwprintf, wchar_t* out, const ClockFields& f) {
    return snwprintf(out, kTextUnits, kTimeFormat, f.year, f.month, f.day, f.hour, f.minute, f.second);
}

void TimeSnwprintfWithFieldsCalls(const Subjects& s, std::uint32_t n) {
    wchar_t out[kTextUnits];
    for (std::uint32_t i = 0; i < n; ++i) Sink(PrintFields(s.snwprintf, out, FieldsOf(s.times[i & kInputMask])));
}

void TimeSnwprintfCalls(const Subjects& s, std::uint32_t n) {
    wchar_t out[kTextUnits];
    for (std::uint32_t i = 0; i < n; ++i) Sink(PrintFields(s.snwprintf, out, s.fields[i & kInputMask]));
}

// ---- RoundToDigits, digits 5 ------------------------------------------

void RoundExportCalls(const Subjects& s, std::uint32_t n) {
    const RoundExport call = s.roundToDigits;
    const double* prices = s.prices.data();
    for (std::uint32_t i = 0; i < n; ++i) Sink(call(prices[i & kInputMask], 0, kDigits, 0, 0, 0, 0));
}

void RoundFloorCalls(const Subjects& s, std::uint32_t n) {
    const RoundExport call = s.roundFloor;
    const double* prices = s.prices.data();
    for (std::uint32_t i = 0; i < n; ++i) Sink(call(prices[i & kInputMask], 0, kDigits, 0, 0, 0, 0));
}

void RoundDirectCalls(const Subjects& s, std::uint32_t n) {
    for (std::uint32_t i = 0; i < n; ++i)
        Sink(static_cast<double>(lumi::RoundToDigits(s.prices[i & kInputMask], kDigits)));
}

// ---- MaxOf and MinOf, prices against the next price ---------------------

double NextPrice(const Subjects& s, std::uint32_t i) { return s.prices[(i + 1) & kInputMask]; }

template <LargerExport Subjects::*Call>
void LargerCalls(const Subjects& s, std::uint32_t n) {
    const LargerExport call = s.*Call;
    for (std::uint32_t i = 0; i < n; ++i) Sink(call(NextPrice(s, i), 0, 0, s.prices[i & kInputMask], 0));
}

void LargerDirectCalls(const Subjects& s, std::uint32_t n) {
    for (std::uint32_t i = 0; i < n; ++i) Sink(lumi::MaxOf(s.prices[i & kInputMask], NextPrice(s, i)));
}

template <SmallerExport Subjects::*Call>
void SmallerCalls(const Subjects& s, std::uint32_t n) {
    const SmallerExport call = s.*Call;
    for (std::uint32_t i = 0; i < n; ++i) Sink(call(0, 0, NextPrice(s, i), 0, 0, s.prices[i & kInputMask]));
}

void SmallerDirectCalls(const Subjects& s, std::uint32_t n) {
    for (std::uint32_t i = 0; i < n; ++i) Sink(lumi::MinOf(s.prices[i & kInputMask], NextPrice(s, i)));
}

// ---- FindText ------------------------------------------------------------

template <const char16_t* const* Pattern>
void FindExportCalls(const Subjects& s, std::uint32_t n) {
    const FindExport call = s.findText;
    for (std::uint32_t i = 0; i < n; ++i) Sink(call(0, 0, *Pattern, kTexts[i & kTextMask], 0));
}

template <const char16_t* const* Pattern>
void FindFloorCalls(const Subjects& s, std::uint32_t n) {
    const FindExport call = s.findFloor;
    for (std::uint32_t i = 0; i < n; ++i) Sink(call(0, 0, *Pattern, kTexts[i & kTextMask], 0));
}

template <const char16_t* const* Pattern>
void FindDirectCalls(const Subjects&, std::uint32_t n) {
    for (std::uint32_t i = 0; i < n; ++i) Sink(lumi::FindText(kTexts[i & kTextMask], *Pattern, 0));
}

// wchar_t is 16-bit on Windows: msvcrt's wcsstr reads the same units.
template <const char16_t* const* Pattern>
void FindWcsstrCalls(const Subjects& s, std::uint32_t n) {
    const Wcsstr search = s.wcsstr;
    const auto pattern = reinterpret_cast<const wchar_t*>(*Pattern);
    for (std::uint32_t i = 0; i < n; ++i) {
        const auto text = reinterpret_cast<const wchar_t*>(kTexts[i & kTextMask]);
        const wchar_t* found = search(text, pattern);
        Sink(found == nullptr ? std::int32_t{-1} : static_cast<std::int32_t>(found - text));
    }
}

constexpr const char16_t* const* kFound = &kFoundPattern;
constexpr const char16_t* const* kMissing = &kMissingPattern;

// ---- What is measured --------------------------------------------------

using Runner = void (*)(const Subjects&, std::uint32_t);

// Rows of one group are measured together, interleaved.
struct Measured {
    const char* group;
    const char* label;
    Runner run;
};

constexpr Measured kMeasured[] = {
    {"FormatFixed, digits 5", "export Ii1IiI1III (8 slots)", FixedExportCalls},
    {"FormatFixed, digits 5", "lumi::FormatFixed, linked in", FixedDirectCalls},
    {"FormatFixed, digits 5", "lumi::FormatFixed, stack buffer", FixedIntoStackCalls},
    {"FormatFixed, digits 5", "std::to_chars fixed 5 + widen", FixedToCharsCalls},
    {"FormatFixed, digits 5", "msvcrt _snwprintf L\"%.5f\"", FixedSnwprintfCalls},
    {"FormatFixed, digits 5", "floor: Empty8", FixedFloorCalls},

    {"FormatTime, yyyy.mm.dd h:n:s", "export I1IIiii11I (cdecl, 1 slot)", TimeExportCalls},
    {"FormatTime, yyyy.mm.dd h:n:s", "lumi::FormatTime, linked in", TimeDirectCalls},
    {"FormatTime, yyyy.mm.dd h:n:s", "fields + msvcrt _snwprintf", TimeSnwprintfWithFieldsCalls},
    {"FormatTime, yyyy.mm.dd h:n:s", "msvcrt _snwprintf, fields given", TimeSnwprintfCalls},
    {"FormatTime, yyyy.mm.dd h:n:s", "floor: EmptyCdecl1", TimeFloorCalls},

    {"RoundToDigits, digits 5", "export iIIii1i1I1 (8 slots)", RoundExportCalls},
    {"RoundToDigits, digits 5", "lumi::RoundToDigits, linked in", RoundDirectCalls},
    {"RoundToDigits, digits 5", "floor: EmptyDouble8", RoundFloorCalls},

    {"FindText, found near the end", "export Ii1II1ii11 (5 slots)", FindExportCalls<kFound>},
    {"FindText, found near the end", "lumi::FindText, linked in", FindDirectCalls<kFound>},
    {"FindText, found near the end", "msvcrt wcsstr", FindWcsstrCalls<kFound>},
    {"FindText, found near the end", "floor: Empty5", FindFloorCalls<kFound>},

    {"FindText, not found", "export Ii1II1ii11 (5 slots)", FindExportCalls<kMissing>},
    {"FindText, not found", "lumi::FindText, linked in", FindDirectCalls<kMissing>},
    {"FindText, not found", "msvcrt wcsstr", FindWcsstrCalls<kMissing>},
    {"FindText, not found", "floor: Empty5", FindFloorCalls<kMissing>},

    {"MaxOf", "export 11iIIIi1i1 (7 slots)", LargerCalls<&Subjects::larger>},
    {"MaxOf", "lumi::MaxOf, linked in", LargerDirectCalls},
    {"MaxOf", "floor: EmptyDouble7", LargerCalls<&Subjects::largerFloor>},

    {"MinOf", "export Iii1i1ii1I (8 slots)", SmallerCalls<&Subjects::smaller>},
    {"MinOf", "lumi::MinOf, linked in", SmallerDirectCalls},
    {"MinOf", "floor: EmptyDouble8", SmallerCalls<&Subjects::smallerFloor>},
};

// What each target compares: the subject's fastest batch against the
// reference's, as a ratio or as the nanoseconds the export adds to its
// routine linked in.
struct Goal {
    const char* what;
    Runner subject;
    Runner reference;
    Measure measure;
    double limit;
};

constexpr Goal kGoals[] = {
    {"FormatFixed export / std::to_chars", FixedExportCalls, FixedToCharsCalls, Measure::Ratio, 0.5},
    {"FormatFixed export / _snwprintf", FixedExportCalls, FixedSnwprintfCalls, Measure::Ratio, 0.25},
    {"FormatFixed export / Empty8", FixedExportCalls, FixedFloorCalls, Measure::Ratio, 12.0},
    {"FormatTime export / fields + _snwprintf", TimeExportCalls, TimeSnwprintfWithFieldsCalls, Measure::Ratio, 0.15},
    {"FormatTime export / _snwprintf only", TimeExportCalls, TimeSnwprintfCalls, Measure::Ratio, 0.15},
    {"RoundToDigits export / EmptyDouble8", RoundExportCalls, RoundFloorCalls, Measure::Ratio, 3.0},
    {"FindText export / wcsstr, found", FindExportCalls<kFound>, FindWcsstrCalls<kFound>, Measure::Ratio, 0.35},
    {"FindText export / wcsstr, not found", FindExportCalls<kMissing>, FindWcsstrCalls<kMissing>, Measure::Ratio,
     0.35},
    {"FormatFixed export over linked in, ns", FixedExportCalls, FixedDirectCalls, Measure::Excess, 1.5},
    {"FormatTime export over linked in, ns", TimeExportCalls, TimeDirectCalls, Measure::Excess, 1.5},
    {"RoundToDigits export over linked in, ns", RoundExportCalls, RoundDirectCalls, Measure::Excess, 1.5},
    {"FindText export over linked in, found, ns", FindExportCalls<kFound>, FindDirectCalls<kFound>, Measure::Excess,
     1.5},
    {"FindText export over linked in, not found, ns", FindExportCalls<kMissing>, FindDirectCalls<kMissing>,
     Measure::Excess, 1.5},
    {"MaxOf export over linked in, ns", LargerCalls<&Subjects::larger>, LargerDirectCalls, Measure::Excess, 1.5},
    {"MinOf export over linked in, ns", SmallerCalls<&Subjects::smaller>, SmallerDirectCalls, Measure::Excess, 1.5},
};

// The typed pointer of a library export, held to its catalogue row.
template <class Function>
Function LibraryFunction(std::string_view code, lumi::Convention convention) {
    const lumi::ExportEntry* entry = lumi::FindEntry(code);
    if (entry == nullptr || entry->convention != convention ||
        (convention == lumi::CalleePops && entry->slots != SlotCount(Function{}))) {
        std::fprintf(stderr, "%.*s: the benchmark's signature disagrees with the catalogue\n",
                     static_cast<int>(code.size()), code.data());
        std::exit(2);
    }
    return reinterpret_cast<Function>(LibraryExport(code));
}

template <class Function>
Function ControlFunction(const char* name) {
    return reinterpret_cast<Function>(Resolve(Control(), name));
}

Subjects MakeSubjects() {
    Subjects s{};
    s.formatFixed = LibraryFunction<FixedExport>(kFixedCode, lumi::CalleePops);
    s.formatTime = LibraryFunction<TimeExport>(kTimeCode, lumi::CallerPops);
    s.roundToDigits = LibraryFunction<RoundExport>(kRoundCode, lumi::CalleePops);
    s.findText = LibraryFunction<FindExport>(kFindCode, lumi::CalleePops);
    s.fixedFloor = ControlFunction<FixedExport>("Empty8");
    s.timeFloor = ControlFunction<TimeExport>("EmptyCdecl1");
    s.roundFloor = ControlFunction<RoundExport>("EmptyDouble8");
    s.findFloor = ControlFunction<FindExport>("Empty5");
    s.larger = LibraryFunction<LargerExport>(kLargerCode, lumi::CalleePops);
    s.largerFloor = ControlFunction<LargerExport>("EmptyDouble7");
    s.smaller = LibraryFunction<SmallerExport>(kSmallerCode, lumi::CalleePops);
    s.smallerFloor = ControlFunction<SmallerExport>("EmptyDouble8");
    s.snwprintf = reinterpret_cast<Snwprintf>(Resolve(Msvcrt(), "_snwprintf"));
    s.wcsstr = reinterpret_cast<Wcsstr>(Resolve(Msvcrt(), "wcsstr"));

    std::mt19937 random(kSeed);
    std::uniform_int_distribution<std::int32_t> quote(kLowestQuote, kHighestQuote);
    std::uniform_int_distribution<std::int32_t> time(kFirstTime, kLastTime);
    for (std::size_t i = 0; i < kInputs; ++i) {
        s.prices[i] = quote(random) / kQuoteScale;
        s.times[i] = time(random);
        s.fields[i] = FieldsOf(s.times[i]);
    }
    return s;
}

// The fastest batch of every row, by its runner.
using Results = std::vector<std::pair<Runner, double>>;

double NsOf(const Results& results, Runner run) {
    for (const auto& [runner, ns] : results)
        if (runner == run) return ns;
    return 0;
}

void PrintInputs() {
    std::size_t shortest = SIZE_MAX, longest = 0;
    for (const char16_t* text : kTexts) {
        shortest = std::min(shortest, std::char_traits<char16_t>::length(text));
        longest = std::max(longest, std::char_traits<char16_t>::length(text));
    }
    std::printf("\nRoutines: %zu forex-like prices 0.5..2.5 (5 decimals), %zu times 2000..2029,\n",
                kInputs, kInputs);
    std::printf("%zu script texts of %zu..%zu units; pattern \"(Trailing)\" ends each text,\n",
                std::size(kTexts), shortest, longest);
    std::printf("\"(DivoZizAvuzi\" is in none. FormatTime is compared with _snwprintf of the same\n");
    std::printf("fields both with the field computation (the same work: target) and without.\n");
}

// Each group (rows of one routine, its floor last) is measured interleaved.
Results MeasureAndPrint(const Subjects& subjects) {
    std::printf("ns/call: fastest of %d interleaved batches (median beside it).\n", kRepetitions);
    std::printf("%-30s %-36s %9s %9s %9s\n", "routine", "measured", "ns/call", "median", "x floor");
    PrintRule(97);
    Results results;
    for (std::size_t first = 0, last = 0; first < std::size(kMeasured); first = last) {
        std::vector<Batch> batches;
        const std::string_view group = kMeasured[first].group;
        for (last = first; last < std::size(kMeasured) && kMeasured[last].group == group; ++last) {
            const Runner run = kMeasured[last].run;
            batches.push_back([&subjects, run](std::uint32_t n) { run(subjects, n); });
        }
        const std::vector<Timing> timings = NsPerCall(batches);
        const double floor = timings.back().min;
        for (std::size_t i = first; i < last; ++i) {
            const Timing& t = timings[i - first];
            std::printf("%-30s %-36s %9.1f %9.1f %9.1f\n", i == first ? kMeasured[i].group : "",
                        kMeasured[i].label, t.min, t.median, t.min / floor);
            results.emplace_back(kMeasured[i].run, t.min);
        }
    }
    return results;
}

void PrintTargets(const Results& results) {
    std::printf("\n%-46s %9s %9s %8s %7s %7s\n", "target", "subject", "reference", "measure", "limit", "met?");
    PrintRule(91);
    for (const Goal& goal : kGoals) {
        const Target target{goal.what, NsOf(results, goal.subject), NsOf(results, goal.reference), goal.measure,
                            goal.limit};
        std::printf("%-46s %9.1f %9.1f %8.3f %7.2f %7s\n", target.what.c_str(), target.subject, target.reference,
                    target.Value(), target.limit, Verdict(target.Met()));
        Record(target);
    }
}

// ---- FindText, worst case ------------------------------------------------
// A text of 'a's and a pattern of 'a's then a 'b': a direct scan compares
// nearly the whole pattern at every position. One call takes milliseconds
// (wcsstr's seconds), so each is timed on its own, best of a few.

struct WorstCase {
    const char* what;
    std::size_t textUnits, patternUnits;
    int exportRuns, wcsstrRuns;
};

constexpr WorstCase kWorstCases[] = {
    {"10^5 x 10^3", 100'000, 1'000, 15, 3},
    {"10^6 x 10^4", 1'000'000, 10'000, 15, 1},  // wcsstr: seconds a call
};
constexpr double kWorstCaseLimitNs = 10e6;  // the larger case in 10 ms
// Both lengths grow tenfold: linear time grows tenfold, a product a hundredfold.
constexpr double kWorstCaseGrowthLimit = 15;

template <class Call>
double BestNs(const Call& call, int runs) {
    static const double tick = [] {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        return 1e9 / static_cast<double>(frequency.QuadPart);
    }();
    double best = 0;
    for (int run = 0; run < runs; ++run) {
        LARGE_INTEGER start, stop;
        QueryPerformanceCounter(&start);
        call();
        QueryPerformanceCounter(&stop);
        const double ns = static_cast<double>(stop.QuadPart - start.QuadPart) * tick;
        if (run == 0 || ns < best) best = ns;
    }
    return best;
}

void MeasureWorstCaseSearches(const Subjects& s) {
    std::printf("\nFindText, worst case: text of 'a's, pattern of 'a's then 'b' (not found); one call each,\n");
    std::printf("fastest of several.\n");
    std::printf("%-14s %14s %14s %10s %14s\n", "text x pattern", "export ms", "wcsstr ms", "/ wcsstr", "ns per unit");
    PrintRule(70);
    std::vector<double> exportNs;
    for (const WorstCase& c : kWorstCases) {
        const std::u16string text(c.textUnits, u'a');
        const std::u16string pattern = std::u16string(c.patternUnits, u'a') + u'b';
        const double ns = BestNs([&] { Sink(s.findText(0, 0, pattern.c_str(), text.c_str(), 0)); }, c.exportRuns);
        const double wcsstrNs = BestNs(
            [&] {
                Sink(s.wcsstr(reinterpret_cast<const wchar_t*>(text.c_str()),
                              reinterpret_cast<const wchar_t*>(pattern.c_str())));
            },
            c.wcsstrRuns);
        std::printf("%-14s %14.3f %14.1f %10.4f %14.2f\n", c.what, ns / 1e6, wcsstrNs / 1e6, ns / wcsstrNs,
                    ns / static_cast<double>(c.textUnits));
        Record({std::string("FindText export / wcsstr, worst case ") + c.what, ns, wcsstrNs, Measure::Ratio, 0.35});
        exportNs.push_back(ns);
    }
    const WorstCase& larger = kWorstCases[1];
    Record({std::string("FindText export, worst case ") + larger.what + " / 10 ms", exportNs[1], kWorstCaseLimitNs,
            Measure::Ratio, 1.0});
    Record({"FindText export, worst case, tenfold lengths / one", exportNs[1], exportNs[0], Measure::Ratio,
            kWorstCaseGrowthLimit});
}

}  // namespace
}  // namespace bench

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);  // rows appear as they are measured
    bench::OpenTargets(argc, argv);
    lumi::StartBuiltTexts();  // the thread ring, for the routines linked in
    const bench::Subjects subjects = bench::MakeSubjects();
    bench::PrintInputs();
    bench::PrintTargets(bench::MeasureAndPrint(subjects));
    bench::MeasureWorstCaseSearches(subjects);
    return 0;
}
