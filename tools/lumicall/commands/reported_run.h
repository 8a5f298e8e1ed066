// The run that verify, compare and replay share: the report opened before
// any work, the command's own work, its findings' end and verdict on the
// console and all of them in the report, a failure written to the report
// too, and the exit status the verdict gives.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "tools/lumicall/judging/findings.h"

namespace lumi::call {

constexpr std::size_t kFailuresShown = 20;  // on the console; the report has them all

// How a command's work ended.
struct Verdict {
    std::string words;          // "VERDICT: ..."
    bool held = false;          // exit status kAllHeld
    bool machineFault = false;  // when it did not hold: kMachineFault (the machine's x87 failed), else kContractBroken
};

struct ReportedRun {
    std::string_view command;  // whose --report writes all the failures: "verify", "compare", "replay"
    std::string reportPath;    // --report's; empty for none
    // Checked once the report is open, before the work; what it throws is
    // not written to the report.
    std::function<void()> beforeWork;
    std::function<Verdict(Findings&)> work;
};

// The exit status of the run; a failure of the work is written to the
// report, then thrown on.
int RunReported(const ReportedRun& run);

}  // namespace lumi::call
