// The whole catalogue's contract on a loaded DLL, as data: what `lumicall
// check` prints and `lumicall verify` reports among its findings.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tools/lumicall/library.h"

namespace lumi::call {

constexpr std::string_view kLibraryWide = "(library)";  // a problem of no one export

struct Problem {
    std::string_view code;  // or kLibraryWide
    std::string what;
};

struct ContractFindings {
    std::size_t exportCount = 0;             // names in the export directory
    std::vector<std::string_view> missing;   // catalogue codes the DLL does not export
    std::vector<Problem> problems;
};

ContractFindings CheckContracts(const Library& library);

}  // namespace lumi::call
