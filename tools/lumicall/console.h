// What the lumicall commands share: output, column tables, finding a row by
// code (with the nearest codes offered for a typo), and opening the DLL.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/catalogue.h"
#include "tools/lumicall/library.h"
#include "tools/lumicall/slot_arguments.h"

namespace lumi::call {

// Exit statuses.
constexpr int kAllHeld = 0;
constexpr int kContractBroken = 1;
constexpr int kWrongUse = 2;
// This machine failed the x87 self-test, and what was found cannot be held against the DLL.
constexpr int kMachineFault = 3;

// The DLL could not be loaded: reported with exit status 2.
struct LoadError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

void Print(std::string_view text);  // UTF-8 to standard output
void PrintError(std::string_view text);

// Columns padded to their widest cell (counted in characters, not bytes).
class Table {
public:
    void Add(std::vector<std::string> row) { rows_.push_back(std::move(row)); }
    std::string Text(std::string_view indent = "") const;

private:
    std::vector<std::vector<std::string>> rows_;
};

// The row of `code` (a bare code or the whole export name); a UsageError
// naming the nearest codes when there is none.
const ExportEntry& EntryFor(std::string_view code);

// The codes nearest to `code` by edit distance, closest first.
std::vector<std::string_view> NearestCodes(std::string_view code, std::size_t count);

// Loads the DLL at `path` (empty: the one beside lumicall.exe); a LoadError with
// the system's reason when it will not load.
Library OpenLibrary(const std::string& path);

// The command-line arguments after the command, with --dll PATH taken out.
struct CommandLine {
    std::string dll;
    std::vector<std::string> arguments;

    // Takes `--name VALUE` out of the arguments; empty when absent.
    std::string TakeOption(std::string_view name);
    bool TakeFlag(std::string_view name);
    // Takes `--cw HEX` out: a 16-bit x87 control word; empty when absent.
    std::optional<std::uint16_t> TakeControlWord();
    void RefuseOtherOptions() const;
};

int List(CommandLine& line);
int CallOne(CommandLine& line);
int Check(CommandLine& line);
int Tour(CommandLine& line);
int Version(CommandLine& line);  // --version
int Verify(CommandLine& line);
int Compare(CommandLine& line);
int Replay(CommandLine& line);

}  // namespace lumi::call
