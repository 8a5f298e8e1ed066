// lumicall list [--family F] [--answers WHAT] [--json]: the catalogue as the
// tables hold it, or the exports that answer WHAT.
#include <algorithm>
#include <cctype>
#include <charconv>

#include "catalogue/catalogue_json.h"
#include "catalogue/describe.h"
#include "tools/lumicall/commands/console.h"
#include "tools/lumicall/worker/version.h"

namespace lumi::call {
namespace {

// Letters only, lower case: "Pass-Through" and "passthrough" are one name.
std::string Folded(std::string_view name) {
    std::string folded;
    for (char c : name)
        if (std::isalpha(static_cast<unsigned char>(c))) folded += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return folded;
}

// A family named by any prefix of its name ("text", "pass", "arith").
Family FamilyNamed(std::string_view name) {
    const std::string wanted = Folded(name);
    for (Family family : kFamilies)
        if (!wanted.empty() && Folded(FamilyName(family)).starts_with(wanted)) return family;
    std::string known;
    for (Family family : kFamilies) known += (known.empty() ? "" : ", ") + std::string(FamilyName(family));
    throw UsageError("no family is called '" + std::string(name) + "': " + known);
}

// Whether the row answers what `wanted` names: its text (as typed, or with
// the escapes the catalogue writes, \n for a line feed), its number (any
// spelling of it: 240, 240.0, 1e0), or the routine it calls (any case).
bool Answers(const ExportEntry& entry, std::string_view wanted) {
    switch (entry.family) {
        case Family::TextConstant: {
            const std::string quoted = QuotedText(entry.text);
            const std::string_view escaped = std::string_view(quoted).substr(1, quoted.size() - 2);
            return escaped == wanted || std::u16string_view(entry.text) == std::u16string(wanted.begin(), wanted.end());
        }
        case Family::NumberConstant: {
            double number = 0.0;
            const auto [end, error] = std::from_chars(wanted.data(), wanted.data() + wanted.size(), number);
            if (error != std::errc() || end != wanted.data() + wanted.size()) return false;
            return entry.result == ValueKind::Double ? entry.real == number : entry.integer == number;
        }
        case Family::Formatting: return Folded(RoutineName(entry.routine)) == Folded(wanted);
        default: return false;
    }
}

}  // namespace

int List(CommandLine& line) {
    const std::string familyName = line.TakeOption("--family");
    const bool answersGiven = std::find(line.arguments.begin(), line.arguments.end(), "--answers") != line.arguments.end();
    const std::string answers = line.TakeOption("--answers");
    const bool json = line.TakeFlag("--json");
    line.RefuseOtherOptions();
    if (!line.arguments.empty()) throw UsageError("list takes no argument '" + line.arguments[0] + "'");
    if (answersGiven && answers.empty()) throw UsageError("--answers needs a text, a number or a routine name");
    const bool all = familyName.empty();
    const Family chosen = all ? Family::TextConstant : FamilyNamed(familyName);

    std::vector<ExportEntry> rows;
    for (const ExportEntry& entry : Catalogue())
        if ((all || entry.family == chosen) && (!answersGiven || Answers(entry, answers))) rows.push_back(entry);
    if (json) {
        Print(CatalogueJson(rows, OwnVersion()));
        return kAllHeld;
    }
    if (rows.empty()) {
        Print("no export answers '" + answers + "'" + (all ? "" : " in that family") +
              ": a text, a number or a routine name (FormatFixed, FormatTime, RoundToDigits, MaxOf, MinOf, FindText)\n");
        return kAllHeld;
    }

    std::string text;
    for (Family family : kFamilies) {
        Table table;
        table.Add({"code", "convention", "slots", "slots read", "result", "body"});
        bool any = false;
        for (const ExportEntry& entry : rows) {
            if (entry.family != family) continue;
            any = true;
            table.Add({std::string(entry.code), std::string(ConventionWords(entry.convention)), SlotCountWords(entry),
                       InputWords(entry), std::string(ResultWords(entry)), BodyWords(entry)});
        }
        if (any) text += (text.empty() ? "" : "\n") + std::string(FamilyHeading(family)) + "\n" + table.Text("  ");
    }
    Print(text);
    return kAllHeld;
}

}  // namespace lumi::call
