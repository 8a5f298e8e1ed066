// lumicall's call arguments: how each form is read, and how they are laid
// into a row's slots or refused with a reason.
#include "tools/lumicall/commands/slot_arguments.h"

#include <gtest/gtest.h>

#include <bit>
#include <string>
#include <vector>

namespace lumi::call {
namespace {

std::vector<SlotArgument> Parsed(std::initializer_list<std::string_view> spellings) {
    std::vector<SlotArgument> arguments;
    for (std::string_view spelling : spellings) arguments.push_back(ParseArgument(spelling));
    return arguments;
}

std::string RefusalOf(std::initializer_list<std::string_view> spellings, std::string_view code = "IIIiIiiiiI") {
    std::mt19937 random;
    try {
        FillSlots(*FindEntry(code), Parsed(spellings), random);
    } catch (const UsageError& error) {
        return error.what();
    }
    return "";
}

TEST(SlotArgumentsTest, EachFormReadsItsValue) {
    const struct {
        std::string_view spelling;
        ArgumentKind kind;
        int slot;
        std::uint32_t word;
    } kCases[] = {
        {"i:-5", ArgumentKind::Integer, -1, 0xFFFFFFFB},
        {"i:2147483647", ArgumentKind::Integer, -1, 0x7FFFFFFF},
        {"x:DEADBEEF", ArgumentKind::Raw, -1, 0xDEADBEEF},
        {"x:0x1f", ArgumentKind::Raw, -1, 0x1F},
        {"null", ArgumentKind::Null, -1, 0},
        {"3=i:7", ArgumentKind::Integer, 3, 7},
        {"15=null", ArgumentKind::Null, 15, 0},
    };
    for (const auto& c : kCases) {
        const SlotArgument argument = ParseArgument(c.spelling);
        EXPECT_EQ(argument.kind, c.kind) << c.spelling;
        EXPECT_EQ(argument.slot, c.slot) << c.spelling;
        EXPECT_EQ(argument.word, c.word) << c.spelling;
    }
    EXPECT_EQ(std::bit_cast<std::uint64_t>(ParseArgument("d:-0").real), 0x8000000000000000u);
    EXPECT_EQ(ParseArgument("d:1.23456").real, 1.23456);
    EXPECT_EQ(ParseArgument("t:héllo: a=b").text, u"héllo: a=b");
}

TEST(SlotArgumentsTest, MalformedArgumentsAreRefusedWithTheReason) {
    const struct {
        std::string_view spelling;
        std::string_view reason;
    } kCases[] = {
        {"d:abc", "is not a number"}, {"d:", "is not a number"}, {"d:1.5x", "is not a number"},
        {"i:2147483648", "outside the 32-bit signed range"}, {"i:1.5", "not a decimal integer"},
        {"x:123456789", "not a 32-bit hexadecimal word"}, {"x:G", "not a 32-bit hexadecimal word"},
        {"16=i:1", "slot before = must be 0 to 15"}, {"q:1", "is not an argument"}, {"1.5", "is not an argument"},
    };
    for (const auto& c : kCases) {
        try {
            ParseArgument(c.spelling);
            ADD_FAILURE() << c.spelling << " was accepted";
        } catch (const UsageError& error) {
            EXPECT_NE(std::string(error.what()).find(c.reason), std::string::npos) << error.what();
        }
    }
}

TEST(SlotArgumentsTest, ArgumentsFillSlotsInOrderAndDecoysTheRest) {
    // FormatFixed(value = slots 1-2, digits = slot 6), caller-pops.
    std::mt19937 random;
    const SlotFill fill = FillSlots(*FindEntry("IIIiIiiiiI"), Parsed({"x:0", "d:1.5", "6=i:5"}), random);
    ASSERT_EQ(fill.words.size(), 7u);
    EXPECT_EQ(fill.words[0], 0u);
    EXPECT_EQ(fill.words[1], 0u);
    EXPECT_EQ(fill.words[2], 0x3FF80000u);
    EXPECT_EQ(fill.words[6], 5u);
    EXPECT_EQ(fill.given, (std::vector<bool>{true, true, true, false, false, false, true}));

    // A caller-pops row takes as many slots as the arguments reach.
    EXPECT_EQ(FillSlots(*FindEntry("IIIiIiiiiI"), Parsed({"1=d:1.5", "6=i:5", "9=x:1"}), random).words.size(), 10u);

    // A text argument points at its own UTF-16 copy.
    const SlotFill search = FillSlots(*FindEntry("iIiIIiIii1"), Parsed({"t:Buy", "null", "t:"}), random);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(search.words[0])), u"Buy");
    EXPECT_EQ(search.words[1], 0u);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(search.words[2])), u"");
}

TEST(SlotArgumentsTest, ArgumentsThatDoNotFitTheRowAreRefused) {
    const struct {
        std::initializer_list<std::string_view> arguments;
        std::string_view code;
        std::string_view reason;
    } kCases[] = {
        {{"1=d:1.5"}, "IIIiIiiiiI", "slot 6 of IIIiIiiiiI (integer) has no argument"},
        {{"6=i:5"}, "IIIiIiiiiI", "slots 1-2 of IIIiIiiiiI (double) has no argument"},
        {{"d:1.5", "6=i:5"}, "IIIiIiiiiI", "'d:1.5' does not fit slots 1-2"},
        {{"x:0", "i:1", "i:2", "6=i:5"}, "IIIiIiiiiI", "'i:1' does not fit slots 1-2"},
        {{"1=d:1.5", "6=d:5"}, "IIIiIiiiiI", "'6=d:5' does not fit slot 6"},
        {{"1=d:1.5", "6=t:5"}, "IIIiIiiiiI", "'6=t:5' does not fit slot 6"},
        {{"i:1", "x:0", "2=i:0"}, "iIiIIiIii1", "'i:1' does not fit slot 0 of iIiIIiIii1 (text)"},
        {{"1=d:1", "1=d:2", "6=i:1"}, "IIIiIiiiiI", "slot 1 is given twice"},
        {{"d:1", "x:0", "x:0", "x:0", "x:0", "x:0", "x:0"}, "IIi1IIiI11", "takes 6 slots and removes them itself"},
        {{"i:1", "i:2", "i:3", "i:4"}, "iI11IIii1I", "takes 3 slots and removes them itself"},
        {{"i:1"}, "11ii1I1iII", "takes no slot; the arguments reach slot 0"},
        {{"i:1", "i:2"}, "1i1I1Ii1ii", "takes 1 slot and removes"},
        {{"17=i:1"}, "IIIiIiiiiI", "slot before = must be 0 to 15"},
    };
    for (const auto& c : kCases) EXPECT_NE(RefusalOf(c.arguments, c.code).find(c.reason), std::string::npos)
        << c.code << ": " << RefusalOf(c.arguments, c.code);

    // Raw words may stand for anything, a double's halves included.
    EXPECT_EQ(RefusalOf({"x:0", "x:0", "x:3FF00000", "x:0", "x:0", "x:0", "x:2"}), "");
    EXPECT_EQ(RefusalOf({"x:1", "x:0", "x:2"}, "iIiIIiIii1"), "");
}

}  // namespace
}  // namespace lumi::call
