#include "tools/lumicall/commands/reported_run.h"

#include <exception>

#include "tools/lumicall/judging/output.h"
#include "tools/lumicall/worker/exit_status.h"

namespace lumi::call {

int RunReported(const ReportedRun& run) {
    const ReportFile report(run.reportPath);
    if (run.beforeWork) run.beforeWork();
    try {
        Findings findings;
        const Verdict verdict = run.work(findings);
        Print(findings.Ending(kFailuresShown, verdict.words, run.command));
        report.Write(findings.Said() + findings.Ending(findings.FailureCount(), verdict.words, run.command));
        return verdict.held ? kAllHeld : verdict.machineFault ? kMachineFault : kContractBroken;
    } catch (const std::exception& error) {
        report.Write("lumicall: " + std::string(error.what()) + "\n");
        throw;
    }
}

}  // namespace lumi::call
