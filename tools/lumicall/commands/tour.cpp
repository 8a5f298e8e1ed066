// lumicall tour: a few exports of every family, called and answered.
#include <cstdio>
#include <optional>
#include <random>

#include "catalogue/describe.h"
#include "tools/lumicall/commands/console.h"
#include "tools/lumicall/judging/answers.h"
#include "tools/lumicall/judging/contract.h"
#include "tools/lumicall/worker/target.h"

namespace lumi::call {
namespace {

struct Stop {
    std::string_view code;
    std::vector<std::string_view> arguments;  // as `lumicall call` takes them
};

const Stop kStops[] = {
    {"iI11IIii1I", {}},
    {"IiIIiII1II", {}},
    {"iIi1iiIIII", {}},
    {"Ii1iIiIIIi", {}},
    {"1iIIIiIii1", {}},
    {"111iii11Ii", {}},
    {"i1i1iI1iIi", {"3=i:42"}},
    {"1iii1iI111", {"4=d:1.5"}},
    {"iiii111iiI", {"4=i:-7"}},
    {"I1IIiIIii1", {"0=d:0.1"}},
    {"1iiiii1iIi", {"0=d:1"}},
    {"iI1IIiIIiI", {"0=d:3", "3=d:0.5", "5=d:2"}},
    {"1IiiIii11i", {"2=i:-5"}},
    {"IIII1I11ii", {"2=d:1.5", "7=i:134"}},
    {"Ii1IiI1III", {"0=d:1.23456", "4=i:5"}},
    {"III1I1iiIi", {"1=d:1.23456"}},
    {"iI1I1III1I", {"0=i:1700000000"}},
    {"I1IIiii11I", {"0=i:1700000000"}},
    {"iIIii1i1I1", {"0=d:2.71828", "3=i:2"}},
    {"11iIIIi1i1", {"0=d:1.5", "4=d:2.5"}},
    {"Iii1i1ii1I", {"2=d:1.5", "6=d:2.5"}},
    {"iIiIIiIii1", {"0=t:Buy", "2=t:Attempt to Open Buy @"}},
};

// "slots 1-2 = 1.23456": an argument as the row sees it.
std::string ArgumentWords(const SlotArgument& argument) {
    const std::string_view value = std::string_view(argument.spelling).substr(argument.spelling.find(':') + 1);
    const SlotInput where{static_cast<std::int8_t>(argument.slot),
                          argument.kind == ArgumentKind::Double ? ValueKind::Double : ValueKind::Word};
    return SlotWords(where) + " = " + (argument.kind == ArgumentKind::Text ? QuotedText(argument.text) : std::string(value));
}

// A stop's answer in words, with the contract it broke or the answer it got
// wrong; `bad` is set where it did either, or is not exported.
std::string StopAnswer(const Target& target, const Request& request, const Outcome& outcome, const SlotFill& fill,
                       const Separators& separators, bool& bad) {
    const ExportEntry& entry = request.Entry();
    bad = true;
    if (!target.Exports(entry)) return "(not exported)";
    const std::vector<std::string> breaches = Breaches(entry, outcome, fill.words);
    const AnswerCheck check = breaches.empty() ? CheckAnswer(request, outcome, separators) : AnswerCheck{};
    std::string answer = ResultWords(entry, outcome);
    if (!breaches.empty()) answer += "  [contract broken: " + breaches.front() + "]";
    else if (!check.wrong.empty()) answer += "  [wrong answer: " + check.wrong + "]";
    bad = !breaches.empty() || !check.wrong.empty();
    return answer;
}

// Each stop's slots, its arguments in words, and its request.
struct LaidStops {
    std::vector<SlotFill> fills;
    std::vector<std::string> givens;
    std::vector<Request> requests;
};

LaidStops LayStops(std::mt19937& random) {
    LaidStops laid;
    for (const Stop& stop : kStops) {
        const ExportEntry& entry = EntryFor(stop.code);
        std::vector<SlotArgument> arguments;
        std::string given;
        for (std::string_view spelling : stop.arguments) {
            arguments.push_back(ParseArgument(spelling));
            given += (given.empty() ? "" : ", ") + ArgumentWords(arguments.back());
        }
        laid.fills.push_back(FillSlots(entry, arguments, random));
        laid.givens.push_back(given);
    }
    for (std::size_t i = 0; i < laid.fills.size(); ++i)
        laid.requests.push_back(RequestOf(EntryFor(kStops[i].code), laid.fills[i], kDefaultControlWord));
    return laid;
}

std::string TourVerdict(int broken) {
    if (broken == 0)
        return "\nEvery call kept its contract and answered as the models say. More: lumicall list, "
               "lumicall call CODE ARG..., lumicall check\n";
    const char* what = broken == 1 ? " call broke its contract or answered wrongly"
                                   : " calls broke their contract or answered wrongly";
    return "\n" + std::to_string(broken) + what + ": run lumicall check\n";
}

}  // namespace

int Tour(CommandLine& line) {
    line.RefuseOtherOptions();
    if (!line.arguments.empty()) throw UsageError("tour takes no argument '" + line.arguments[0] + "'");
    Target target = Target::Open(line.dll);
    std::mt19937 random{std::random_device{}()};
    Print(target.Facts().FileName() + ", " + std::to_string(target.Facts().exportNames.size()) +
          " exports; a few of each family, called with decoys in every slot they do not read:\n");
    std::fflush(stdout);

    // All stops in one batch: a stop that hangs or kills the worker is named
    // and the tour goes on with a fresh one.
    const LaidStops stops = LayStops(random);
    const std::vector<Outcome> outcomes = target.Run(stops.requests);
    const Separators separators = SeparatorsNow();

    int broken = 0;
    std::optional<Family> family;
    for (std::size_t i = 0; i < stops.requests.size(); ++i) {
        const ExportEntry& entry = stops.requests[i].Entry();
        std::string text;
        if (family != entry.family) text += "\n" + std::string(FamilyHeading(entry.family)) + "\n";
        family = entry.family;
        bool bad = false;
        const std::string answer = StopAnswer(target, stops.requests[i], outcomes[i], stops.fills[i], separators, bad);
        broken += bad;
        // Code and body, then the arguments and the answer beneath the body.
        const std::string& given = stops.givens[i];
        text += "  " + std::string(entry.code) + "  " + BodyWords(entry);
        text += given.empty() ? "  → " + answer + "\n"
                              : "\n" + std::string(entry.code.size() + 4, ' ') + given + "  → " + answer + "\n";
        Print(text);
        std::fflush(stdout);
    }
    Print(TourVerdict(broken));
    return broken == 0 ? kAllHeld : kContractBroken;
}

}  // namespace lumi::call
