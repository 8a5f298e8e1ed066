// lumicall verify [--report FILE] [--cw HEX]: the check a script author runs
// on the machine where the DLL will run. It names the DLL and the machine,
// holds every export to its calling contract, replays the known answers
// under all twelve combinations of precision and rounding and the control
// word lumicall started with (or --cw's), holding each built text intact
// over the next 15 text-building calls, calls the text-building exports
// from 8 threads at once, and ends with one verdict line. Every call runs
// in the guarded worker (target.h). With --report, all of it goes to a plain-text file as well,
// with every failure in full.
#include <windows.h>

#include <atomic>
#include <bit>
#include <chrono>
#include <cstdio>
#include <optional>
#include <random>
#include <stdexcept>
#include <thread>

#include "catalogue/describe.h"
#include "tools/lumicall/judging/answers.h"
#include "tools/lumicall/judging/check.h"
#include "tools/lumicall/commands/console.h"
#include "tools/lumicall/commands/reported_run.h"
#include "tools/lumicall/judging/contract.h"
#include "tools/lumicall/judging/findings.h"
#include "tools/lumicall/judging/known_answers.h"
#include "tools/lumicall/worker/machine.h"
#include "tools/lumicall/judging/released_build.h"
#include "tools/lumicall/worker/target.h"
#include "tools/lumicall/worker/version.h"
#include "tools/lumicall/judging/x87_check.h"

namespace lumi::call {
namespace {

constexpr std::uint16_t kExtendedWord = 0x037F;  // 64-bit precision, to nearest
constexpr std::uint16_t kDoubleWord = 0x027F;    // 53-bit precision, to nearest
constexpr int kThreads = 8;
constexpr std::size_t kFailuresKeptPerThread = 50;

// ---- Calling with known inputs ------------------------------------------------------------

std::span<const std::uint32_t> SlotsOf(const Request& request) { return {request.slots.data(), request.slotCount}; }

// Empty when the call answered `answer` and kept its contract; else what it did.
std::string Mismatch(const Request& request, const Outcome& outcome, const KnownAnswer& answer, Separators separators) {
    const ExportEntry& entry = request.Entry();
    if (const std::vector<std::string> breaches = Breaches(entry, outcome, SlotsOf(request)); !breaches.empty())
        return breaches.front();
    return AnswerMismatch(entry, outcome, answer, separators);
}

// A separator taken from the locale, and the setting it came from when that
// is not the one unit itself (a longer setting leaves the default).
std::string TakenWords(char16_t taken, const std::optional<std::u16string>& setting) {
    if (!setting) return SeparatorWords(taken) + " (the locale has no such setting)";
    if (setting->size() > 1) return SeparatorWords(taken) + " (the setting " + QuotedText(*setting) + " is longer than one character)";
    return SeparatorWords(taken);
}

// ---- Known answers -----------------------------------------------------------------------

struct ReplayCounts {
    std::size_t held = 0, failed = 0, raised = 0, missing = 0;
};

// Every known case under each word, one batch for all; the counts by word.
std::vector<ReplayCounts> Replay(Target& target, std::span<const std::uint16_t> words, Separators separators,
                                 Findings& findings, std::mt19937& random) {
    std::vector<ReplayCounts> counts(words.size());
    std::vector<Request> requests;
    std::vector<std::pair<std::size_t, const KnownCase*>> made;  // word index, case
    for (std::size_t w = 0; w < words.size(); ++w)
        for (const KnownCase& known : KnownCases()) {
            const ExportEntry& entry = *FindEntry(known.code);
            if (!target.Exports(entry)) {
                ++counts[w].missing;
                continue;
            }
            requests.push_back(RequestWith(entry, known.inputs, words[w], random));
            made.emplace_back(w, &known);
        }
    const std::vector<Outcome> outcomes = target.Run(requests, {.keptTexts = kKeptTexts});
    for (std::size_t i = 0; i < requests.size(); ++i) {
        const auto [w, known] = made[i];
        const ExportEntry& entry = requests[i].Entry();
        if (RaiseAllowed(entry, outcomes[i], SlotsOf(requests[i]))) {
            ++counts[w].raised;
        } else if (const std::string mismatch = Mismatch(requests[i], outcomes[i], *known->AnswerUnder(*CombinationOf(words[w])), separators);
                   !mismatch.empty()) {
            ++counts[w].failed;
            findings.Fail(known->code, "with " + InputsWords(entry, known->inputs) + ", under " + Hex(words[w], 4) + ": " + mismatch);
        } else {
            ++counts[w].held;
        }
    }
    return counts;
}

ReplayCounts Sum(std::span<const ReplayCounts> counts) {
    ReplayCounts sum;
    for (const ReplayCounts& c : counts) {
        sum.held += c.held;
        sum.failed += c.failed;
        sum.raised += c.raised;
        sum.missing += c.missing;
    }
    return sum;
}

std::string CountsWords(const ReplayCounts& counts) {
    std::string words = counts.failed == 0 && counts.raised == 0 && counts.missing == 0
                            ? "all " + std::to_string(counts.held) + " hold"
                            : std::to_string(counts.held) + " hold";
    if (counts.failed > 0) words += ", " + std::to_string(counts.failed) + " FAIL";
    if (counts.raised > 0)
        words += ", " + std::to_string(counts.raised) + " raised an x87 exception the word unmasks (allowed; not counted)";
    if (counts.missing > 0) words += ", " + std::to_string(counts.missing) + " not run: their export is missing";
    return words;
}

// ---- Threads ---------------------------------------------------------------------------

struct ThreadCounts {
    std::size_t texts = 0, failures = 0;
};

// The text cases on kThreads threads of the worker at once, each from its
// own place in the table.
ThreadCounts ReplayTextsOnThreads(Target& target, Separators separators, Findings& findings) {
    std::vector<const KnownCase*> texts;
    for (const KnownCase& known : KnownCases())
        if (FindEntry(known.code)->result == ValueKind::Text && target.Exports(*FindEntry(known.code))) texts.push_back(&known);
    const int combination = *CombinationOf(kExtendedWord);
    std::vector<std::vector<Request>> lists(kThreads);
    std::vector<std::vector<const KnownCase*>> cases(kThreads);
    for (int t = 0; t < kThreads; ++t) {
        std::mt19937 random(static_cast<std::mt19937::result_type>(t + 1));
        for (std::size_t i = 0; i < texts.size(); ++i) {
            const KnownCase& known = *texts[(i + t * texts.size() / kThreads) % texts.size()];
            lists[t].push_back(RequestWith(*FindEntry(known.code), known.inputs, kExtendedWord, random));
            cases[t].push_back(&known);
        }
    }
    const std::vector<std::vector<Outcome>> outcomes = target.RunOnThreads(lists, {.keptTexts = kKeptTexts});
    ThreadCounts counts{texts.size() * kThreads, 0};
    for (int t = 0; t < kThreads; ++t) {
        std::size_t failures = 0;
        for (std::size_t i = 0; i < lists[t].size(); ++i) {
            const KnownCase& known = *cases[t][i];
            const std::string mismatch = Mismatch(lists[t][i], outcomes[t][i], *known.AnswerUnder(combination), separators);
            if (mismatch.empty()) continue;
            if (++failures <= kFailuresKeptPerThread)
                findings.Fail(known.code, "on thread " + std::to_string(t + 1) + " of " + std::to_string(kThreads) + ", with " +
                                              InputsWords(lists[t][i].Entry(), known.inputs) + ": " + mismatch);
        }
        counts.failures += failures;
        if (failures > kFailuresKeptPerThread)
            findings.Fail("(threads)", std::to_string(failures - kFailuresKeptPerThread) + " more failures on thread " +
                                           std::to_string(t + 1));
    }
    return counts;
}

// The twelve words of the table's combinations, all exceptions masked:
// 64-bit, 53-bit and 24-bit precision, each rounding mode.
std::vector<std::uint16_t> CombinationWords() {
    constexpr std::uint16_t kPrecisionField[] = {3, 2, 0};
    std::vector<std::uint16_t> words;
    for (int c = 0; c < kCombinations; ++c)
        words.push_back(static_cast<std::uint16_t>(0x007F | kPrecisionField[c / 4] << 8 | (c % 4) << 10));
    return words;
}

std::string VerifyHeading(const MachineCheck& machine, const TargetFacts& facts, bool tracing, std::uint16_t startWord,
                          const Observed& observed, const LocaleSeparators& locale) {
    return MachineFirstWords(machine) + "lumicall " + std::string(OwnVersion()) +
           " verify: does this lumivextaran.dll answer exactly here?\n\n" + Line("library", facts.loadedPath) +
           Line("version", (facts.version.empty() ? "none: this DLL carries no version resource" : facts.version) +
                               (tracing ? " (the tracing build: it records every call)" : "")) +
           Line("SHA-256", facts.sha256) + Line("build", ReleasedBuildWords(facts.sha256)) +
           Line("Windows", WindowsVersionWords()) + Line("processor", ProcessorWords()) +
           Line("control word", ControlWordWords(startWord) + ", as lumicall started") + Line("x87", MachineWords(machine)) +
           Line("separators", "decimal " + ObservedWords(observed.decimal, observed.decimalText) + ", time " +
                                  ObservedWords(observed.time, observed.timeText) + " in the DLL's own texts") +
           Line("", "decimal " + TakenWords(locale.decimal, locale.decimalItem) + ", time " +
                        TakenWords(locale.time, locale.timeItem) + " from the user's locale now (" + Hex(locale.locale, 4) + ")") +
           "\n";
}

// A separator that cannot be read back because its export is missing is
// reported as missing, not twice.
void CheckSeparators(const Observed& observed, const LocaleSeparators& locale, Findings& findings) {
    const auto compare = [&](const char* which, const std::optional<char16_t>& seen, const std::string& answered,
                             char16_t given) {
        if (seen != given && !answered.empty())
            findings.Fail(kLibraryWide, std::string("its texts show the ") + which + " separator " +
                                            ObservedWords(seen, answered) + ", the user's locale gives " +
                                            SeparatorWords(given));
    };
    compare("decimal", observed.decimal, observed.decimalText, locale.decimal);
    compare("time", observed.time, observed.timeText, locale.time);
}

void VerifyContracts(Target& target, std::uint16_t hostWord, const Separators& expected, Findings& findings) {
    const ContractFindings contracts = CheckContracts(target, hostWord, expected, false);
    if (!contracts.missing.empty()) findings.Fail(kLibraryWide, MissingCodes("does not export", contracts.missing));
    for (const Problem& problem : contracts.problems) findings.Fail(problem.code, problem.what);
    std::string contractWords = "every one keeps its calling contract";
    if (!contracts.problems.empty() || !contracts.missing.empty())
        contractWords = "FAIL: " + std::to_string(contracts.problems.size()) +
                        (contracts.problems.size() == 1 ? " problem, " : " problems, ") +
                        std::to_string(contracts.missing.size()) + " exports missing";
    findings.Say(Line("contracts", std::to_string(Catalogue().size()) + " exports: " + contractWords));
}

// Every combination of precision and rounding the table has answers for,
// then the host's word: the one lumicall started with (what a program gets
// on this machine), or --cw's.
ReplayCounts VerifyKnownAnswers(Target& target, std::uint16_t hostWord, std::optional<std::uint16_t> givenWord,
                                const Separators& expected, Findings& findings, std::mt19937& random) {
    const std::string hostRole = !givenWord ? "the word lumicall started with" : "the word given by --cw";
    const std::string cases = std::to_string(KnownCases().size()) + " cases under ";
    std::vector<std::uint16_t> words = CombinationWords();
    const bool hostIsUsual = hostWord == kExtendedWord || hostWord == kDoubleWord;
    if (!hostIsUsual) words.push_back(hostWord);
    const std::vector<ReplayCounts> counts = Replay(target, words, expected, findings, random);
    findings.Say(Line("known answers", cases + "037F (64-bit, to nearest): " + CountsWords(counts[0])));
    findings.Say(Line("", cases + "027F (53-bit, to nearest): " + CountsWords(counts[4])));
    std::vector<ReplayCounts> others;
    std::string otherWords;
    for (int c = 0; c < kCombinations; ++c)
        if (c != 0 && c != 4) {
            others.push_back(counts[c]);
            otherWords += (otherWords.empty() ? "" : " ") + Hex(words[c], 4);
        }
    findings.Say(Line("", "the same under the other 10 combinations of precision and rounding (" + otherWords +
                              "): " + CountsWords(Sum(others))));
    if (hostIsUsual) findings.Say(Line("", hostRole + ", " + Hex(hostWord, 4) + ", is one of these"));
    else findings.Say(Line("", cases + Hex(hostWord, 4) + " (" + hostRole + "): " + CountsWords(counts.back())));
    return Sum(counts);
}

ThreadCounts VerifyThreads(Target& target, const Separators& expected, Findings& findings) {
    const ThreadCounts threads = ReplayTextsOnThreads(target, expected, findings);
    for (const std::string& incident : target.TakeIncidents()) findings.Fail(kLibraryWide, incident);
    findings.Say(Line("threads", std::to_string(kThreads) + " threads at once, " + std::to_string(threads.texts) +
                                     " texts: " +
                                     (threads.failures == 0 ? "all hold" : std::to_string(threads.failures) + " FAIL")));
    return threads;
}

void SayTimeTaken(std::chrono::steady_clock::time_point started, const Target& target, Findings& findings) {
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    char took[96];
    std::snprintf(took, sizeof took, "%.1f s, calls made in a worker process (%d started)", seconds,
                  target.WorkersStarted());
    findings.Say(Line("time", took));
}

std::string VerifyVerdict(const std::string& name, const MachineCheck& machine, std::size_t failed,
                          const ReplayCounts& total, const ThreadCounts& threads) {
    if (failed == 0)
        return "VERDICT: PASS: " + name + " answers exactly on this machine (" + std::to_string(Catalogue().size()) +
               " contracts, " + std::to_string(total.held) + " known answers, " + std::to_string(threads.texts) +
               " texts on " + std::to_string(kThreads) + " threads" +
               (total.raised == 0 ? "" : "; " + std::to_string(total.raised) +
                                            " raised an x87 exception the word unmasks (allowed; not counted)") +
               (total.missing == 0 ? "" : "; " + std::to_string(total.missing) + " not run") + ")";
    const std::string failures = std::to_string(failed) + (failed == 1 ? " failure" : " failures");
    if (!machine.Sound()) return MachineVerdict(failures + " of " + name);
    return "VERDICT: FAIL: " + name + " does not answer as it should on this machine: " + failures;
}

// verify's work: the machine, the file, its separators, its contracts, its
// known answers under every word and its texts on threads.
Verdict VerifyOnThisMachine(const std::string& dll, std::uint16_t startWord, std::uint16_t hostWord,
                            std::optional<std::uint16_t> givenWord, Findings& findings) {
    const auto started = std::chrono::steady_clock::now();
    const MachineCheck machine = CheckThisMachine();
    Target target = Target::Open(dll);
    const TargetFacts& facts = target.Facts();
    const bool tracing = FileIsTracingBuild(facts.loadedPath);
    std::mt19937 random{std::random_device{}()};
    if (!machine.Sound()) findings.Excuse(std::string(kMachineFaultWords));

    const LocaleSeparators locale = LocaleSeparatorsNow();
    const Observed observed = ObservedSeparators(target, random);
    findings.Say(VerifyHeading(machine, facts, tracing, startWord, observed, locale));
    CheckSeparators(observed, locale, findings);

    const Separators expected{locale.decimal, locale.time};
    VerifyContracts(target, hostWord, expected, findings);
    const ReplayCounts total = VerifyKnownAnswers(target, hostWord, givenWord, expected, findings, random);
    const ThreadCounts threads = VerifyThreads(target, expected, findings);
    SayTimeTaken(started, target, findings);

    const std::string name = facts.FileName() + (facts.version.empty() ? "" : " " + facts.version) +
                             (tracing ? " (tracing build)" : "");
    const std::size_t failed = findings.FailureCount();
    return {VerifyVerdict(name, machine, failed, total, threads), failed == 0, !machine.Sound()};
}

}  // namespace

int Verify(CommandLine& line) {
    const std::string reportPath = line.TakeOption("--report");
    const std::optional<std::uint16_t> givenWord = line.TakeControlWord();
    line.RefuseOtherOptions();
    if (!line.arguments.empty()) throw UsageError("verify takes no argument '" + line.arguments[0] + "'; use --dll PATH");
    const std::uint16_t startWord = ControlWordNow();
    const std::uint16_t hostWord = givenWord.value_or(startWord);
    // No verdict for what cannot be checked: the table has no answers there.
    if (!CombinationOf(hostWord))
        throw UsageError(Hex(hostWord, 4) + (givenWord ? " (given by --cw)" : " (the word lumicall started with)") +
                         " selects the reserved precision, for which there are no known answers: nothing to verify under it");
    const auto checkTable = [] {
        if (const std::string mismatch = TableMismatch(); !mismatch.empty())
            throw std::logic_error("lumicall was built wrongly: " + mismatch);
    };
    return RunReported({"verify", reportPath, checkTable, [&](Findings& findings) {
                            return VerifyOnThisMachine(line.dll, startWord, hostWord, givenWord, findings);
                        }});
}

}  // namespace lumi::call
