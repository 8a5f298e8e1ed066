// The catalogue tables against the figures the catalogue is known to have,
// counted independently of its rows: a dropped, doubled or mistyped row
// changes one of these counts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <string>
#include <string_view>

#include "catalogue/catalogue.h"
#include "tools/models/arithmetic_reference.h"

namespace lumi::test {
namespace {

using Histogram = std::map<int, int>;

struct KnownText {
    std::u16string_view text;
    int units;
    int exports;
};

// Every distinct text with its length and the number of exports answering it.
constexpr KnownText kKnownTexts[] = {
    {u"Attempt to Open Buy @", 21, 1},      {u"Attempt to Open Sell @", 22, 1},
    {u"Attempt to Modify Order #", 25, 2},  {u"Attempt to Close ticket :", 25, 2},
    {u"Error Modify Order, err: ", 25, 2},  {u"Order Opened ", 13, 1},
    {u"\nBuy ", 5, 1},                      {u"\nSell ", 6, 1},
    {u"\nClose Buy ", 11, 1},               {u"\nClose Sell ", 12, 1},
    {u" TP ", 4, 2},                        {u" SL ", 4, 2},
    {u" (Trailing)", 11, 2},                {u" (DivoZizAvuzi LONG)", 20, 1},
    {u" (DivoZizAvuzi SHORT)", 21, 1},      {u" Activated", 10, 1},
    {u" Initializing...", 16, 1},           {u" Unitialized...", 15, 1},
    {u"UNINITIALIZED.....", 18, 1},         {u"Lumivextaran Alert", 18, 1},
    {u"Account Number : ", 17, 1},          {u"Account Name : ", 15, 1},
    {u"Leverage : 1 : ", 15, 1},            {u"Digits : ", 9, 1},
    {u"Points : ", 9, 1},                   {u"Spread : ", 9, 1},
    {u"Stop Level : ", 13, 1},              {u"Server Time = ", 14, 1},
    {u"MA Trend : ", 11, 1},                {u"Stoch Trend : ", 14, 1},
    {u"HighLow Trend : ", 16, 1},           {u"==============================", 30, 2},
    {u" ", 1, 6},                           {u"Arial Bold", 10, 18},
    {u"L", 1, 2},   {u"L1", 2, 3},  {u"L2", 2, 1},  {u"L3", 2, 1},  {u"L4", 2, 1},
    {u"L5", 2, 1},  {u"L6", 2, 1},  {u"L7", 2, 1},  {u"L8", 2, 1},  {u"L9", 2, 1},
    {u"L10", 3, 1}, {u"L11", 3, 1}, {u"L12", 3, 1}, {u"L13", 3, 1}, {u"L14", 3, 1},
    {u"L15", 3, 1}, {u"T1", 2, 3},  {u"T2", 2, 4},  {u"T3", 2, 4},  {u"TST", 3, 3},
    {u"M1", 2, 1},  {u"M5", 2, 1},  {u"M15", 3, 1}, {u"M30", 3, 1}, {u"H1", 2, 1},
    {u"H4", 2, 1},  {u"D1", 2, 1},  {u"W1", 2, 1},  {u"MN1", 3, 1},
};

// A slip in the table above must not pass for a slip in the catalogue.
constexpr bool LengthsAsStated() {
    return std::all_of(std::begin(kKnownTexts), std::end(kKnownTexts),
                       [](const KnownText& known) { return known.text.size() == std::size_t(known.units); });
}
static_assert(LengthsAsStated());
static_assert(std::size(kKnownTexts) == 63);

struct KnownNumber {
    ValueKind kind;
    double value;
    int exports;
};

constexpr KnownNumber kKnownNumbers[] = {
    {ValueKind::Integer, -99, 2},  {ValueKind::Integer, -1, 3},     {ValueKind::Integer, 0, 17},
    {ValueKind::Integer, 1, 14},   {ValueKind::Integer, 5, 1},      {ValueKind::Integer, 15, 1},
    {ValueKind::Integer, 30, 1},   {ValueKind::Integer, 60, 1},     {ValueKind::Integer, 240, 1},
    {ValueKind::Integer, 1440, 1}, {ValueKind::Integer, 10080, 1},  {ValueKind::Integer, 43200, 1},
    {ValueKind::Integer, 49374, 1}, {ValueKind::Double, 0.0, 6},    {ValueKind::Double, 1.0, 2},
};

std::u16string_view View(const char16_t* text) { return text == nullptr ? u"" : std::u16string_view(text); }

std::string Printable(std::u16string_view text) {
    std::string out;
    for (char16_t unit : text) out += unit == u'\n' ? std::string("\\n") : std::string(1, static_cast<char>(unit));
    return '"' + out + '"';
}

std::vector<const ExportEntry*> RowsOf(Family family) {
    std::vector<const ExportEntry*> rows;
    for (const ExportEntry& row : Catalogue())
        if (row.family == family) rows.push_back(&row);
    return rows;
}

TEST(CatalogueGuard, CodesAreTenDistinctCharactersOfIi1) {
    std::set<std::string_view> codes;
    for (const ExportEntry& row : Catalogue()) {
        EXPECT_EQ(row.code.size(), 10u) << row.code;
        EXPECT_EQ(row.code.find_first_not_of("Ii1"), std::string_view::npos) << row.code;
        EXPECT_TRUE(codes.insert(row.code).second) << row.code << " twice";
    }
    EXPECT_EQ(codes.size(), Catalogue().size());
}

TEST(CatalogueGuard, FamiliesConventionsAndSlotCounts) {
    std::map<Family, int> perFamily;
    Histogram calleePops;
    int noSlot = 0, callerPops = 0;
    for (const ExportEntry& row : Catalogue()) {
        ++perFamily[row.family];
        if (row.convention == Convention::CallerPops) ++callerPops;
        else if (row.slots == 0) ++noSlot;
        else ++calleePops[row.slots];
        if (row.convention == Convention::CallerPops) {
            EXPECT_EQ(row.family, Family::Formatting) << row.code;
            EXPECT_LE(row.slots, 6) << row.code << " reads beyond slot 6";
        }
    }
    const std::map<Family, int> families = {{Family::TextConstant, 105}, {Family::NumberConstant, 53},
                                            {Family::PassThrough, 55},   {Family::Arithmetic, 20},
                                            {Family::Formatting, 42}};
    EXPECT_EQ(perFamily, families);
    EXPECT_EQ(calleePops, (Histogram{{1, 2}, {2, 5}, {3, 7}, {4, 16}, {5, 26},
                                     {6, 40}, {7, 46}, {8, 98}, {9, 9}, {10, 4}}));
    EXPECT_EQ(noSlot, 1);
    EXPECT_EQ(callerPops, 21);
}

TEST(CatalogueGuard, FamilySlotHistograms) {
    const auto histogram = [](Family family) {
        Histogram counts;
        for (const ExportEntry* row : RowsOf(family)) ++counts[row->slots];
        return counts;
    };
    EXPECT_EQ(histogram(Family::TextConstant), (Histogram{{3, 1}, {4, 8}, {5, 5}, {6, 12}, {7, 23}, {8, 55}, {10, 1}}));
    EXPECT_EQ(histogram(Family::NumberConstant),
              (Histogram{{0, 1}, {2, 1}, {3, 3}, {4, 7}, {5, 7}, {6, 8}, {7, 5}, {8, 20}, {9, 1}}));
    for (Family family : {Family::TextConstant, Family::NumberConstant, Family::PassThrough, Family::Arithmetic})
        for (const ExportEntry* row : RowsOf(family)) EXPECT_EQ(row->convention, Convention::CalleePops) << row->code;
}

TEST(CatalogueGuard, TextStoreHoldsEachTextOnceAsStated) {
    std::set<std::u16string_view> distinct;
    std::multiset<int> lengths;
    for (const TextEntry& entry : Texts()) {
        const std::u16string_view text = View(entry.text);
        SCOPED_TRACE(std::string(entry.name));
        EXPECT_EQ(text.size(), std::size_t(entry.units)) << "units column disagrees with the literal";
        EXPECT_TRUE(distinct.insert(text).second) << "stored twice";
        EXPECT_TRUE(std::all_of(text.begin(), text.end(),
                                [](char16_t unit) { return unit == u'\n' || (unit >= 0x20 && unit <= 0x7E); }));
        lengths.insert(int(text.size()));
    }
    std::multiset<int> knownLengths;
    for (const KnownText& known : kKnownTexts) {
        knownLengths.insert(known.units);
        EXPECT_TRUE(distinct.count(known.text)) << "missing " << Printable(known.text);
    }
    EXPECT_EQ(lengths, knownLengths);
}

TEST(CatalogueGuard, ExportsPerText) {
    std::map<std::u16string_view, int> answered;
    for (const ExportEntry* row : RowsOf(Family::TextConstant)) ++answered[View(row->text)];
    EXPECT_EQ(answered.size(), std::size(kKnownTexts));
    for (const KnownText& known : kKnownTexts)
        EXPECT_EQ(answered[known.text], known.exports) << Printable(known.text);
}

TEST(CatalogueGuard, ExportsPerNumber) {
    std::map<std::pair<std::string_view, double>, int> answered;
    for (const ExportEntry* row : RowsOf(Family::NumberConstant)) {
        EXPECT_TRUE(row->result == ValueKind::Integer || row->result == ValueKind::Double) << row->code;
        const double value = row->result == ValueKind::Integer ? row->integer : row->real;
        ++answered[{KindName(row->result), value}];
        if (row->result == ValueKind::Double) {
            EXPECT_FALSE(std::signbit(row->real)) << row->code;
        }
    }
    std::map<std::pair<std::string_view, double>, int> known;
    for (const KnownNumber& number : kKnownNumbers) known[{KindName(number.kind), number.value}] = number.exports;
    EXPECT_EQ(answered, known);
}

TEST(CatalogueGuard, PassThroughSlots) {
    Histogram word, real;
    std::vector<std::string_view> widened;
    for (const ExportEntry* row : RowsOf(Family::PassThrough)) {
        ASSERT_EQ(row->InputCount(), 1) << row->code;
        const SlotInput input = row->inputs[0];
        EXPECT_LT(input.slot + (input.kind == ValueKind::Double ? 1 : 0), row->slots) << row->code;
        if (row->result == ValueKind::Word) ++word[input.slot];
        else if (input.kind == ValueKind::Double) ++real[input.slot];
        else widened.push_back(row->code);
    }
    EXPECT_EQ(word, (Histogram{{0, 16}, {1, 3}, {2, 3}, {3, 3}, {4, 4}, {5, 1}, {6, 2}, {7, 2}}));
    EXPECT_EQ(real, (Histogram{{0, 8}, {1, 1}, {2, 1}, {3, 3}, {4, 3}, {5, 1}, {6, 1}, {7, 2}}));
    ASSERT_EQ(widened.size(), 1u);
    const ExportEntry& widen = *FindEntry(widened[0]);
    EXPECT_EQ(widen.code, "iiii111iiI");
    EXPECT_EQ(widen.slots, 6);
    EXPECT_EQ(widen.inputs[0].slot, 4);
}

// The arithmetic model is a transcription of its own; the two must agree on
// every row's slots and inputs.
TEST(CatalogueGuard, ArithmeticRowsMatchTheModel) {
    EXPECT_EQ(RowsOf(Family::Arithmetic).size(), ArithmeticRows().size());
    for (const ArithmeticRow& model : ArithmeticRows()) {
        const ExportEntry* row = FindEntry(model.code);
        ASSERT_NE(row, nullptr) << model.code;
        SCOPED_TRACE(std::string(model.code));
        EXPECT_EQ(row->family, Family::Arithmetic);
        EXPECT_EQ(row->slots, model.slots);
        EXPECT_EQ(row->result, model.result);
        for (int i = 0; i < kMaxInputs; ++i) {
            EXPECT_EQ(row->inputs[i].slot, model.inputs[i].slot) << "input " << i;
            if (model.inputs[i].slot >= 0) {
                EXPECT_EQ(row->inputs[i].kind, model.inputs[i].kind) << "input " << i;
            }
        }
    }
}

TEST(CatalogueGuard, FormattingRoutines) {
    std::map<Routine, int> perRoutine, callerPops;
    for (const ExportEntry* row : RowsOf(Family::Formatting)) {
        ++perRoutine[row->routine];
        if (row->convention == Convention::CallerPops) ++callerPops[row->routine];
    }
    EXPECT_EQ(perRoutine, (std::map<Routine, int>{{Routine::FormatFixed, 21}, {Routine::FormatTime, 5},
                                                  {Routine::RoundToDigits, 12}, {Routine::MaxOf, 1},
                                                  {Routine::MinOf, 1}, {Routine::FindText, 2}}));
    EXPECT_EQ(callerPops, (std::map<Routine, int>{{Routine::FormatFixed, 16}, {Routine::FormatTime, 5}}));
}

}  // namespace
}  // namespace lumi::test
