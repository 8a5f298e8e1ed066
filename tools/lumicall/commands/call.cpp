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
    const std::string count = SlotCountWords(entry);
    const bool one = count == "1" || count.ends_with(" 1");
    Table table;
    table.Add({"export", std::string(kExportPrefix) + std::string(entry.code) + "  (" +
                             std::string(ConventionWords(entry.convention)) + ", " + count +
                             (count == "none" ? " slots)" : one ? " slot)" : " slots)")});
    table.Add({"body", BodyWords(entry)});
    table.Add({"slots", SlotList(fill, true)});
    table.Add({"decoys", SlotList(fill, false)});
    if (!target.Exports(entry)) {
        table.Add({"contract", "BROKEN: " + target.Facts().FileName() + " does not export it"});
        Print(table.Text());
        return kContractBroken;
    }
    const Request request = RequestOf(entry, fill, controlWord);
    const Outcome outcome = target.Call(request);
    const std::vector<std::string> breaches = Breaches(entry, outcome, fill.words);

    table.Add({"result", ResultWords(entry, outcome)});
    const bool returned = !outcome.fault && outcome.failure == Failure::None;
    if (returned) {
        const int depth = outcome.record.depthAfter - outcome.record.depthBefore;
        table.Add({"popped", PoppedWords(outcome.record.popped)});
        table.Add({"x87", "depth " + std::string(depth >= 0 ? "+" : "") + std::to_string(depth) + ", control word " +
                              Hex(outcome.record.controlWordAfter, 4) + " after the call (" +
                              std::string(kControlWordCompared) + " compared)"});
        if (const std::uint16_t pending = outcome.record.UnmaskedFlags())
            table.Add({"raised", X87ExceptionWords(pending) + ", unmasked by the control word and left pending"});
    }
    if (CallersPointerFault(outcome)) {
        table.Add({"contract", "not judged: the fault came from the text pointer you gave in slot " +
                                   std::to_string(outcome.callersPointerSlot) + ", not from the export"});
        Print(table.Text());
        return kAllHeld;
    }
    if (RaiseAllowed(entry, outcome, fill.words)) {
        table.Add({"contract", "holds: it raised " + X87ExceptionWords(RaisedBits(outcome)) +
                                   ", which the catalogue page lists for these inputs where the word unmasks it; "
                                   "the answer is not judged"});
        Print(table.Text());
        return kAllHeld;
    }
    for (const std::string& breach : breaches) table.Add({"contract", "BROKEN: " + breach});
    int status = breaches.empty() ? kAllHeld : kContractBroken;
    if (breaches.empty()) {
        table.Add({"contract", "holds"});
        const AnswerCheck answer = CheckAnswer(request, outcome, SeparatorsNow());
        if (!answer.checked) table.Add({"answer", "not checked: no model or known answer covers these inputs"});
        else if (answer.wrong.empty()) table.Add({"answer", "right: as the models give it"});
        else {
            table.Add({"answer", "WRONG: " + answer.wrong});
            status = kContractBroken;
        }
    }
    Print(table.Text());
    return status;
}

}  // namespace lumi::call
