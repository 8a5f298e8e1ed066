#include "tools/lumicall/commands/console.h"

#include <algorithm>
#include <numeric>

namespace lumi::call {
namespace {

std::size_t EditDistance(std::string_view a, std::string_view b) {
    std::vector<std::size_t> row(b.size() + 1);
    std::iota(row.begin(), row.end(), 0);
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

}  // namespace

std::vector<std::string_view> NearestCodes(std::string_view code, std::size_t count) {
    std::vector<std::pair<std::size_t, std::string_view>> ranked;
    for (const ExportEntry& entry : Catalogue()) ranked.emplace_back(EditDistance(code, entry.code), entry.code);
    std::stable_sort(ranked.begin(), ranked.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string_view> nearest;
    for (std::size_t i = 0; i < std::min(count, ranked.size()); ++i) nearest.push_back(ranked[i].second);
    return nearest;
}

const ExportEntry& EntryFor(std::string_view code) {
    if (code.starts_with(kExportPrefix)) code.remove_prefix(kExportPrefix.size());
    if (const ExportEntry* entry = FindEntry(code)) return *entry;
    std::string nearest;
    for (std::string_view candidate : NearestCodes(code, 3)) nearest += (nearest.empty() ? "" : ", ") + std::string(candidate);
    throw UsageError("no export has the code '" + std::string(code) + "'; nearest: " + nearest);
}

std::string CommandLine::TakeOption(std::string_view name) {
    const auto it = std::find(arguments.begin(), arguments.end(), name);
    if (it == arguments.end()) return "";
    if (it + 1 == arguments.end() || (it + 1)->empty()) throw UsageError(std::string(name) + " needs a value");
    std::string value = *(it + 1);
    arguments.erase(it, it + 2);
    if (std::find(arguments.begin(), arguments.end(), name) != arguments.end())
        throw UsageError(std::string(name) + " is given twice");
    return value;
}

std::optional<std::uint16_t> CommandLine::TakeControlWord() {
    if (std::find(arguments.begin(), arguments.end(), "--cw") == arguments.end()) return std::nullopt;
    const std::string text = TakeOption("--cw");
    try {
        std::size_t used = 0;
        const unsigned long word = std::stoul(text, &used, 16);
        if (used == text.size() && word <= 0xFFFF) return static_cast<std::uint16_t>(word);
    } catch (const std::exception&) {
    }
    throw UsageError("--cw takes a 16-bit hexadecimal control word such as 027F, not '" + text + "'");
}

bool CommandLine::TakeFlag(std::string_view name) {
    const auto it = std::find(arguments.begin(), arguments.end(), name);
    if (it == arguments.end()) return false;
    arguments.erase(it);
    if (std::find(arguments.begin(), arguments.end(), name) != arguments.end())
        throw UsageError(std::string(name) + " is given twice");
    return true;
}

void CommandLine::RefuseOtherOptions() const {
    for (const std::string& argument : arguments)
        if (argument.starts_with("--")) throw UsageError("unknown option " + argument);
}

}  // namespace lumi::call
