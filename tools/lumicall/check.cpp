// lumicall check [PATH] [--cw HEX]: the whole catalogue's contract on any DLL.
//
// Checks only what the catalogue itself says: the export names, each row's
// pops, x87 depth, kept registers and control word (its masks, precision,
// rounding and infinity control), that no decoy slot changes an answer, and
// the answers of constants and pass-throughs. What the value routines
// compute is for their own tests.
#include <iterator>
#include <bit>
#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <vector>

#include "catalogue/describe.h"
#include "tools/lumicall/check.h"
#include "tools/lumicall/console.h"
#include "tools/lumicall/contract.h"

namespace lumi::call {
namespace {

// The fixed inputs of every call: a double in each pair of slots read, in
// slot order; an integer that is also a sound digits count; a real time;
// the search exports find "Buy" (lower slot) in the message (higher slot).
constexpr double kDoubleInputs[] = {1234.56789, 2.5, 0.125, 7.75};
constexpr std::uint32_t kIntegerInput = 3;
constexpr std::uint32_t kWordInput = 0x89ABCDEF;
constexpr std::uint32_t kTimeInput = 1700000000;  // 2023-11-14 22:13:20
constexpr const char16_t* kTextInputs[] = {u"Buy", u"Attempt to Open Buy @"};

// Caller-pops exports get a few slots more than they read: they must pop none.
constexpr int kCallerPopsExtraSlots = 2;

// Calls run under the usual control word, and once under a rare one
// (53-bit, toward zero) that the export must leave as it found it too.
constexpr std::uint16_t kRareControlWord = 0x0E7F;
constexpr std::uint32_t kAllOnes = 0xFFFFFFFF;  // NaN, -1 and a wild pointer at once

std::uint32_t Pointer(const char16_t* text) {
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(text));
}

std::vector<std::uint32_t> SlotsFor(const ExportEntry& entry, const std::function<std::uint32_t()>& decoy) {
    const int count = SlotsToPush(entry) + (entry.convention == Convention::CallerPops ? kCallerPopsExtraSlots : 0);
    std::vector<std::uint32_t> words(count);
    for (std::uint32_t& word : words) word = decoy();
    int doubles = 0, texts = 0;
    for (int i = 0; i < entry.InputCount(); ++i) {
        const SlotInput input = entry.inputs[i];
        switch (input.kind) {
            case ValueKind::Double: {
                const auto bits = std::bit_cast<std::uint64_t>(kDoubleInputs[doubles++ % std::size(kDoubleInputs)]);
                words[input.slot] = static_cast<std::uint32_t>(bits);
                words[input.slot + 1] = static_cast<std::uint32_t>(bits >> 32);
                break;
            }
            case ValueKind::Text: words[input.slot] = Pointer(kTextInputs[texts++ % std::size(kTextInputs)]); break;
            case ValueKind::HostTime: words[input.slot] = kTimeInput; break;
            case ValueKind::Word: words[input.slot] = kWordInput; break;
            default: words[input.slot] = kIntegerInput; break;
        }
    }
    return words;
}

double DoubleAt(const std::vector<std::uint32_t>& words, int slot) {
    return std::bit_cast<double>(std::uint64_t{words[slot + 1]} << 32 | words[slot]);
}

std::string Bits(double value) {
    char text[20];
    std::snprintf(text, sizeof text, "%016llX", static_cast<unsigned long long>(std::bit_cast<std::uint64_t>(value)));
    return text;
}

// What a constant or pass-through row must answer, checked against a call.
std::string WrongAnswer(const ExportEntry& entry, const Outcome& outcome, const std::vector<std::uint32_t>& words) {
    const std::string answered = "answers " + ResultWords(entry, outcome) + ", expected ";
    const SlotInput input = entry.inputs[0];
    switch (entry.family) {
        case Family::TextConstant:
            return outcome.text == entry.text ? "" : answered + QuotedText(entry.text);
        case Family::NumberConstant:
            if (entry.result == ValueKind::Integer)
                return static_cast<std::int32_t>(outcome.record.eax) == entry.integer ? "" : answered + std::to_string(entry.integer);
            return LeftOneValue(outcome) && Bits(outcome.record.ResultAsDouble()) == Bits(entry.real) &&
                           outcome.record.Result() == entry.real
                       ? ""
                       : answered + "the double 0x" + Bits(entry.real);
        case Family::PassThrough:
            if (entry.result == ValueKind::Word)
                return outcome.record.eax == words[input.slot] ? "" : answered + "the word of " + SlotWords(input);
            {
                const double expected = input.kind == ValueKind::Double
                                            ? DoubleAt(words, input.slot)
                                            : static_cast<double>(static_cast<std::int32_t>(words[input.slot]));
                return LeftOneValue(outcome) && Bits(outcome.record.ResultAsDouble()) == Bits(expected)
                           ? ""
                           : answered + "the double 0x" + Bits(expected);
            }
        default:
            return "";
    }
}

class Checker {
public:
    explicit Checker(const Library& library, std::optional<std::uint16_t> hostWord = std::nullopt)
        : library_(library), hostWord_(hostWord) {}

    void CheckNames() {
        std::set<std::string> expected;
        for (const ExportEntry& entry : Catalogue()) expected.insert(std::string(kExportPrefix) + std::string(entry.code));
        names_ = library_.ExportNames();
        for (const std::string& name : names_)
            if (!expected.contains(name)) problems_.push_back({kLibraryWide, "exports " + name + ", which is not in the catalogue"});
        const std::set<std::string> present(names_.begin(), names_.end());
        for (const ExportEntry& entry : Catalogue())
            if (!present.contains(std::string(kExportPrefix) + std::string(entry.code))) missing_.push_back(entry.code);
        const std::string directoryName = library_.DirectoryName();
        if (directoryName != "lumivextaran.dll")
            problems_.push_back({kLibraryWide, "the export directory names the library '" + directoryName + "', not lumivextaran.dll"});
    }

    void CheckRow(const ExportEntry& entry) {
        const void* function = library_.Export(entry.code);
        if (function == nullptr) return;  // reported as missing
        auto random = [this] { return static_cast<std::uint32_t>(random_()); };
        const auto first = SlotsFor(entry, random), second = SlotsFor(entry, random);
        const auto allOnes = SlotsFor(entry, [] { return kAllOnes; });
        std::vector<Outcome> calls = {
            CallExport(function, entry, first), CallExport(function, entry, second),
            CallExport(function, entry, allOnes), CallExport(function, entry, first, kRareControlWord)};
        // With --cw, also under the host's word and under that word with every
        // exception masked. The inputs are ordinary (finite, no zero divisor,
        // no overflow), so the host's word may raise nothing and change no answer.
        if (hostWord_) {
            const Outcome& host = calls.emplace_back(CallExport(function, entry, first, *hostWord_));
            const Outcome masked = CallExport(function, entry, first, *hostWord_ | kX87Exceptions);
            if (const std::string raised = UnmaskedRaised(host); !raised.empty())
                return Report(entry, "raised " + raised + " on ordinary inputs under control word " + HostWord());
            if (!masked.fault && !host.fault && !SameAnswer(entry, host, masked))
                Report(entry, "answers " + ResultWords(entry, host) + " under control word " + HostWord() + ", " +
                                  ResultWords(entry, masked) + " with its exceptions masked");
        }

        // A fault says enough: the other calls' records mean nothing.
        for (const Outcome& outcome : calls)
            if (outcome.fault) return Report(entry, Breaches(entry, outcome).front());
        std::set<std::string> breaches;
        for (const Outcome& outcome : calls)
            for (const std::string& breach : Breaches(entry, outcome))
                if (breaches.insert(breach).second) Report(entry, breach);

        for (const Outcome* other : {&calls[1], &calls[2]})
            if (!SameAnswer(entry, calls[0], *other))
                return Report(entry, "the answer depends on decoy slots: " + ResultWords(entry, calls[0]) +
                                         " with one set, " + ResultWords(entry, *other) + " with another");
        if (const std::string wrong = WrongAnswer(entry, calls[0], first); !wrong.empty()) Report(entry, wrong);
        if (entry.family == Family::TextConstant) CheckTextPointer(entry, calls[0], calls[1]);
    }

    ContractFindings Findings() const { return {names_.size(), missing_, problems_}; }

private:
    void Report(const ExportEntry& entry, std::string what) { problems_.push_back({entry.code, std::move(what)}); }

    std::string HostWord() const { return Hex(*hostWord_, 4); }

    // One pointer per text, the same on every call and for every export of it.
    void CheckTextPointer(const ExportEntry& entry, const Outcome& first, const Outcome& second) {
        if (first.record.eax != second.record.eax) Report(entry, "returns another pointer on each call");
        const auto [shared, isNew] = textPointers_.emplace(entry.text, std::pair{first.record.eax, entry.code});
        if (!isNew && shared->second.first != first.record.eax)
            Report(entry, "returns another pointer than " + std::string(shared->second.second) + ", which answers the same text");
    }

    const Library& library_;
    const std::optional<std::uint16_t> hostWord_;
    std::mt19937 random_{std::random_device{}()};
    std::vector<std::string> names_;
    std::vector<std::string_view> missing_;
    std::vector<Problem> problems_;
    std::map<const char16_t*, std::pair<std::uint32_t, std::string_view>> textPointers_;
};

}  // namespace

ContractFindings CheckContracts(const Library& library, std::optional<std::uint16_t> hostWord) {
    Checker checker(library, hostWord);
    checker.CheckNames();
    for (const ExportEntry& entry : Catalogue()) checker.CheckRow(entry);
    return checker.Findings();
}

int Check(CommandLine& line) {
    const std::optional<std::uint16_t> hostWord = line.TakeControlWord();
    line.RefuseOtherOptions();
    if (line.arguments.size() > 1) throw UsageError("check takes one DLL path at most");
    const Library library = OpenLibrary(line.arguments.empty() ? line.dll : line.arguments[0]);
    const ContractFindings findings = CheckContracts(library, hostWord);
    const std::size_t count = findings.problems.size() + findings.missing.size();
    std::string text = library.FileName() + ": " + std::to_string(findings.exportCount) + " exports, ";
    text += count == 0 ? "all contracts hold\n" : std::to_string(count) + (count == 1 ? " problem\n" : " problems\n");
    if (!findings.missing.empty()) {
        text += "  missing " + std::to_string(findings.missing.size()) + " exports:";
        for (std::size_t i = 0; i < findings.missing.size(); ++i)
            text += (i % 8 == 0 ? "\n    " : " ") + std::string(findings.missing[i]);
        text += "\n";
    }
    Table table;
    for (const Problem& problem : findings.problems) table.Add({std::string(problem.code), problem.what});
    Print(text + table.Text("  "));
    return count == 0 ? kAllHeld : kContractBroken;
}

}  // namespace lumi::call
