#include <string>

#include "tools/lumicall/commands/console.h"
#include "tools/lumicall/worker/version.h"

namespace lumi::call {

// lumicall --version: its own version, then the DLL's, checked and loaded
// as every command does.
int Version(CommandLine& line) {
    line.RefuseOtherOptions();
    if (!line.arguments.empty()) throw UsageError("--version takes no argument");
    Print("lumicall " + std::string(OwnVersion()) + "\n");
    const Target target = Target::Open(line.dll);
    const TargetFacts& facts = target.Facts();
    Print(facts.FileName() + " " + (facts.version.empty() ? "(no version resource)" : facts.version) +
          (FileIsTracingBuild(facts.loadedPath) ? " (tracing build)" : "") + "  " + facts.path + "\n");
    return kAllHeld;
}

}  // namespace lumi::call
