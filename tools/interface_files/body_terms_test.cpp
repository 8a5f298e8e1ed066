// The rows read back as a machine needs them: the operations of an
// expression in the order the unit performs them, the role of each slot,
// and a routine's arguments.
#include <gtest/gtest.h>

#include <set>

#include "catalogue/body_terms.h"
#include "catalogue/describe.h"

namespace lumi {
namespace {

// "load 0; multiply 4; reverse-divide 6": each operation and its slot or constant.
std::string Steps(std::string_view code) {
    std::string steps;
    for (const Operation& operation : ExpressionOperations(*FindEntry(code))) {
        steps += (steps.empty() ? "" : "; ") + std::string(operation.op);
        if (operation.op == "and") continue;
        steps += " " + (operation.operand.slot >= 0 ? std::to_string(operation.operand.slot) : operation.operand.constant);
    }
    return steps;
}

TEST(BodyTerms, ExpressionOperationsComeInTheOrderTheUnitPerformsThem) {
    const std::pair<std::string_view, std::string_view> kRows[] = {
        {"i11iI1i1I1", "load 0; divide 2"},
        {"11iIII1IIi", "load 5; subtract 2"},
        {"1I1IIii11I", "load 3; multiply 1; multiply 0.01"},
        {"iI1IIiIIiI", "load 5; multiply 0; add 3"},
        {"I1I1iiiIIi", "load 4; multiply 0; reverse-subtract 6"},
        {"Ii1Ii1IiI1", "load 0; multiply 4; reverse-divide 6; multiply 2"},
        {"1IiiIii11i", "load 2; multiply 10"},
        {"IIII1I11ii", "load 2; greater 0.0; and; load 7; not-equal 134"},
    };
    for (const auto& [code, steps] : kRows) EXPECT_EQ(Steps(code), steps) << code;
}

TEST(BodyTerms, EachSlotReadIsNamedForWhatItFeeds) {
    // Roles in input order (inputs are in slot order).
    const std::pair<std::string_view, std::vector<std::string>> kRows[] = {
        {"11iIIIi1i1", {"b", "a"}},            // MaxOf(D(4), D(0))
        {"Ii1II1ii11", {"pattern", "text"}},   // FindText(T(3), T(2), 0)
        {"1ii11IiI1I", {"digits", "value"}},   // digits from slot 0, ahead of the value
        {"iI1IIiIIiI", {"b", "c", "a"}},       // D(5) * D(0) + D(3)
        {"1IiiIii11i", {"value"}},
        {"iiii111iiI", {"value"}},
    };
    for (const auto& [code, roles] : kRows) {
        const ExportEntry& entry = *FindEntry(code);
        const auto named = InputRoles(entry);
        EXPECT_EQ(std::vector<std::string>(named.begin(), named.begin() + entry.InputCount()), roles) << code;
    }
}

TEST(BodyTerms, WordsUseTheDeclarationsNames) {
    const ExportEntry& entry = *FindEntry("iI1IIiIIiI");
    const auto roles = InputRoles(entry);
    const SlotNamer namer = [&](int slot) {
        for (int i = 0; i < entry.InputCount(); ++i)
            if (entry.inputs[i].slot == slot) return roles[i];
        return std::string("?");
    };
    EXPECT_EQ(BodyWords(entry, &namer), "(a × b) + c, rounded to double once");
    EXPECT_EQ(BodyWords(entry), "(slots 5-6 × slots 0-1) + slots 3-4, rounded to double once");
}

// A routine row's arguments name each slot it reads exactly once, and its
// fixed arguments are the routine's: digits, a pattern, the search start.
TEST(BodyTerms, RoutineArgumentsNameEachInputOnce) {
    for (const ExportEntry& entry : Catalogue()) {
        if (entry.family != Family::Formatting) continue;
        std::multiset<int> named, read;
        for (const RoutineArgument& argument : RoutineArguments(entry)) {
            if (argument.from.slot >= 0) named.insert(argument.from.slot);
            else if (!argument.from.constantName.empty()) EXPECT_EQ(entry.routine, Routine::FormatTime) << entry.code;
            else EXPECT_TRUE(argument.parameter == "digits" || argument.parameter == "start") << entry.code;
        }
        for (int i = 0; i < entry.InputCount(); ++i) read.insert(entry.inputs[i].slot);
        EXPECT_EQ(named, read) << entry.code;
    }
}

}  // namespace
}  // namespace lumi
