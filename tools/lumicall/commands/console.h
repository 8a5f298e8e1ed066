// What the lumicall commands share: finding a row by code (with the nearest
// codes offered for a typo), the command line, and the commands themselves.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/catalogue.h"
#include "tools/lumicall/commands/slot_arguments.h"
#include "tools/lumicall/judging/output.h"
#include "tools/lumicall/worker/exit_status.h"
#include "tools/lumicall/worker/system.h"
#include "tools/lumicall/worker/target.h"

namespace lumi::call {

// The row of `code` (a bare code or the whole export name); a UsageError
// naming the nearest codes when there is none.
const ExportEntry& EntryFor(std::string_view code);

// The codes nearest to `code` by edit distance, closest first.
std::vector<std::string_view> NearestCodes(std::string_view code, std::size_t count);

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
