// lumicall call CODE ARG... [--cw HEX]: one export through the raw-slot thunk.
#include <random>

#include "catalogue/describe.h"
#include "tools/lumicall/console.h"
#include "tools/lumicall/contract.h"

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

    const Library library = OpenLibrary(line.dll);
    const void* function = library.Export(entry.code);
    if (function == nullptr) throw LoadError(library.FileName() + " has no export " + std::string(kExportPrefix) + std::string(entry.code));
    const Outcome outcome = CallExport(function, entry, fill.words, controlWord);
    const std::vector<std::string> breaches = Breaches(entry, outcome);

    const std::string count = SlotCountWords(entry);
    const bool one = count == "1" || count.ends_with(" 1");
    Table table;
    table.Add({"export", std::string(kExportPrefix) + std::string(entry.code) + "  (" +
                             std::string(ConventionWords(entry.convention)) + ", " + count + (one ? " slot)" : " slots)")});
    table.Add({"body", BodyWords(entry)});
    table.Add({"slots", SlotList(fill, true)});
    table.Add({"decoys", SlotList(fill, false)});
    table.Add({"result", ResultWords(entry, outcome)});
    if (!outcome.fault) {
        const int depth = outcome.record.depthAfter - outcome.record.depthBefore;
        table.Add({"popped", PoppedWords(outcome.record.popped)});
        table.Add({"x87", "depth " + std::string(depth >= 0 ? "+" : "") + std::to_string(depth) + ", control word " +
                              Hex(outcome.record.controlWordAfter, 4) + " after the call (" +
                              std::string(kControlWordCompared) + " compared)"});
        if (const std::uint16_t pending = outcome.record.UnmaskedFlags())
            table.Add({"raised", X87ExceptionWords(pending) + ", unmasked by the control word and left pending"});
    }
    if (breaches.empty()) table.Add({"contract", "holds"});
    for (const std::string& breach : breaches) table.Add({"contract", "BROKEN: " + breach});
    Print(table.Text());
    return breaches.empty() ? kAllHeld : kContractBroken;
}

}  // namespace lumi::call
