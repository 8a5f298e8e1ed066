// lumicall call CODE ARG... [--cw HEX]: one export through the guarded call,
// its contract and its answer held to the models.
#include <random>

#include "catalogue/describe.h"
#include "tools/lumicall/judging/answers.h"
#include "tools/lumicall/commands/console.h"
#include "tools/lumicall/judging/contract.h"
#include "tools/lumicall/worker/target.h"

namespace lumi::call {

namespace {

std::string SlotList(const SlotFill& fill, bool given) {
    std::string list;
    for (std::size_t k = 0; k < fill.words.size(); ++k)
        if (fill.given[k] == given) list += (list.empty() ? "" : "  ") + std::to_string(k) + "=" + Hex(fill.words[k], 8);
    return list.empty() ? "none" : list;
}

// What is called, with what: the export, its body, the slots given and the decoys.
void AddCallRows(Table& table, const ExportEntry& entry, const SlotFill& fill) {
    const std::string count = SlotCountWords(entry);
    const bool one = count == "1" || count.ends_with(" 1");
    table.Add({"export", std::string(kExportPrefix) + std::string(entry.code) + "  (" +
                             std::string(ConventionWords(entry.convention)) + ", " + count +
                             (count == "none" ? " slots)" : one ? " slot)" : " slots)")});
    table.Add({"body", BodyWords(entry)});
    table.Add({"slots", SlotList(fill, true)});
    table.Add({"decoys", SlotList(fill, false)});
}

// What a call that returned left behind: the slots popped, the x87 unit, a pending exception.
void AddReturnRows(Table& table, const Outcome& outcome) {
    const int depth = outcome.record.depthAfter - outcome.record.depthBefore;
    table.Add({"popped", PoppedWords(outcome.record.popped)});
    table.Add({"x87", "depth " + std::string(depth >= 0 ? "+" : "") + std::to_string(depth) + ", control word " +
                          Hex(outcome.record.controlWordAfter, 4) + " after the call (" +
                          std::string(kControlWordCompared) + " compared)"});
    if (const std::uint16_t pending = outcome.record.UnmaskedFlags())
        table.Add({"raised", X87ExceptionWords(pending) + ", unmasked by the control word and left pending"});
}

// The contract, then the answer where the contract holds; the exit status.
int AddVerdictRows(Table& table, const Request& request, const Outcome& outcome, const SlotFill& fill) {
    const ExportEntry& entry = request.Entry();
    if (CallersPointerFault(outcome)) {
        table.Add({"contract", "not judged: the fault came from the text pointer you gave in slot " +
                                   std::to_string(outcome.callersPointerSlot) + ", not from the export"});
        return kAllHeld;
    }
    if (RaiseAllowed(entry, outcome, fill.words)) {
        table.Add({"contract", "holds: it raised " + X87ExceptionWords(RaisedBits(outcome)) +
                                   ", which the catalogue page lists for these inputs where the word unmasks it; "
                                   "the answer is not judged"});
        return kAllHeld;
    }
    const std::vector<std::string> breaches = Breaches(entry, outcome, fill.words);
    for (const std::string& breach : breaches) table.Add({"contract", "BROKEN: " + breach});
    if (!breaches.empty()) return kContractBroken;
    table.Add({"contract", "holds"});
    const AnswerCheck answer = CheckAnswer(request, outcome, SeparatorsNow());
    if (!answer.checked) table.Add({"answer", "not checked: no model or known answer covers these inputs"});
    else if (answer.wrong.empty()) table.Add({"answer", "right: as the models give it"});
    else {
        table.Add({"answer", "WRONG: " + answer.wrong});
        return kContractBroken;
    }
    return kAllHeld;
}

}  // namespace

int CallOne(CommandLine& line) {
    const std::uint16_t controlWord = line.TakeControlWord().value_or(kDefaultControlWord);
    line.RefuseOtherOptions();
    if (line.arguments.empty()) throw UsageError("call needs an export code, then its arguments");
    const ExportEntry& entry = EntryFor(line.arguments[0]);
    std::vector<SlotArgument> arguments;
    for (std::size_t i = 1; i < line.arguments.size(); ++i) arguments.push_back(ParseArgument(line.arguments[i]));
    std::mt19937 random{std::random_device{}()};
    const SlotFill fill = FillSlots(entry, arguments, random);

    Target target = Target::Open(line.dll);
    Table table;
    AddCallRows(table, entry, fill);
    if (!target.Exports(entry)) {
        table.Add({"contract", "BROKEN: " + target.Facts().FileName() + " does not export it"});
        Print(table.Text());
        return kContractBroken;
    }
    const Request request = RequestOf(entry, fill, controlWord);
    const Outcome outcome = target.Call(request);
    table.Add({"result", ResultWords(entry, outcome)});
    if (!outcome.fault && outcome.failure == Failure::None) AddReturnRows(table, outcome);
    const int status = AddVerdictRows(table, request, outcome, fill);
    Print(table.Text());
    return status;
}

}  // namespace lumi::call
