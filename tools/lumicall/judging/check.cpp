// The whole catalogue's contract on any DLL, for `lumicall check` and verify.
//
// Holds every export to what the catalogue says: the export names, each
// row's pops, x87 state (depth, tags, stack faults), kept registers,
// direction flag, the caller's words above the slots and control word (its
// masks, precision, rounding and infinity control), that no decoy slot
// changes an answer, each answer against the models, and each computing
// row's known answers.
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
#include "tools/lumicall/judging/check.h"
#include "tools/lumicall/judging/contract.h"
#include "tools/lumicall/judging/known_answers.h"
#include "tools/lumicall/judging/x87_check.h"

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

// The row's slots with the fixed inputs in place: texts are pointed at by
// the request, so their words here are 0.
Request RequestOf(const ExportEntry& entry, const std::function<std::uint32_t()>& decoy, std::uint16_t controlWord) {
    const int count = SlotsToPush(entry) + (entry.convention == Convention::CallerPops ? kCallerPopsExtraSlots : 0);
    std::uint32_t words[kMaxPushedSlots];
    for (int k = 0; k < count; ++k) words[k] = decoy();
    int doubles = 0, texts = 0;
    std::vector<std::pair<int, const char16_t*>> textSlots;
    for (int i = 0; i < entry.InputCount(); ++i) {
        const SlotInput input = entry.inputs[i];
        switch (input.kind) {
            case ValueKind::Double: {
                const auto bits = std::bit_cast<std::uint64_t>(kDoubleInputs[doubles++ % std::size(kDoubleInputs)]);
                words[input.slot] = static_cast<std::uint32_t>(bits);
                words[input.slot + 1] = static_cast<std::uint32_t>(bits >> 32);
                break;
            }
            case ValueKind::Text: textSlots.emplace_back(input.slot, kTextInputs[texts++ % std::size(kTextInputs)]); break;
            case ValueKind::HostTime: words[input.slot] = kTimeInput; break;
            case ValueKind::Word: words[input.slot] = kWordInput; break;
            default: words[input.slot] = kIntegerInput; break;
        }
    }
    Request request = RequestFor(entry, std::span(words, count), controlWord);
    for (const auto& [slot, text] : textSlots) request.PutText(slot, text);
    return request;
}

std::span<const std::uint32_t> SlotsOf(const Request& request) { return {request.slots.data(), request.slotCount}; }

// The calls of one row, and where in the batch its known cases lie.
struct RowCalls {
    const ExportEntry* entry;
    std::size_t first = 0, count = 0;              // the contract calls
    std::size_t knownFirst = 0, knownCount = 0;    // its known cases, under each word in turn
    std::vector<std::pair<const KnownCase*, std::uint16_t>> known;
};

class Checker {
public:
    Checker(Target& target, std::optional<std::uint16_t> hostWord, Separators separators)
        : target_(target), hostWord_(hostWord), separators_(separators) {}

    void CheckNames() {
        std::set<std::string> expected;
        for (const ExportEntry& entry : Catalogue()) expected.insert(std::string(kExportPrefix) + std::string(entry.code));
        const TargetFacts& facts = target_.Facts();
        for (const std::string& name : facts.exportNames)
            if (!expected.contains(name)) problems_.push_back({kLibraryWide, "exports " + name + ", which is not in the catalogue"});
        for (const ExportEntry& entry : Catalogue())
            if (!target_.Exports(entry)) missing_.push_back(entry.code);
        if (facts.directoryName != "lumivextaran.dll")
            problems_.push_back({kLibraryWide, "the export directory names the library '" + facts.directoryName + "', not lumivextaran.dll"});
    }

    // Every call of every row in one batch, then each row judged.
    void CheckRows(bool knownAnswers) {
        std::vector<RowCalls> rows;
        std::vector<Request> requests;
        auto random = [this] { return static_cast<std::uint32_t>(random_()); };
        for (const ExportEntry& entry : Catalogue()) {
            if (!target_.Exports(entry)) continue;  // reported as missing
            RowCalls row{&entry, requests.size()};
            const Request first = RequestOf(entry, random, kDefaultControlWord);
            requests.push_back(first);
            requests.push_back(RequestOf(entry, random, kDefaultControlWord));
            requests.push_back(RequestOf(entry, [] { return kAllOnes; }, kDefaultControlWord));
            Request rare = first;
            rare.controlWord = kRareControlWord;
            requests.push_back(rare);
            // With --cw, also under the host's word and under that word with every
            // exception masked: the inputs are ordinary, so the host's word may
            // raise nothing the page does not list and change no answer.
            if (hostWord_) {
                Request host = first, masked = first;
                host.controlWord = *hostWord_;
                masked.controlWord = *hostWord_ | kX87Exceptions;
                requests.push_back(host);
                requests.push_back(masked);
            }
            row.count = requests.size() - row.first;
            row.knownFirst = requests.size();
            if (knownAnswers) {
                std::vector<std::uint16_t> words = {kDefaultControlWord};
                if (hostWord_ && *hostWord_ != kDefaultControlWord && CombinationOf(*hostWord_)) words.push_back(*hostWord_);
                for (std::uint16_t word : words)
                    for (const KnownCase& known : KnownCases())
                        if (known.code == entry.code) {
                            requests.push_back(RequestWith(entry, known.inputs, word, random_));
                            row.known.emplace_back(&known, word);
                        }
            }
            row.knownCount = requests.size() - row.knownFirst;
            rows.push_back(std::move(row));
        }
        const std::vector<Outcome> outcomes = target_.Run(requests, {.keptTexts = kKeptTexts});
        for (const std::string& incident : target_.TakeIncidents()) problems_.push_back({kLibraryWide, incident});
        for (const RowCalls& row : rows) {
            CheckRow(row, std::span(requests).subspan(row.first, row.count), std::span(outcomes).subspan(row.first, row.count));
            CheckKnown(row, std::span(requests).subspan(row.knownFirst, row.knownCount),
                       std::span(outcomes).subspan(row.knownFirst, row.knownCount));
        }
    }

    ContractFindings Findings() const {
        return {target_.Facts().exportNames.size(), missing_, problems_, answersHeld_, answersRaised_};
    }

private:
    void CheckRow(const RowCalls& row, std::span<const Request> requests, std::span<const Outcome> calls) {
        const ExportEntry& entry = *row.entry;
        // A call the worker could not finish, or a fault, says enough: the
        // other calls' records mean nothing.
        for (std::size_t i = 0; i < calls.size(); ++i)
            if (calls[i].failure != Failure::None || (calls[i].fault && !RaiseAllowed(entry, calls[i], SlotsOf(requests[i]))))
            {
                const std::string breach = Breaches(entry, calls[i], SlotsOf(requests[i])).front();
                const bool named = requests[i].controlWord == kDefaultControlWord || breach.find("control word") != std::string::npos;
                return Report(entry, breach + (named ? "" : " (under control word " + Hex(requests[i].controlWord, 4) + ")"));
            }
        std::set<std::string> breaches;
        for (std::size_t i = 0; i < calls.size(); ++i)
            for (const std::string& breach : Breaches(entry, calls[i], SlotsOf(requests[i])))
                if (breaches.insert(breach).second) Report(entry, breach);
        if (hostWord_) {
            const Outcome &host = calls[4], &masked = calls[5];
            if (!RaiseAllowed(entry, host, SlotsOf(requests[4])) && !SameAnswer(entry, host, masked))
                return Report(entry, "answers " + ResultWords(entry, host) + " under control word " + Hex(*hostWord_, 4) +
                                         ", " + ResultWords(entry, masked) + " with its exceptions masked");
        }
        for (const std::size_t other : {1u, 2u})
            if (!SameAnswer(entry, calls[0], calls[other]))
                return Report(entry, "the answer depends on decoy slots: " + ResultWords(entry, calls[0]) +
                                         " with one set, " + ResultWords(entry, calls[other]) + " with another");
        for (const std::size_t i : {0u, 3u})
            if (const AnswerCheck answer = CheckAnswer(requests[i], calls[i], separators_); !answer.wrong.empty())
                return Report(entry, "answers wrongly under control word " + Hex(requests[i].controlWord, 4) + ": " + answer.wrong);
        if (entry.family == Family::TextConstant) CheckTextPointer(entry, calls[0], calls[1]);
    }

    // The row's known answers: the first wrong one in full, and how many.
    void CheckKnown(const RowCalls& row, std::span<const Request> requests, std::span<const Outcome> outcomes) {
        const ExportEntry& entry = *row.entry;
        std::string first;
        std::size_t wrong = 0;
        for (std::size_t i = 0; i < outcomes.size(); ++i) {
            const auto [known, word] = row.known[i];
            if (RaiseAllowed(entry, outcomes[i], SlotsOf(requests[i]))) {
                ++answersRaised_;
                continue;
            }
            const std::vector<std::string> breaches = Breaches(entry, outcomes[i], SlotsOf(requests[i]));
            const std::string mismatch = !breaches.empty() ? breaches.front()
                                         : AnswerMismatch(entry, outcomes[i], *known->AnswerUnder(*CombinationOf(word)), separators_);
            if (mismatch.empty()) {
                ++answersHeld_;
                continue;
            }
            if (wrong++ == 0) first = "with " + InputsWords(entry, known->inputs) + ", under " + Hex(word, 4) + ": " + mismatch;
        }
        if (wrong == 1) Report(entry, first);
        if (wrong > 1) Report(entry, std::to_string(wrong) + " of its " + std::to_string(outcomes.size()) +
                                         " known answers fail; the first " + first);
    }

    void Report(const ExportEntry& entry, std::string what) { problems_.push_back({entry.code, std::move(what)}); }

    // One pointer per text, the same on every call and for every export of it.
    void CheckTextPointer(const ExportEntry& entry, const Outcome& first, const Outcome& second) {
        if (first.record.eax != second.record.eax) Report(entry, "returns another pointer on each call");
        const auto [shared, isNew] = textPointers_.emplace(entry.text, std::pair{first.record.eax, entry.code});
        if (!isNew && shared->second.first != first.record.eax)
            Report(entry, "returns another pointer than " + std::string(shared->second.second) + ", which answers the same text");
    }

    Target& target_;
    const std::optional<std::uint16_t> hostWord_;
    const Separators separators_;
    std::mt19937 random_{std::random_device{}()};
    std::vector<std::string_view> missing_;
    std::vector<Problem> problems_;
    std::size_t answersHeld_ = 0, answersRaised_ = 0;
    std::map<const char16_t*, std::pair<std::uint32_t, std::string_view>> textPointers_;
};

}  // namespace

ContractFindings CheckContracts(Target& target, std::optional<std::uint16_t> hostWord, Separators separators,
                                bool knownAnswers) {
    Checker checker(target, hostWord, separators);
    checker.CheckNames();
    checker.CheckRows(knownAnswers);
    return checker.Findings();
}

}  // namespace lumi::call
