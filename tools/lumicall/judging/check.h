// The whole catalogue's contract on a loaded DLL, as data: what `lumicall
// check` prints and `lumicall verify` reports among its findings.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/lumicall/judging/answers.h"
#include "tools/lumicall/worker/target.h"

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
    std::size_t answersHeld = 0;    // known answers replayed that held
    std::size_t answersRaised = 0;  // ... that raised what the page lists (allowed; not counted)
};

// Every export held to its row, under the usual control words and, when
// given, also under the host's; with `knownAnswers`, each computing row's
// known answers replayed too, under 037F and the host's word.
ContractFindings CheckContracts(Target& target, std::optional<std::uint16_t> hostWord, Separators separators,
                                bool knownAnswers);

}  // namespace lumi::call
