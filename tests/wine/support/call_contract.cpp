#include "tests/wine/support/call_contract.h"

#include <cstring>
#include <sstream>

#include "tests/wine/support/decoys.h"

namespace lumi::test {

long double PiUnder(std::uint16_t controlWord) {
    long double pi;
    std::uint16_t saved;
    asm volatile("fnstcw %0" : "=m"(saved));
    // Cleared first: a flag of ours that the word unmasks would trap at fldpi.
    asm volatile("fnclex\n\tfldcw %1\n\tfldpi\n\tfldcw %2" : "=t"(pi) : "m"(controlWord), "m"(saved));
    return pi;
}

std::string CallContractFault(const CallRecord& record, std::uint32_t popped, bool leavesDouble) {
    std::ostringstream fault;
    if (record.popped != popped) fault << "popped " << record.popped << " bytes, want " << popped << "; ";
    const int left = leavesDouble ? 1 : 0;
    if (record.depthBefore != record.preloaded) fault << "x87 depth at the call " << record.depthBefore << "; ";
    if (record.depthAfter != record.depthBefore + left)
        fault << "x87 depth " << record.depthBefore << " -> " << record.depthAfter << ", want +" << left << "; ";
    const long double pi = PiUnder(record.controlWord);
    for (int i = 0; i < record.preloaded && i < kMaxPreloaded; ++i)
        if (std::memcmp(record.preloadedAfter[i], &pi, 10) != 0) fault << "caller's ST(" << i << ") changed; ";
    if (!record.RegistersKept()) fault << "callee-saved register changed; ";
    if (!record.ControlWordKept())
        fault << "control word " << Hex(record.controlWord) << " -> " << Hex(record.controlWordAfter)
              << " (masks, precision, rounding and infinity control compared); ";
    if (const std::uint16_t pending = record.UnmaskedFlags())
        fault << "left " << X87ExceptionWords(pending) << " pending, unmasked by control word "
              << Hex(record.controlWord) << "; ";
    return fault.str();
}

}  // namespace lumi::test
