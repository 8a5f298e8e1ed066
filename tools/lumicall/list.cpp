// lumicall list [--family F] [--json]: the catalogue as the tables hold it.
#include <cctype>
#include <cstdio>

#include "catalogue/describe.h"
#include "tools/lumicall/console.h"

namespace lumi::call {
namespace {

constexpr Family kFamilies[] = {Family::TextConstant, Family::NumberConstant, Family::PassThrough,
                                Family::Arithmetic, Family::Formatting};

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

std::string JsonString(std::string_view text) {
    std::string json = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') {
            json += '\\';
            json += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04X", static_cast<unsigned>(c));
            json += escaped;
        } else {
            json += c;
        }
    }
    return json + "\"";
}

std::string JsonRow(const ExportEntry& entry) {
    std::string reads;
    for (int i = 0; i < entry.InputCount(); ++i)
        reads += std::string(i > 0 ? ", " : "") + "{\"slot\": " + std::to_string(entry.inputs[i].slot) +
                 ", \"kind\": " + JsonString(KindName(entry.inputs[i].kind)) + "}";
    return "{\"code\": " + JsonString(entry.code) + ", \"name\": " +
           JsonString(std::string(kExportPrefix) + std::string(entry.code)) +
           ", \"family\": " + JsonString(FamilyName(entry.family)) +
           ", \"convention\": " + JsonString(ConventionWords(entry.convention)) +
           ", \"slots\": " + std::to_string(SlotsToPush(entry)) + ", \"reads\": [" + reads + "]" +
           ", \"result\": " + JsonString(ResultWords(entry)) + ", \"body\": " + JsonString(BodyWords(entry)) + "}";
}

}  // namespace

int List(CommandLine& line) {
    const std::string familyName = line.TakeOption("--family");
    const bool json = line.TakeFlag("--json");
    line.RefuseOtherOptions();
    if (!line.arguments.empty()) throw UsageError("list takes no argument '" + line.arguments[0] + "'");
    const bool all = familyName.empty();
    const Family chosen = all ? Family::TextConstant : FamilyNamed(familyName);

    std::string text;
    for (Family family : kFamilies) {
        if (!all && family != chosen) continue;
        Table table;
        if (!json) table.Add({"code", "convention", "slots", "slots read", "result", "body"});
        for (const ExportEntry& entry : Catalogue()) {
            if (entry.family != family) continue;
            if (json) {
                text += (text.empty() ? "[\n  " : ",\n  ") + JsonRow(entry);
                continue;
            }
            table.Add({std::string(entry.code), std::string(ConventionWords(entry.convention)),
                       SlotCountWords(entry), InputWords(entry), std::string(ResultWords(entry)), BodyWords(entry)});
        }
        if (!json) text += (text.empty() ? "" : "\n") + std::string(FamilyHeading(family)) + "\n" + table.Text("  ");
    }
    if (json) text += "\n]\n";
    Print(text);
    return kAllHeld;
}

}  // namespace lumi::call
