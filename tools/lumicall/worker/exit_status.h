// lumicall's exit statuses, the worker's among them.
#pragma once

namespace lumi::call {

constexpr int kAllHeld = 0;
constexpr int kContractBroken = 1;
constexpr int kWrongUse = 2;
// This machine failed the x87 self-test, and what was found cannot be held against the DLL.
constexpr int kMachineFault = 3;

}  // namespace lumi::call
