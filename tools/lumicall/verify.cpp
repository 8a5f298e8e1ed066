// lumicall verify [--report FILE] [--cw HEX]: the check a script author runs
// on the machine where the DLL will run. It names the DLL and the machine,
// holds every export to its calling contract, replays the known answers
// under 037F, 027F and the control word lumicall started with (or --cw's),
// calls the text-building exports from 8 threads at once, and ends with one
// verdict line. With --report, all of it goes to a plain-text file as well,
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
#include "tools/lumicall/check.h"
#include "tools/lumicall/console.h"
#include "tools/lumicall/contract.h"
#include "tools/lumicall/findings.h"
#include "tools/lumicall/known_answers.h"
#include "tools/lumicall/machine.h"
#include "tools/lumicall/version.h"

namespace lumi::call {
namespace {

constexpr std::uint16_t kExtendedWord = 0x037F;  // 64-bit precision, to nearest
constexpr std::uint16_t kDoubleWord = 0x027F;    // 53-bit precision, to nearest
constexpr int kThreads = 8;
constexpr std::size_t kFailuresShown = 20;  // on the console; the report has them all
constexpr std::size_t kFailuresKeptPerThread = 50;

// ---- Calling with known inputs ------------------------------------------------------------

// "slots 0-1 = 152.18955 (0x4063061A9FBE76C9), slot 4 = 4".
std::string InputsWords(const ExportEntry& entry, std::span<const KnownInput> inputs) {
    std::string words;
    for (int i = 0; i < entry.InputCount(); ++i) {
        const SlotInput input = entry.inputs[i];
        words += (words.empty() ? "" : ", ") + SlotWords(input) + " = ";
        if (input.kind == ValueKind::Double) words += DoubleWords(inputs[i].bits);
        else if (input.kind == ValueKind::Text) words += inputs[i].text == nullptr ? "null" : QuotedText(inputs[i].text);
        else words += std::to_string(static_cast<std::int32_t>(inputs[i].bits));
    }
    return words;
}

struct Separators {
    char16_t decimal, time;
};

// The answer's text with the separators put in: "." of a number, ":" of a time.
std::u16string ExpectedText(const ExportEntry& entry, const KnownAnswer& answer, Separators separators) {
    const char placeholder = entry.routine == Routine::FormatTime ? ':' : '.';
    const char16_t separator = entry.routine == Routine::FormatTime ? separators.time : separators.decimal;
    std::u16string text;
    for (const char* unit = answer.text; *unit != 0; ++unit) {
        if (*unit != placeholder) text += static_cast<char16_t>(*unit);
        else if (separator != 0) text += separator;
    }
    return text;
}

// Empty when the call answered `answer` and kept its contract; else what it did.
std::string Mismatch(const ExportEntry& entry, const Outcome& outcome, const KnownAnswer& answer, Separators separators) {
    if (const std::vector<std::string> breaches = Breaches(entry, outcome); !breaches.empty()) return breaches.front();
    const std::string got = ", got " + ResultWords(entry, outcome);
    switch (entry.result) {
        case ValueKind::Text: {
            const std::u16string expected = ExpectedText(entry, answer, separators);
            return outcome.text == expected ? "" : "expected " + QuotedText(expected) + got;
        }
        case ValueKind::Double:
            return std::bit_cast<std::uint64_t>(outcome.record.ResultAsDouble()) == answer.bits
                       ? ""
                       : "expected " + DoubleWords(answer.bits) + got;
        default:
            return outcome.record.eax == static_cast<std::uint32_t>(answer.bits)
                       ? ""
                       : "expected " + std::to_string(static_cast<std::int32_t>(answer.bits)) + got;
    }
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

ReplayCounts Replay(const Library& library, std::uint16_t word, int combination, Separators separators,
                    Findings& findings, std::mt19937& random) {
    ReplayCounts counts;
    for (const KnownCase& known : KnownCases()) {
        const ExportEntry& entry = *FindEntry(known.code);
        const void* function = library.Export(entry.code);
        if (function == nullptr) {
            ++counts.missing;
            continue;
        }
        const KnownAnswer& answer = *known.AnswerUnder(combination);
        const Outcome outcome = CallExport(function, entry, SlotsWith(entry, known.inputs, random), word);
        if (RaisedUnmasked(outcome)) {
            ++counts.raised;
        } else if (const std::string mismatch = Mismatch(entry, outcome, answer, separators); !mismatch.empty()) {
            ++counts.failed;
            findings.Fail(known.code, "with " + InputsWords(entry, known.inputs) + ", under " + Hex(word, 4) + ": " + mismatch);
        } else {
            ++counts.held;
        }
    }
    return counts;
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

// The text cases on kThreads threads at once, each from its own place in
// the table, each text checked as soon as it comes back.
ThreadCounts ReplayTextsOnThreads(const Library& library, Separators separators, Findings& findings) {
    std::vector<const KnownCase*> texts;
    for (const KnownCase& known : KnownCases())
        if (FindEntry(known.code)->result == ValueKind::Text && library.Export(known.code) != nullptr)
            texts.push_back(&known);
    const int combination = *CombinationOf(kExtendedWord);
    std::vector<std::vector<std::string>> failures(kThreads);
    std::vector<std::size_t> failureCounts(kThreads);
    std::atomic<int> waiting{kThreads};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            std::mt19937 random(static_cast<std::mt19937::result_type>(t + 1));
            for (waiting.fetch_sub(1); waiting.load() > 0;) std::this_thread::yield();  // all start together
            for (std::size_t i = 0; i < texts.size(); ++i) {
                const KnownCase& known = *texts[(i + t * texts.size() / kThreads) % texts.size()];
                const ExportEntry& entry = *FindEntry(known.code);
                const Outcome outcome = CallExport(library.Export(entry.code), entry,
                                                   SlotsWith(entry, known.inputs, random), kExtendedWord);
                const std::string mismatch = Mismatch(entry, outcome, *known.AnswerUnder(combination), separators);
                if (mismatch.empty()) continue;
                if (++failureCounts[t] <= kFailuresKeptPerThread)
                    failures[t].push_back(std::string(known.code) + "  on thread " + std::to_string(t + 1) + " of " +
                                          std::to_string(kThreads) + ", with " + InputsWords(entry, known.inputs) +
                                          ": " + mismatch);
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    ThreadCounts counts{texts.size() * kThreads, 0};
    for (int t = 0; t < kThreads; ++t) {
        findings.FailAll(failures[t]);
        counts.failures += failureCounts[t];
        if (failureCounts[t] > kFailuresKeptPerThread)
            findings.Fail("(threads)", std::to_string(failureCounts[t] - kFailuresKeptPerThread) +
                                           " more failures on thread " + std::to_string(t + 1));
    }
    return counts;
}

}  // namespace

int Verify(CommandLine& line) {
    const std::string reportPath = line.TakeOption("--report");
    const std::optional<std::uint16_t> givenWord = line.TakeControlWord();
    line.RefuseOtherOptions();
    if (!line.arguments.empty()) throw UsageError("verify takes no argument '" + line.arguments[0] + "'; use --dll PATH");
    const std::uint16_t startWord = ControlWordNow();
    const std::uint16_t hostWord = givenWord.value_or(startWord);
    const ReportFile report(reportPath);
    if (const std::string mismatch = TableMismatch(); !mismatch.empty())
        throw std::logic_error("lumicall was built wrongly: " + mismatch);
    try {
        const auto started = std::chrono::steady_clock::now();
        std::string sha256;
        const Library library = OpenCheckedLibrary(line.dll.empty() ? DefaultLibraryPath() : line.dll, sha256);
        std::mt19937 random{std::random_device{}()};
        Findings findings;

        const std::string version = ModuleVersion(library.module);
        const LocaleSeparators locale = LocaleSeparatorsNow();
        const Observed observed = ObservedSeparators(library, random);
        findings.Say(
            "lumicall " + std::string(OwnVersion()) + " verify: does this lumivextaran.dll answer exactly here?\n\n" +
            Line("library", LoadedPath(library)) +
            Line("version", version.empty() ? "none: this DLL carries no version resource" : version) +
            Line("SHA-256", sha256) + Line("Windows", WindowsVersionWords()) + Line("processor", ProcessorWords()) +
            Line("control word", ControlWordWords(startWord) + ", as lumicall started") +
            Line("separators", "decimal " + ObservedWords(observed.decimal, observed.decimalText) + ", time " +
                                   ObservedWords(observed.time, observed.timeText) + " in the DLL's own texts") +
            Line("", "decimal " + TakenWords(locale.decimal, locale.decimalItem) + ", time " +
                         TakenWords(locale.time, locale.timeItem) + " from the user's locale now (" + Hex(locale.locale, 4) + ")") +
            "\n");

        const Separators expected{locale.decimal, locale.time};
        // A separator that cannot be read back because its export is
        // missing is reported as missing, not twice.
        const auto compare = [&](const char* which, const std::optional<char16_t>& seen, const std::string& answered,
                                 char16_t given) {
            if (seen != given && !answered.empty())
                findings.Fail(kLibraryWide, std::string("its texts show the ") + which + " separator " +
                                                ObservedWords(seen, answered) + ", the user's locale gives " +
                                                SeparatorWords(given));
        };
        compare("decimal", observed.decimal, observed.decimalText, locale.decimal);
        compare("time", observed.time, observed.timeText, locale.time);

        const ContractFindings contracts = CheckContracts(library, hostWord);
        if (!contracts.missing.empty()) {
            std::string codes;
            for (std::string_view code : contracts.missing) codes += " " + std::string(code);
            findings.Fail(kLibraryWide, "does not export " + std::to_string(contracts.missing.size()) + " of " +
                                            std::to_string(Catalogue().size()) + " exports:" + codes);
        }
        for (const Problem& problem : contracts.problems) findings.Fail(problem.code, problem.what);
        std::string contractWords = "every one keeps its calling contract";
        if (!contracts.problems.empty() || !contracts.missing.empty())
            contractWords = "FAIL: " + std::to_string(contracts.problems.size()) + " problems, " +
                            std::to_string(contracts.missing.size()) + " exports missing";
        findings.Say(Line("contracts", std::to_string(Catalogue().size()) + " exports: " + contractWords));

        // The two usual words, then the host's: the one lumicall started
        // with (what a program gets on this machine), or --cw's.
        const std::string hostRole = !givenWord ? "the word lumicall started with" : "the word given by --cw";
        const std::string cases = std::to_string(KnownCases().size()) + " cases under ";
        std::size_t replayed = 0, skipped = 0;
        const auto replay = [&](std::uint16_t word, const std::string& role, const char* label) {
            const ReplayCounts counts = Replay(library, word, *CombinationOf(word), expected, findings, random);
            replayed += counts.held;
            skipped += counts.raised + counts.missing;
            findings.Say(Line(label, cases + Hex(word, 4) + " (" + role + "): " + CountsWords(counts)));
        };
        replay(kExtendedWord, "64-bit, to nearest", "known answers");
        replay(kDoubleWord, "53-bit, to nearest", "");
        if (hostWord == kExtendedWord || hostWord == kDoubleWord)
            findings.Say(Line("", hostRole + ", " + Hex(hostWord, 4) + ", is one of these"));
        else if (CombinationOf(hostWord))
            replay(hostWord, hostRole, "");
        else {
            skipped += KnownCases().size();
            findings.Say(Line("", "none under " + Hex(hostWord, 4) + " (" + hostRole +
                                      "): it selects the reserved precision, for which the table has no answers"));
        }
        const ThreadCounts threads = ReplayTextsOnThreads(library, expected, findings);
        findings.Say(Line("threads", std::to_string(kThreads) + " threads at once, " + std::to_string(threads.texts) +
                                         " texts: " +
                                         (threads.failures == 0 ? "all hold" : std::to_string(threads.failures) + " FAIL")));
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        char took[32];
        std::snprintf(took, sizeof took, "%.1f s", seconds);
        findings.Say(Line("time", took));

        const std::string name = library.FileName() + (version.empty() ? "" : " " + version);
        const std::size_t failed = findings.FailureCount();
        const std::string verdict =
            failed == 0 ? "VERDICT: PASS: " + name + " answers exactly on this machine (" +
                              std::to_string(Catalogue().size()) + " contracts, " + std::to_string(replayed) +
                              " known answers, " + std::to_string(threads.texts) + " texts on " +
                              std::to_string(kThreads) + " threads" +
                              (skipped == 0 ? "" : "; " + std::to_string(skipped) + " cases not run, see above") + ")"
                        : "VERDICT: FAIL: " + name + " does not answer as it should on this machine: " +
                              std::to_string(failed) + (failed == 1 ? " failure" : " failures");
        Print(findings.Ending(kFailuresShown, verdict));
        report.Write(findings.Said() + findings.Ending(failed, verdict));
        return failed == 0 ? kAllHeld : kContractBroken;
    } catch (const std::exception& error) {
        report.Write("lumicall: " + std::string(error.what()) + "\n");
        throw;
    }
}

}  // namespace lumi::call
