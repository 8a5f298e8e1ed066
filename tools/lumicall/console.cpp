#include "tools/lumicall/console.h"

#include <algorithm>
#include <cstdio>
#include <numeric>

namespace lumi::call {
namespace {

// Characters, not bytes: UTF-8 continuation bytes take no column.
std::size_t DisplayWidth(std::string_view text) {
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

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

void Print(std::string_view text) { std::fwrite(text.data(), 1, text.size(), stdout); }

void PrintError(std::string_view text) {
    std::fflush(stdout);
    std::fwrite(text.data(), 1, text.size(), stderr);
}

std::string Table::Text(std::string_view indent) const {
    std::vector<std::size_t> widths;
    for (const auto& row : rows_) {
        widths.resize(std::max(widths.size(), row.size()));
        for (std::size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], DisplayWidth(row[i]));
    }
    std::string text;
    for (const auto& row : rows_) {
        std::string line(indent);
        for (std::size_t i = 0; i < row.size(); ++i) {
            line += row[i];
            if (i + 1 < row.size()) line.append(widths[i] - DisplayWidth(row[i]) + 2, ' ');
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        text += line + "\n";
    }
    return text;
}

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

Library OpenLibrary(const std::string& path) {
    const std::string chosen = path.empty() ? DefaultLibraryPath() : path;
    std::string whyNot;
    Library library = Library::Load(chosen, whyNot);
    if (library.module == nullptr) throw LoadError("cannot load " + chosen + ": " + whyNot);
    return library;
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
