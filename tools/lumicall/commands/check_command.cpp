// lumicall check [PATH] [--cw HEX]: the whole catalogue's contract on any DLL,
// one line per problem.
#include <optional>
#include <string>

#include "tools/lumicall/commands/console.h"
#include "tools/lumicall/judging/check.h"
#include "tools/lumicall/judging/contract.h"
#include "tools/lumicall/judging/x87_check.h"

namespace lumi::call {

int Check(CommandLine& line) {
    const std::optional<std::uint16_t> hostWord = line.TakeControlWord();
    line.RefuseOtherOptions();
    if (line.arguments.size() > 1) throw UsageError("check takes one DLL path at most");
    if (!line.arguments.empty() && !line.dll.empty()) throw UsageError("check takes the DLL as --dll PATH or as PATH, not both");
    if (!line.arguments.empty() && line.arguments[0].empty()) throw UsageError("check's PATH needs a value");
    if (hostWord && !CombinationOf(*hostWord))
        throw UsageError("--cw " + Hex(*hostWord, 4) + " selects the reserved precision, for which there are no known answers");
    const MachineCheck machine = CheckThisMachine();
    Target target = Target::Open(line.arguments.empty() ? line.dll : line.arguments[0]);
    const ContractFindings findings = CheckContracts(target, hostWord, SeparatorsNow(), true);
    const std::size_t count = findings.problems.size() + findings.missing.size();
    std::string text = MachineFirstWords(machine) + target.Facts().FileName() + ": " + std::to_string(findings.exportCount) + " exports, ";
    const std::string raised = findings.answersRaised == 0 ? ""
                               : " (" + std::to_string(findings.answersRaised) +
                                     " more raised what the catalogue page lists where the word unmasks it: allowed, not counted)";
    text += count == 0 ? "all contracts and " + std::to_string(findings.answersHeld) + " known answers hold" + raised + "\n"
                       : std::to_string(count) + (count == 1 ? " problem" : " problems") +
                             (machine.Sound() ? "" : ", not the DLL's to answer for: " + std::string(kMachineFaultWords)) + "\n";
    if (!findings.missing.empty()) {
        text += "  missing " + std::to_string(findings.missing.size()) + " exports:";
        for (std::size_t i = 0; i < findings.missing.size(); ++i)
            text += (i % 8 == 0 ? "\n    " : " ") + std::string(findings.missing[i]);
        text += "\n";
    }
    Table table;
    for (const Problem& problem : findings.problems) table.Add({std::string(problem.code), problem.what});
    Print(text + table.Text("  "));
    return count == 0 ? kAllHeld : !machine.Sound() ? kMachineFault : kContractBroken;
}

}  // namespace lumi::call
