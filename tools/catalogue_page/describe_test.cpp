// The words for catalogue rows: representative rows of every family, and for
// every row, that the slots its body names are exactly the slots it reads.
#include "catalogue/describe.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>

namespace lumi {
namespace {

struct RowWords {
    std::string_view code;
    std::string slots, reads, result, body;
};

const RowWords kRows[] = {
    {"iI11IIii1I", "3", "none", "text", R"("Arial Bold")"},
    {"IiIIiII1II", "6", "none", "text", R"("\nBuy ")"},
    {"11ii1I1iII", "none", "none", "integer", "1"},
    {"Ii1iIiIIIi", "8", "none", "integer", "-99"},
    {"iIIII1Iiii", "4", "none", "double", "0.0"},
    {"i1i1iI1iIi", "6", "3 word", "word", "slot 3 unchanged"},
    {"1iii1iI111", "6", "4-5 double", "double", "double of slots 4-5"},
    {"iiii111iiI", "6", "4 integer", "double", "slot 4 widened to double"},
    {"iI1IIiIIiI", "9", "0-1 double, 3-4 double, 5-6 double", "double",
     "(slots 5-6 × slots 0-1) + slots 3-4, rounded to double once"},
    {"I1I1iiiIIi", "9", "0-1 double, 4-5 double, 6-7 double", "double",
     "slots 6-7 − (slots 4-5 × slots 0-1), rounded to double once"},
    {"Ii1Ii1IiI1", "8", "0-1 double, 2-3 double, 4-5 double, 6-7 double", "double",
     "(slots 6-7 / (slots 0-1 × slots 4-5)) × slots 2-3, rounded to double once"},
    {"1I1IIii11I", "8", "1-2 double, 3-4 double", "double",
     "(slots 3-4 × slots 1-2) × 0.01, rounded to double once"},
    {"1iiiii1iIi", "6", "0-1 double", "double", "slots 0-1 / 10.0, rounded to double once"},
    {"1IiiIii11i", "5", "2 integer", "integer", "(slot 2 × 10) wrapped to 32 bits"},
    {"IIII1I11ii", "10", "2-3 double, 7 integer", "truth value",
     "1 if (slots 2-3 > 0.0) and (slot 7 ≠ 134), else 0"},
    {"IIIiIiiiiI", "at least 7", "1-2 double, 6 integer", "text",
     "FormatFixed(value = slots 1-2, digits = slot 6)"},
    {"1ii11IiI1I", "at least 3", "0 integer, 1-2 double", "text",
     "FormatFixed(value = slots 1-2, digits = slot 0)"},
    {"IIi1IIiI11", "6", "0-1 double", "text", "FormatFixed(value = slots 0-1, digits = 0)"},
    {"1IIiiI1Ii1", "at least 4", "3 time", "text",
     R"(FormatTime(time = slot 3, PatternDateTime "yyyy.mm.dd h:n"))"},
    {"iII1IIiI1i", "at least 1", "0 time", "text", R"(FormatTime(time = slot 0, PatternTime "h:n"))"},
    {"i1iIIIiI1I", "6", "4-5 double", "double",
     "RoundToDigits(value = slots 4-5, digits = 2), rounded to double"},
    {"1ii1Ii1iiI", "7", "0 integer, 2-3 double", "double",
     "RoundToDigits(value = slots 2-3, digits = slot 0), rounded to double"},
    {"11iIIIi1i1", "7", "0-1 double, 4-5 double", "double", "MaxOf(a = slots 4-5, b = slots 0-1)"},
    {"Iii1i1ii1I", "8", "2-3 double, 6-7 double", "double", "MinOf(a = slots 6-7, b = slots 2-3)"},
    {"iIiIIiIii1", "3", "0 text, 2 text", "integer", "FindText(text = slot 2, pattern = slot 0, start = 0)"},
};

TEST(DescribeTest, RepresentativeRowsOfEveryFamily) {
    for (const RowWords& expected : kRows) {
        const ExportEntry* entry = FindEntry(expected.code);
        ASSERT_NE(entry, nullptr) << expected.code;
        SCOPED_TRACE(std::string(expected.code));
        EXPECT_EQ(SlotCountWords(*entry), expected.slots);
        EXPECT_EQ(InputWords(*entry), expected.reads);
        EXPECT_EQ(ResultWords(*entry), expected.result);
        EXPECT_EQ(BodyWords(*entry), expected.body);
    }
}

TEST(DescribeTest, ConventionWords) {
    EXPECT_EQ(ConventionWords(FindEntry("IIIiIiiiiI")->convention), "caller-pops");
    EXPECT_EQ(ConventionWords(FindEntry("iI11IIii1I")->convention), "callee-pops");
}

// The words of a body name the row's inputs, no more and no fewer: a body
// string and an input list that disagree, or a term left unrendered, show here.
std::set<std::string> SlotsNamedIn(const std::string& words) {
    static const std::regex kSlotWords(R"(slots? (\d+(-\d+)?))");
    std::set<std::string> named;
    for (std::sregex_iterator it(words.begin(), words.end(), kSlotWords), end; it != end; ++it)
        named.insert((*it)[1]);
    return named;
}

TEST(DescribeTest, EveryBodyNamesExactlyTheSlotsItsRowReads) {
    static const std::regex kTableTerm(R"(\b(D|I|W|T|Slot|Constant|Int32)\()");
    for (const ExportEntry& entry : Catalogue()) {
        SCOPED_TRACE(std::string(entry.code));
        const std::string words = BodyWords(entry);
        EXPECT_FALSE(std::regex_search(words, kTableTerm)) << words;
        std::set<std::string> reads;
        for (int i = 0; i < entry.InputCount(); ++i) {
            const int slot = entry.inputs[i].slot;
            reads.insert(entry.inputs[i].kind == ValueKind::Double
                             ? std::to_string(slot) + "-" + std::to_string(slot + 1)
                             : std::to_string(slot));
        }
        if (entry.family != Family::TextConstant) {
            EXPECT_EQ(SlotsNamedIn(words), reads) << words;
        }
    }
}

TEST(DescribeTest, QuotedTextEscapesControlsAndEncodesUtf8) {
    const struct {
        std::u16string_view text;
        std::string quoted;
    } kCases[] = {
        {u"", R"("")"},
        {u" TP ", R"(" TP ")"},
        {u"\nClose Buy\t", R"("\nClose Buy\t")"},
        {u"say \"hi\" \\ bye", R"("say \"hi\" \\ bye")"},
        {u"\x1B[0m\x7F\r", R"("\u001B[0m\u007F\u000D")"},
        {u"é€", "\"é€\""},
        {u"\U0001F600", "\"\xF0\x9F\x98\x80\""},
        {u"\xD800x", R"("\uD800x")"},
        {u"x\xDC00", R"("x\uDC00")"},
    };
    for (const auto& c : kCases) EXPECT_EQ(QuotedText(c.text), c.quoted);
}

}  // namespace
}  // namespace lumi
