// Writes the export catalogue as a Markdown page, from the same tables the
// exports are built from.
//
//   catalogue_page [PATH]    writes PATH (only when its content changes), or stdout
#include <algorithm>
#include <set>
#include <sstream>
#include <string>

#include "catalogue/catalogue.h"
#include "catalogue/describe.h"
#include "catalogue/raise_policy.h"
#include "tools/generated_file.h"

namespace {

using lumi::ExportEntry;
using lumi::Family;

constexpr std::string_view kIntro =
    "# Export catalogue\n"
    "\n"
    "The exports of lumivextaran.dll, each named `Quenvar_541BA2F8_1_` followed by its\n"
    "ten-character code. This page is generated from the catalogue tables by\n"
    "tools/catalogue_page: change the tables, not the page.\n"
    "\n"
    "Callee-pops exports remove their slots as they return; caller-pops exports leave\n"
    "them to the caller, who pushes at least up to the highest slot read. *Slots read*\n"
    "lists each slot an export reads with its kind; a double fills two slots (as in\n"
    "1-2, low word first). Every other slot is a decoy and is never read. Arithmetic\n"
    "runs at the caller's x87 precision, with every nested operation bracketed in the\n"
    "order it is evaluated.\n"
    "\n"
    "No export changes the caller's x87 control word. Where the caller has unmasked\n"
    "invalid operation, division by zero or overflow (as Delphi- and C++Builder-built\n"
    "hosts do: control word 1332), an export raises one only on the inputs its family\n"
    "names under *Unmasked exceptions*; on any other input it raises none. Precision,\n"
    "underflow and denormal-operand exceptions, which hosts leave masked, may come from\n"
    "any export that computes on doubles.\n";

// A table cell: the pipe would end the cell.
std::string Cell(std::string_view words) {
    std::string cell;
    for (char c : words) {
        if (c == '|') cell += '\\';
        cell += c;
    }
    return cell;
}

std::string Range(int low, int high) {
    return low == high ? std::to_string(low) : std::to_string(low) + " to " + std::to_string(high);
}

void WriteSummary(std::ostream& out, std::span<const ExportEntry> rows) {
    out << "\n## Summary\n\n"
        << "| Family | Exports | Callee-pops | Caller-pops | Slots pushed | Results |\n"
        << "|---|---:|---:|---:|---|---|\n";
    auto summarise = [&](std::string_view name, auto belongs) {
        int count = 0, callee = 0, fewest = 99, most = 0;
        std::set<std::string_view> results;
        for (const ExportEntry& row : rows) {
            if (!belongs(row)) continue;
            ++count;
            callee += row.convention == lumi::Convention::CalleePops;
            fewest = std::min(fewest, lumi::SlotsToPush(row));
            most = std::max(most, lumi::SlotsToPush(row));
            results.insert(lumi::ResultWords(row));
        }
        std::string kinds;
        for (std::string_view kind : results) kinds += (kinds.empty() ? "" : ", ") + std::string(kind);
        out << "| " << name << " | " << count << " | " << callee << " | " << count - callee << " | "
            << Range(fewest, most) << " | " << kinds << " |\n";
    };
    for (Family family : lumi::kFamilies)
        summarise(lumi::FamilyHeading(family), [&](const ExportEntry& row) { return row.family == family; });
    summarise("**All**", [](const ExportEntry&) { return true; });
}

void WriteFamily(std::ostream& out, std::span<const ExportEntry> rows, Family family) {
    const auto count = std::count_if(rows.begin(), rows.end(), [&](const ExportEntry& row) { return row.family == family; });
    out << "\n## " << lumi::FamilyHeading(family) << " (" << count << ")\n\n"
        << "*Unmasked exceptions:* " << lumi::UnmaskedExceptionWords(family) << "\n\n"
        << "| Code | Convention | Slots | Slots read | Result | Body |\n"
        << "|---|---|---|---|---|---|\n";
    for (const ExportEntry& row : rows) {
        if (row.family != family) continue;
        out << "| `" << row.code << "` | " << lumi::ConventionWords(row.convention) << " | "
            << lumi::SlotCountWords(row) << " | " << Cell(lumi::InputWords(row)) << " | "
            << lumi::ResultWords(row) << " | " << Cell(lumi::BodyWords(row)) << " |\n";
    }
}

std::string Page() {
    std::ostringstream out;
    const auto rows = lumi::Catalogue();
    out << kIntro;
    WriteSummary(out, rows);
    for (Family family : lumi::kFamilies) WriteFamily(out, rows, family);
    return out.str();
}

}  // namespace

int main(int argc, char** argv) { return lumi::WriteGenerated(argc, argv, Page(), "catalogue_page"); }
