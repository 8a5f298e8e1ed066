// lumicall tour: a few exports of every family, called and answered.
#include <optional>
#include <random>

#include "catalogue/describe.h"
#include "tools/lumicall/console.h"
#include "tools/lumicall/contract.h"

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

}  // namespace

int Tour(CommandLine& line) {
    line.RefuseOtherOptions();
    if (!line.arguments.empty()) throw UsageError("tour takes no argument '" + line.arguments[0] + "'");
    const Library library = OpenLibrary(line.dll);
    std::mt19937 random{std::random_device{}()};
    Print(library.FileName() + ", " + std::to_string(library.ExportNames().size()) +
          " exports; a few of each family, called with decoys in every slot they do not read:\n");

    int broken = 0;
    std::optional<Family> family;
    std::string text;
    for (const Stop& stop : kStops) {
        const ExportEntry& entry = EntryFor(stop.code);
        if (family != entry.family) text += "\n" + std::string(FamilyHeading(entry.family)) + "\n";
        family = entry.family;
        std::vector<SlotArgument> arguments;
        std::string given;
        for (std::string_view spelling : stop.arguments) {
            arguments.push_back(ParseArgument(spelling));
            given += (given.empty() ? "" : ", ") + ArgumentWords(arguments.back());
        }
        const SlotFill fill = FillSlots(entry, arguments, random);
        const void* function = library.Export(entry.code);
        std::string answer = "(not exported)";
        if (function != nullptr) {
            const Outcome outcome = CallExport(function, entry, fill.words);
            const bool holds = Breaches(entry, outcome).empty();
            broken += !holds;
            answer = ResultWords(entry, outcome) + (holds ? "" : "  [contract broken: see lumicall call]");
        } else {
            ++broken;
        }
        // Code and body, then the arguments and the answer beneath the body.
        text += "  " + std::string(entry.code) + "  " + BodyWords(entry);
        text += given.empty() ? "  → " + answer + "\n"
                              : "\n" + std::string(entry.code.size() + 4, ' ') + given + "  → " + answer + "\n";
    }
    Print(text);
    Print(broken == 0 ? "\nEvery call kept its contract. More: lumicall list, lumicall call CODE ARG..., lumicall check\n"
                      : "\n" + std::to_string(broken) + " call(s) broke their contract: run lumicall check\n");
    return broken == 0 ? kAllHeld : kContractBroken;
}

}  // namespace lumi::call
