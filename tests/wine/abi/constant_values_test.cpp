// What the text constant, number constant and pass-through exports answer,
// read from the DLL itself and held against the values the script relies on.
#include <gtest/gtest.h>

#include <cfloat>
#include <cstdint>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "tests/wine/abi/row_model.h"

namespace lumi::test {
namespace {

std::vector<const ExportEntry*> RowsOf(Family family, ValueKind result) {
    std::vector<const ExportEntry*> rows;
    for (const ExportEntry& row : Catalogue())
        if (row.family == family && row.result == result) rows.push_back(&row);
    return rows;
}

std::uint32_t Eax(const ExportEntry& row, const Slots& slots) { return Call(row.code, slots).eax; }
std::uint32_t Eax(const ExportEntry& row) { return Eax(row, Slots(row.slots)); }

std::uint64_t DoubleResult(const ExportEntry& row, const Slots& slots) {
    const CallRecord record = Call(row.code, slots);
    EXPECT_EQ(record.depthAfter, record.depthBefore + 1) << row.code;
    const auto bits = ResultDoubleBits(record);
    EXPECT_TRUE(bits.has_value()) << row.code << ": ST(0) holds no double";
    return bits.value_or(0);
}

TEST(TextConstants, EveryExportAnswersItsTextUnitByUnit) {
    for (const ExportEntry* row : RowsOf(Family::TextConstant, ValueKind::Text)) {
        const std::uint32_t pointer = Eax(*row);
        ASSERT_NE(pointer, 0u) << row->code;
        EXPECT_EQ(TextAt(pointer), std::u16string(row->text)) << row->code;
    }
}

TEST(TextConstants, OnePointerPerTextOnEveryCall) {
    std::map<std::u16string, std::uint32_t> pointerOf;
    std::map<std::uint32_t, std::u16string> textAt;
    for (const ExportEntry* row : RowsOf(Family::TextConstant, ValueKind::Text)) {
        const std::uint32_t pointer = Eax(*row);
        EXPECT_EQ(Eax(*row), pointer) << row->code << ": a second call moved the text";
        const std::u16string text = TextAt(pointer);
        const auto [known, first] = pointerOf.emplace(text, pointer);
        EXPECT_EQ(known->second, pointer) << row->code << ": a second copy of its text";
        const auto [owner, fresh] = textAt.emplace(pointer, text);
        EXPECT_EQ(owner->second, text) << row->code << ": one pointer, two texts";
    }
    EXPECT_EQ(pointerOf.size(), Texts().size());
}

TEST(TextConstants, EdgesOfTheTexts) {
    struct Case {
        const char* code;
        std::u16string text;
    };
    const Case cases[] = {
        {"i1IIiIi1i1", u" TP "},       {"IiIIiII1II", u"\nBuy "},
        {"1i1I1I1II1", u"\nSell "},    {"IIii1Ii1Ii", u" "},
        {"I1iIii1I1i", std::u16string(30, u'=')},
        {"iI11IIii1I", u"Arial Bold"}, {"1iIII1i11I", u"L"},
        {"IIiI11Iiii", u"Error Modify Order, err: "},
        {"Ii1Ii1i11I", u"Lumivextaran Alert"},
    };
    for (const Case& c : cases) EXPECT_EQ(TextAt(Eax(Row(c.code))), c.text) << c.code;
}

TEST(NumberConstants, IntegersAsTwosComplementWords) {
    std::map<std::int32_t, int> answered;
    for (const ExportEntry* row : RowsOf(Family::NumberConstant, ValueKind::Integer)) {
        const std::uint32_t eax = Eax(*row);
        EXPECT_EQ(eax, static_cast<std::uint32_t>(row->integer)) << row->code;
        ++answered[static_cast<std::int32_t>(eax)];
    }
    const std::map<std::int32_t, int> known = {
        {-99, 2}, {-1, 3}, {0, 17}, {1, 14}, {5, 1}, {15, 1}, {30, 1},
        {60, 1}, {240, 1}, {1440, 1}, {10080, 1}, {43200, 1}, {49374, 1}};
    EXPECT_EQ(answered, known);
    EXPECT_EQ(Eax(Row("Ii1iIiIIIi")), 0xFFFFFF9Du);
    EXPECT_EQ(Eax(Row("IIIIIIIIiI")), 0xFFFFFFFFu);
    EXPECT_EQ(Eax(Row("11ii1I1iII")), 1u);
}

TEST(NumberConstants, DoublesArePositiveZeroAndOne) {
    constexpr std::uint64_t kPositiveZero = 0, kOne = 0x3FF0000000000000;
    std::map<std::uint64_t, int> answered;
    for (const ExportEntry* row : RowsOf(Family::NumberConstant, ValueKind::Double))
        ++answered[DoubleResult(*row, Slots(row->slots, 0xFFFFFFFF))];
    EXPECT_EQ(answered, (std::map<std::uint64_t, int>{{kPositiveZero, 6}, {kOne, 2}}));
}

TEST(PassThrough, OneSlotComesBackBitForBit) {
    static const char16_t kSomeText[] = u"x";
    const std::uint32_t words[] = {
        0, 0xFFFFFFFF, 0x80000000, 0x7FFFFFFF, 1, 0xFFFFFF9D,
        static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(kSomeText)),
        0xDEADBEEF,  // a stale pointer is handed back unread
    };
    for (const ExportEntry* row : RowsOf(Family::PassThrough, ValueKind::Word))
        for (std::uint32_t word : words) {
            const int slot = row->inputs[0].slot;
            EXPECT_EQ(Eax(*row, Slots(row->slots, ~word).Word(slot, word)), word) << row->code << " slot " << slot;
        }
}

TEST(PassThrough, DoubleComesBackUnchanged) {
    struct Case {
        const char* what;
        std::uint64_t given, answered;
    };
    const Case cases[] = {
        {"+0", 0x0000000000000000, 0x0000000000000000},
        {"-0", 0x8000000000000000, 0x8000000000000000},
        {"+inf", 0x7FF0000000000000, 0x7FF0000000000000},
        {"-inf", 0xFFF0000000000000, 0xFFF0000000000000},
        {"smallest subnormal", 0x0000000000000001, 0x0000000000000001},
        {"largest subnormal", 0x000FFFFFFFFFFFFF, 0x000FFFFFFFFFFFFF},
        {"negative subnormal", 0x800FFFFFFFFFFFFF, 0x800FFFFFFFFFFFFF},
        {"smallest normal", 0x0010000000000000, 0x0010000000000000},
        {"DBL_MAX", 0x7FEFFFFFFFFFFFFF, 0x7FEFFFFFFFFFFFFF},
        {"-DBL_MAX", 0xFFEFFFFFFFFFFFFF, 0xFFEFFFFFFFFFFFFF},
        {"0.1", 0x3FB999999999999A, 0x3FB999999999999A},
        {"quiet NaN with payload", 0x7FF8000000012345, 0x7FF8000000012345},
        {"negative quiet NaN with payload", 0xFFF8000000012345, 0xFFF8000000012345},
        {"signalling NaN comes back quieted", 0x7FF0000000012345, 0x7FF8000000012345},
        {"negative signalling NaN", 0xFFF4000000000001, 0xFFFC000000000001},
    };
    for (const ExportEntry* row : RowsOf(Family::PassThrough, ValueKind::Double)) {
        if (row->inputs[0].kind != ValueKind::Double) continue;
        const int slot = row->inputs[0].slot;
        for (const Case& c : cases) {
            const Slots slots = Slots(row->slots, 0x7FF00001).DoubleBits(slot, c.given);
            EXPECT_EQ(Hex(DoubleResult(*row, slots)), Hex(c.answered)) << row->code << ": " << c.what;
        }
    }
}

TEST(PassThrough, IntegerWidensExactly) {
    const ExportEntry& row = Row("iiii111iiI");
    const std::int32_t values[] = {INT32_MIN, INT32_MAX, -7, 0, 1, -1, 16777217};
    for (std::int32_t value : values) {
        const Slots slots = Slots(row.slots, 0xFFFFFFFF).Word(4, static_cast<std::uint32_t>(value));
        EXPECT_EQ(Hex(DoubleResult(row, slots)), Hex(Bits(static_cast<double>(value)))) << value;
    }
}

// A double of the last slots, whatever the slots before it hold.
TEST(PassThrough, NineSlotRowReadsOnlySlotsSevenAndEight) {
    const ExportEntry& row = Row("1iIi1iI1I1");
    for (std::uint32_t decoy : {0u, 0xFFFFFFFFu, 0x7FF00001u})
        EXPECT_EQ(DoubleResult(row, Slots(9, decoy).Double(7, -1234.5)), Bits(-1234.5));
}

}  // namespace
}  // namespace lumi::test
