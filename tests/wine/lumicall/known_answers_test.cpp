// The known answers compiled into lumicall: they fit the catalogue, cover
// every export that computes, and are looked up under the right control word.
#include <gtest/gtest.h>

#include <set>
#include <string_view>

#include "catalogue/catalogue.h"
#include "tools/lumicall/judging/known_answers.h"

namespace lumi::call {
namespace {

constexpr std::size_t kLeastCases = 5000;

TEST(KnownAnswers, FitTheCatalogueAndCoverEveryExportThatComputes) {
    EXPECT_EQ(TableMismatch(), "");
    EXPECT_GE(KnownCases().size(), kLeastCases);
    std::set<std::string_view> answered;
    for (const KnownCase& known : KnownCases()) answered.insert(known.code);
    for (const ExportEntry& entry : Catalogue()) {
        const bool computes = entry.family == Family::Arithmetic || entry.family == Family::Formatting;
        EXPECT_TRUE(!computes || answered.contains(entry.code)) << entry.code << " has no known answer";
    }
}

// The table's order: 64, 53 and 24 bits, each to nearest, down, up, toward
// zero. Exception masks and the infinity bit play no part.
TEST(KnownAnswers, ControlWordsSelectTheirCombination) {
    const struct {
        std::uint16_t word;
        std::optional<int> combination;
    } cases[] = {
        {0x037F, 0}, {0x077F, 1}, {0x0B7F, 2}, {0x0F7F, 3}, {0x027F, 4}, {0x0E7F, 7},
        {0x007F, 8}, {0x0C7F, 11}, {0x1332, 0}, {0x1372, 0}, {0x1272, 4}, {0x017F, std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(CombinationOf(c.word), c.combination) << std::hex << c.word;
}

}  // namespace
}  // namespace lumi::call
