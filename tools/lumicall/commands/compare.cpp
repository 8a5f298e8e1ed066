// lumicall compare OTHER [--dll PATH] [--cw HEX] [--report FILE]: every
// export of the catalogue called on two DLLs with the same inputs, under
// every combination of precision and rounding and under the word lumicall
// started with (and --cw's), every answer compared and every call held to
// its contract. For checking a new build against the one a script runs
// today, before switching.
#include <algorithm>
#include <bit>
#include <chrono>
#include <climits>
#include <cstdio>
#include <random>
#include <set>

#include "catalogue/describe.h"
#include "tools/lumicall/judging/answers.h"
#include "tools/lumicall/judging/check.h"
#include "tools/lumicall/commands/console.h"
#include "tools/lumicall/commands/reported_run.h"
#include "tools/lumicall/judging/contract.h"
#include "tools/lumicall/judging/findings.h"
#include "tools/lumicall/judging/known_answers.h"
#include "tools/lumicall/worker/machine.h"
#include "tools/lumicall/judging/request_words.h"
#include "tools/lumicall/worker/target.h"
#include "tools/lumicall/worker/version.h"
#include "tools/lumicall/judging/x87_check.h"

namespace lumi::call {
namespace {

// The same seed for every run: both DLLs, and every run, get the same decoys.
constexpr std::mt19937::result_type kDecoySeed = 0x6C756D69;
constexpr int kRandomCallsPerExport = 8;
constexpr std::size_t kFullProductBound = 400;  // more edge combinations than this: pairs only

// The twelve combinations of precision and rounding, every exception masked.
constexpr std::uint16_t kAllMasked = 0x007F;
constexpr std::uint16_t kPrecisionFields[] = {0x0300, 0x0200, 0x0000};  // 64, 53, 24 bits
constexpr std::uint16_t kRoundingFields[] = {0x0000, 0x0400, 0x0800, 0x0C00};

// ---- Inputs ------------------------------------------------------------------------------

// Each list starts with an ordinary value, the one an input keeps while
// others take their edge values.
constexpr std::uint64_t kEdgeDoubles[] = {
    0x3FF8000000000000,  // 1.5
    0x0000000000000000,  // +0
    0x8000000000000000,  // -0
    0x7FF0000000000000,  // +infinity
    0xFFF0000000000000,  // -infinity
    0x7FF8000000000000,  // quiet NaN
    0xFFF8000000000000,  // the x87's default NaN
    0x7FF800000000BEEF,  // quiet NaN with a payload
    0x7FF0000000000001,  // signalling NaN
    0xFFF4000000000000,  // negative signalling NaN with a payload
    0x0000000000000001,  // smallest denormal
    0x800FFFFFFFFFFFFF,  // largest negative denormal
    0x0010000000000000,  // smallest normal
    0x7FEFFFFFFFFFFFFF,  // largest double
    0xC004000000000000,  // -2.5, a tie
    0x43E0000000000000,  // 2^63
    0x3FB999999999999A,  // 0.1
    0x4341C37937E08000,  // 1e16 + 2, beyond the integers a double counts exactly by ones
    // Both sides of a 32-bit floor, as scaled sums of rounding to 0 decimals.
    0x41DFFFFFFFC00000,  // 2147483647.0: sum 2147483647.5
    0x41DFFFFFFFE00000,  // 2147483647.5: sum 2^31
    0xC1E0000000000000,  // -2147483648.0: sum -2147483647.5
    0xC1E0000000200000,  // -2147483649.0: sum -2147483648.5
    0x41747AE147AE147B,  // 21474836.48: sum 2^31 at 2 decimals
    0x4008000000000000,  // 3.0: beyond 32 bits at 9 decimals
    0x4340000000000000,  // 2^53
};
constexpr std::int32_t kEdgeIntegers[] = {2, 0, 1, 5, 8, 15, 16, 17, 18, 20, 100, -1, -2, INT_MIN, INT_MAX};
constexpr std::int32_t kEdgeTimes[] = {
    1700000000, INT_MIN, INT_MIN + 1, -86401, -1, 0, 1, 59, 3599, 86399, 86400,
    951782400,  // 2000-02-29
    INT_MAX - 1, INT_MAX};
constexpr std::uint32_t kEdgeWords[] = {0x12345678, 0, 1, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF};

// Texts, kept for the whole run (requests point at them): a long one
// crosses many of the 16-byte blocks the search reads.
constexpr std::size_t kLongText = 5000;
const std::vector<std::optional<std::u16string>>& EdgeTexts() {
    static const std::u16string filler(kLongText, u'a');
    static const std::vector<std::optional<std::u16string>> texts = {
        u"Buy", std::nullopt, u"", u"B", u"Attempt to Open Buy @", u"uy @", u"Attempt to Open Buy @ and more",
        filler + u"Buy", filler, u"\U0001F4C8 Buy \u00E9"};
    return texts;
}

// One input: its slot words (one, or two for a double), or a text (none
// for a null pointer).
struct InputValue {
    std::uint64_t bits = 0;
    std::optional<std::u16string_view> text;
};

std::vector<InputValue> EdgeValues(ValueKind kind) {
    std::vector<InputValue> values;
    switch (kind) {
        case ValueKind::Double:
            for (std::uint64_t bits : kEdgeDoubles) values.push_back({bits, {}});
            break;
        case ValueKind::HostTime:
            for (std::int32_t time : kEdgeTimes) values.push_back({static_cast<std::uint32_t>(time), {}});
            break;
        case ValueKind::Word:
            for (std::uint32_t word : kEdgeWords) values.push_back({word, {}});
            break;
        case ValueKind::Text:
            for (const auto& text : EdgeTexts())
                values.push_back({0, text ? std::optional<std::u16string_view>(*text) : std::nullopt});
            break;
        default:
            for (std::int32_t integer : kEdgeIntegers) values.push_back({static_cast<std::uint32_t>(integer), {}});
            break;
    }
    return values;
}

// The slots of `entry` with decoys in the unread ones and `values` (one per
// input, in slot order) in the read ones.
Request RequestOf(const ExportEntry& entry, const std::vector<const InputValue*>& values, std::mt19937& random) {
    std::vector<std::uint32_t> slots(SlotsToPush(entry));
    for (std::uint32_t& word : slots) word = static_cast<std::uint32_t>(random());
    for (int i = 0; i < entry.InputCount(); ++i) {
        const SlotInput input = entry.inputs[i];
        slots[input.slot] = static_cast<std::uint32_t>(values[i]->bits);
        if (input.kind == ValueKind::Double) slots[input.slot + 1] = static_cast<std::uint32_t>(values[i]->bits >> 32);
    }
    Request request = RequestFor(entry, slots, kAllMasked);
    for (int i = 0; i < entry.InputCount(); ++i)
        if (entry.inputs[i].kind == ValueKind::Text && values[i]->text) request.PutText(entry.inputs[i].slot, *values[i]->text);
    return request;
}

// Every combination of the inputs' edge values when there are few enough,
// else every pair of inputs over their edges with the rest at the first
// (ordinary) value.
void AddEdgeRequests(const ExportEntry& entry, std::vector<Request>& requests, std::mt19937& random) {
    const int count = entry.InputCount();
    if (count == 0) return;
    std::vector<std::vector<InputValue>> edges;
    std::size_t product = 1;
    for (int i = 0; i < count; ++i) {
        edges.push_back(EdgeValues(entry.inputs[i].kind));
        product *= edges.back().size();
    }
    std::vector<const InputValue*> values(count);
    if (product <= kFullProductBound) {
        for (std::size_t n = 0; n < product; ++n) {
            std::size_t rest = n;  // n's digits, one per input, in the bases of their edge counts
            for (int i = 0; i < count; ++i) {
                values[i] = &edges[i][rest % edges[i].size()];
                rest /= edges[i].size();
            }
            requests.push_back(RequestOf(entry, values, random));
        }
        return;
    }
    for (int first = 0; first < count; ++first)
        for (int second = first + 1; second < count; ++second)
            for (const InputValue& a : edges[first])
                for (const InputValue& b : edges[second]) {
                    for (int i = 0; i < count; ++i) values[i] = &edges[i][0];
                    values[first] = &a;
                    values[second] = &b;
                    requests.push_back(RequestOf(entry, values, random));
                }
}

// Random words in every slot but the texts, which point at real texts.
void AddRandomRequests(const ExportEntry& entry, std::vector<Request>& requests, std::mt19937& random) {
    const std::vector<InputValue> texts = EdgeValues(ValueKind::Text);
    for (int n = 0; n < kRandomCallsPerExport; ++n) {
        std::vector<InputValue> drawn(entry.InputCount());
        std::vector<const InputValue*> values;
        for (int i = 0; i < entry.InputCount(); ++i) {
            drawn[i] = entry.inputs[i].kind == ValueKind::Text ? texts[random() % texts.size()]
                                                               : InputValue{std::uint64_t{random()} << 32 | random(), {}};
            values.push_back(&drawn[i]);
        }
        requests.push_back(RequestOf(entry, values, random));
    }
}

void AddKnownRequests(std::vector<Request>& requests, std::mt19937& random) {
    for (const KnownCase& known : KnownCases()) {
        const ExportEntry& entry = *FindEntry(known.code);
        std::vector<InputValue> given;
        for (const KnownInput& input : known.inputs)
            given.push_back({input.kind == InputKind::Text ? 0 : input.bits,
                             input.text == nullptr ? std::nullopt : std::optional<std::u16string_view>(input.text)});
        std::vector<const InputValue*> values;
        for (const InputValue& value : given) values.push_back(&value);
        requests.push_back(RequestOf(entry, values, random));
    }
}

struct Inputs {
    std::vector<Request> requests;  // under kAllMasked; each word gets a copy
    std::size_t known = 0, edges = 0, random = 0;
};

// The exports neither DLL lacks, called with the known answers' inputs,
// their edge values and random words.
Inputs InputsFor(const std::set<std::string_view>& callable) {
    Inputs inputs;
    std::mt19937 random(kDecoySeed);
    AddKnownRequests(inputs.requests, random);
    std::erase_if(inputs.requests, [&](const Request& request) { return !callable.contains(request.Entry().code); });
    inputs.known = inputs.requests.size();
    for (const ExportEntry& entry : Catalogue())
        if (callable.contains(entry.code)) AddEdgeRequests(entry, inputs.requests, random);
    inputs.edges = inputs.requests.size() - inputs.known;
    for (const ExportEntry& entry : Catalogue())
        if (callable.contains(entry.code)) {
            // Rows with no input still get calls: their decoys change.
            AddRandomRequests(entry, inputs.requests, random);
        }
    inputs.random = inputs.requests.size() - inputs.known - inputs.edges;
    return inputs;
}

// ---- Control words -------------------------------------------------------------------------

struct ControlWord {
    std::uint16_t word;
    std::string role;
};

bool SameFields(std::uint16_t a, std::uint16_t b) { return ((a ^ b) & kControlWordFields) == 0; }

std::vector<ControlWord> ControlWords(std::uint16_t startWord, std::optional<std::uint16_t> givenWord) {
    std::vector<ControlWord> words;
    for (std::uint16_t precision : kPrecisionFields)
        for (std::uint16_t rounding : kRoundingFields) words.push_back({static_cast<std::uint16_t>(kAllMasked | precision | rounding), ""});
    const auto add = [&](std::uint16_t word, const char* role) {
        for (const ControlWord& known : words)
            if (SameFields(known.word, word)) return;
        words.push_back({word, role});
    };
    add(startWord, "as lumicall started");
    if (givenWord) add(*givenWord, "given by --cw");
    return words;
}

std::string ControlWordsWords(const std::vector<ControlWord>& words, std::uint16_t startWord,
                              std::optional<std::uint16_t> givenWord) {
    std::string text = std::to_string(words.size()) + ": the 12 combinations of precision and rounding, all masked";
    const auto role = [&](std::uint16_t word, const char* what) {
        bool extra = false;
        for (const ControlWord& known : words) extra |= !known.role.empty() && known.word == word;
        text += ", " + Hex(word, 4) + " " + what + (extra ? "" : " (one of them)");
    };
    role(startWord, "as lumicall started");
    if (givenWord) role(*givenWord, "given by --cw");
    return text;
}

// ---- Comparing ----------------------------------------------------------------------------------

struct Side {
    const char* name;  // "this DLL", "the other"
    Target target;
    std::vector<std::string_view> missing;
};

class Comparison {
public:
    void Compare(const Request& request, const Outcome& mine, const Outcome& theirs) {
        ++calls_;
        const ExportEntry& entry = request.Entry();
        const auto where = [&] { return "with " + RequestInputsWords(request) + ", under " + Hex(request.controlWord, 4); };
        const std::vector<std::string> myBreaches = Breaches(entry, mine, PushedSlots(request)),
                                       theirBreaches = Breaches(entry, theirs, PushedSlots(request));
        // The same breach of the same call by both is no difference between them.
        if (!myBreaches.empty() && myBreaches == theirBreaches) {
            shared_.NoteBreaches(entry.code, myBreaches, where);
        } else {
            breaches_[0].NoteBreaches(entry.code, myBreaches, where);
            breaches_[1].NoteBreaches(entry.code, theirBreaches, where);
        }
        // A broken contract says enough: that call's answer means nothing.
        if (!myBreaches.empty() || !theirBreaches.empty() || SameOutcome(entry, mine, theirs)) return;
        differences_.NoteDifference(entry.code, [&] {
            return where() + ": this DLL answers " + AnswerWords(entry, mine) + ", the other " + AnswerWords(entry, theirs);
        });
    }

    std::size_t Calls() const { return calls_; }
    const CallLog& Differences() const { return differences_; }
    const CallLog& Breaking(int side) const { return breaches_[side]; }
    const CallLog& BreakingAlike() const { return shared_; }

    // Each side's broken contracts, then the differences.
    std::vector<std::string> Failures(const char* const (&names)[2]) const {
        std::vector<std::string> failures;
        for (int side = 0; side < 2; ++side)
            for (std::string& line : breaches_[side].BreachLines(names[side])) failures.push_back(std::move(line));
        for (std::string& line : differences_.DifferenceLines()) failures.push_back(std::move(line));
        return failures;
    }

private:
    std::size_t calls_ = 0;
    CallLog breaches_[2];
    CallLog shared_;  // breaches both sides made alike, call by call
    CallLog differences_;
};

Side OpenSide(const char* name, const std::string& path) {
    Side side{name, Target::Open(path), {}};
    for (const ExportEntry& entry : Catalogue())
        if (!side.target.Exports(entry)) side.missing.push_back(entry.code);
    return side;
}

std::string SideWords(const Side& side) {
    const TargetFacts& facts = side.target.Facts();
    return facts.loadedPath + ", " + (facts.version.empty() ? "no version resource" : facts.version) + ", SHA-256 " +
           facts.sha256;
}

std::string MissingWords(const Side& side) {
    if (side.missing.empty()) return std::string(side.name) + " lacks none";
    return std::string(side.name) + " lacks " + std::to_string(side.missing.size());
}

// The codes `side` lacks and `other` lacks too (alike), or does not (apart).
std::vector<std::string_view> Lacking(const Side& side, const Side& other, bool alike) {
    std::vector<std::string_view> codes;
    for (std::string_view code : side.missing)
        if ((std::find(other.missing.begin(), other.missing.end(), code) != other.missing.end()) == alike) codes.push_back(code);
    return codes;
}

// What both DLLs break or lack alike, and whose it is: on a machine that
// fails the x87 self-test, the machine's.
std::string AlikeWords(const CallLog& alike, std::size_t lackedAlike, const MachineCheck& machine) {
    std::string words;
    if (alike.ExportsBreaking() > 0)
        words += "both break the contract of the same " + std::to_string(alike.ExportsBreaking()) +
                 (alike.ExportsBreaking() == 1 ? " export" : " exports") + " alike";
    if (lackedAlike > 0) words += (words.empty() ? "both lack the same " : ", and lack the same ") + std::to_string(lackedAlike) + " exports";
    if (words.empty()) return "";
    return words + (machine.Sound() || alike.ExportsBreaking() == 0 ? ": both DLLs'" : ": the machine's (" + std::string(kMachineFaultWords) + ")");
}

std::string ContractWords(const Comparison& comparison, int side, const char* const (&names)[2]) {
    const std::size_t breaking = comparison.Breaking(side).ExportsBreaking();
    const bool alike = comparison.BreakingAlike().ExportsBreaking() > 0;
    return std::string(names[side]) +
           (breaking == 0 ? (alike ? ": broke none that " + std::string(names[1 - side]) + " kept" : ": every call kept its contract")
                                              : ": " + std::to_string(breaking) + (breaking == 1 ? " export" : " exports") +
                                                    " broke it" + (alike ? " where the other did not" : ""));
}

std::string CompareHeading(const MachineCheck& machine, const Side (&sides)[2], const std::vector<ControlWord>& words,
                           std::uint16_t startWord, std::optional<std::uint16_t> givenWord, const Inputs& inputs,
                           std::size_t callable) {
    return MachineFirstWords(machine) + "lumicall " + std::string(OwnVersion()) + " compare: do these two DLLs answer alike?\n\n" +
           Line("this DLL", SideWords(sides[0])) + Line("the other", SideWords(sides[1])) +
           Line("control words", ControlWordsWords(words, startWord, givenWord)) +
           Line("inputs", std::to_string(inputs.requests.size()) + " calls of " + std::to_string(callable) +
                              " exports under each word: " + std::to_string(inputs.known) + " known-answer inputs, " +
                              std::to_string(inputs.edges) + " edge values, " + std::to_string(inputs.random) + " random") +
           Line("exports", MissingWords(sides[0]) + ", " + MissingWords(sides[1])) + Line("x87", MachineWords(machine));
}

// Each export one DLL lacks and the other has is a failure; returns how many.
std::size_t FailLackedApart(const Side (&sides)[2], Findings& findings) {
    std::size_t lackedApart = 0;
    for (int side = 0; side < 2; ++side) {
        const std::vector<std::string_view> apart = Lacking(sides[side], sides[1 - side], false);
        lackedApart += apart.size();
        if (!apart.empty()) findings.Fail(kLibraryWide, MissingCodes(std::string(sides[side].name) + " does not export", apart));
    }
    return lackedApart;
}

// The same requests through both DLLs, under each word in turn.
Comparison CallBoth(Side (&sides)[2], const Inputs& inputs, const std::vector<ControlWord>& words) {
    Comparison comparison;
    std::vector<Request> requests = inputs.requests;
    for (const ControlWord& word : words) {
        for (Request& request : requests) request.controlWord = word.word;
        const std::vector<Outcome> mine = sides[0].target.Run(requests);
        const std::vector<Outcome> theirs = sides[1].target.Run(requests);
        for (std::size_t i = 0; i < requests.size(); ++i) comparison.Compare(requests[i], mine[i], theirs[i]);
    }
    return comparison;
}

// The contracts both break and the exports both lack: the first of them on
// the console, all of them in the report.
void SayAlike(const Comparison& comparison, const std::string& alike, const std::vector<std::string_view>& lackedAlike,
              Findings& findings) {
    std::vector<std::string> lines = comparison.BreakingAlike().BreachLines("both DLLs");
    if (!lackedAlike.empty())
        lines.insert(lines.begin(), std::string(kLibraryWide) + "  " + MissingCodes("neither DLL exports", lackedAlike));
    const auto listed = [&](std::size_t shown) {
        std::string text = Line("alike", alike);
        for (std::size_t i = 0; i < lines.size() && i < shown; ++i) text += "    " + lines[i] + "\n";
        if (lines.size() > shown) text += "    ... and " + std::to_string(lines.size() - shown) + " more: lumicall compare --report FILE writes them all\n";
        return text;
    };
    findings.Say(listed(kFailuresShown), listed(lines.size()));
}

std::string AnswersWords(const Comparison& comparison) {
    const std::size_t differences = comparison.Differences().Differences();
    if (differences == 0) return "all " + std::to_string(comparison.Calls()) + " calls answer alike";
    const std::size_t exports = comparison.Differences().ExportsDiffering();
    return std::to_string(differences) + " of " + std::to_string(comparison.Calls()) + " calls answer differently, in " +
           std::to_string(exports) + (exports == 1 ? " export" : " exports");
}

std::string CompareVerdict(bool same, const Comparison& comparison, std::size_t callable, std::size_t words,
                           const std::string& alike, std::size_t lackedApart) {
    if (same)
        return "VERDICT: SAME: the two DLLs answer alike (" + std::to_string(callable) + " exports, " +
               std::to_string(words) + " control words, " + std::to_string(comparison.Calls()) + " calls each)" +
               (alike.empty() ? "" : "; " + alike);
    const std::size_t differences = comparison.Differences().Differences();
    return "VERDICT: DIFFERENT: " + std::to_string(differences) + (differences == 1 ? " call answers" : " calls answer") +
           " differently, " +
           std::to_string(comparison.Breaking(0).ExportsBreaking() + comparison.Breaking(1).ExportsBreaking()) +
           " broken contracts, " + std::to_string(lackedApart) + " exports missing";
}

// compare's work: both DLLs called with the same inputs under each word,
// their contracts and answers held side by side.
Verdict CompareDlls(const std::string& dll, const std::string& other, std::uint16_t startWord,
                    std::optional<std::uint16_t> givenWord, Findings& findings) {
    const auto started = std::chrono::steady_clock::now();
    const MachineCheck machine = CheckThisMachine();
    Side sides[2] = {OpenSide("this DLL", dll), OpenSide("the other", other)};
    const char* const names[2] = {sides[0].name, sides[1].name};
    std::set<std::string_view> callable;
    for (const ExportEntry& entry : Catalogue())
        if (sides[0].target.Exports(entry) && sides[1].target.Exports(entry))
            callable.insert(entry.code);
    const Inputs inputs = InputsFor(callable);
    const std::vector<ControlWord> words = ControlWords(startWord, givenWord);
    findings.Say(CompareHeading(machine, sides, words, startWord, givenWord, inputs, callable.size()));
    const std::vector<std::string_view> lackedAlike = Lacking(sides[0], sides[1], true);
    const std::size_t lackedApart = FailLackedApart(sides, findings);

    const Comparison comparison = CallBoth(sides, inputs, words);
    findings.FailAll(comparison.Failures(names));
    findings.Say(Line("contracts", ContractWords(comparison, 0, names) + "; " + ContractWords(comparison, 1, names)));
    const std::string alike = AlikeWords(comparison.BreakingAlike(), lackedAlike.size(), machine);
    if (!alike.empty()) SayAlike(comparison, alike, lackedAlike, findings);
    findings.Say(Line("answers", AnswersWords(comparison)));
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    char took[32];
    std::snprintf(took, sizeof took, "%.1f s", seconds);
    findings.Say(Line("time", took));

    const bool same = findings.FailureCount() == 0;
    return {CompareVerdict(same, comparison, callable.size(), words.size(), alike, lackedApart), same, false};
}

}  // namespace

int Compare(CommandLine& line) {
    const std::string reportPath = line.TakeOption("--report");
    const std::optional<std::uint16_t> givenWord = line.TakeControlWord();
    line.RefuseOtherOptions();
    if (line.arguments.empty()) throw UsageError("compare needs the other DLL: lumicall compare OTHER [--dll PATH]");
    if (line.arguments.size() > 1) throw UsageError("compare takes one other DLL, not '" + line.arguments[1] + "' too");
    if (line.arguments[0].empty()) throw UsageError("compare needs the other DLL's path, not an empty one");
    const std::uint16_t startWord = ControlWordNow();
    return RunReported({"compare", reportPath, {}, [&](Findings& findings) {
                            return CompareDlls(line.dll, line.arguments[0], startWord, givenWord, findings);
                        }});
}

}  // namespace lumi::call
