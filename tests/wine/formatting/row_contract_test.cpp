// The 42 formatting, rounding and search rows called the way a host calls
// them: the published rows are the ones exported, every call keeps the
// calling contract, and no decoy slot, extra pushed slot, control word
// setting or caller's x87 value moves a result.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sstream>
#include <vector>

#include "tests/wine/formatting/formatting_rows.h"

namespace lumi::test {
namespace {

constexpr int kPublishedRows = 42;
constexpr int kCallerPopsRows = 21;
constexpr int kExtraPushed = 4;  // slots pushed beyond what a row needs
constexpr int kPreloadCounts[] = {0, 2};
// Unmasking invalid operation, zero divide and overflow changes no answer here.
constexpr std::uint16_t kToNearest[] = {kExtendedToNearest, kDoubleToNearest, kHostExtendedUnmasked,
                                        kHostDoubleUnmasked};
constexpr std::uint16_t kOtherControlWords[] = {kExtendedTowardZero, kSingleToNearest};

// One set of inputs per group whose result differs for every digits count
// and every slot mix-up: 1.23456 gives "1", "1.23", "1.23456" by 0, 2, 5
// digits. Its rounded quotients (1235 / 1000 and so on) are no doubles at
// extended precision, so a result left unrounded in ST(0) shows too.
constexpr double kValue = 1.23456;
constexpr std::int32_t kSlotDigits = 5;
constexpr std::int32_t kSlotRoundingDigits = 3;
constexpr std::int32_t kTime = 1413709507;  // 2014-10-19 09:05:07
constexpr char16_t kText[] = u"abcabc";
constexpr char16_t kPattern[] = u"bc";

struct StandardCall {
    RowInputs inputs;
    Outcome expected;
};

std::u16string ExpectedNumberText(const FormattingRow& row) {
    if (row.digits.FromSlot()) return u"1.23456";
    return row.digits.constant == 0 ? u"1" : u"1.23";
}

std::u16string ExpectedTimeText(Pattern pattern) {
    switch (pattern) {
        case Pattern::Time: return u"9:5";
        case Pattern::DateTime: return u"2014.10.19 9:5";
        case Pattern::DateTimeSeconds: return u"2014.10.19 9:5:7";
        case Pattern::None: break;
    }
    return u"?";
}

double ExpectedRounding(const FormattingRow& row) {
    const int digits = row.digits.FromSlot() ? kSlotRoundingDigits : row.digits.constant;
    return digits == 1 ? 1.2 : digits == 2 ? 1.23 : 1.235;
}

StandardCall StandardCallOf(const FormattingRow& row) {
    StandardCall call;
    call.inputs.value = Bits(kValue);
    switch (row.group) {
        case Group::NumberToText:
            call.inputs.digits = kSlotDigits;
            call.expected.text = ExpectedNumberText(row);
            break;
        case Group::TimeToText:
            call.inputs.time = kTime;
            call.expected.text = ExpectedTimeText(row.pattern);
            break;
        case Group::Rounding:
            call.inputs.digits = kSlotRoundingDigits;
            call.expected.bits = Bits(ExpectedRounding(row));
            break;
        case Group::Larger:  // a above b: a is the answer, so b's slots must not be it
            call.inputs.b = Bits(-2.25);
            call.expected.bits = Bits(kValue);
            break;
        case Group::Smaller:  // a below b
            call.inputs.b = Bits(7.5);
            call.expected.bits = Bits(kValue);
            break;
        case Group::Search:
            call.inputs.text = kText;
            call.inputs.pattern = kPattern;
            call.expected.integer = 1;
            break;
    }
    return call;
}

// Whole seconds, positions and one of two operands are exact whatever the
// rounding mode and precision; the time's fields are exact by definition.
bool ExactUnderAnyControlWord(Group group) {
    return group == Group::TimeToText || group == Group::Search || group == Group::Larger || group == Group::Smaller;
}

// By name: <windows.h> turns a bare FindText into a macro.
std::string_view RoutineOf(Group group) {
    switch (group) {
        case Group::NumberToText: return "FormatFixed";
        case Group::TimeToText: return "FormatTime";
        case Group::Rounding: return "RoundToDigits";
        case Group::Larger: return "MaxOf";
        case Group::Smaller: return "MinOf";
        case Group::Search: return "FindText";
    }
    return "?";
}

std::set<int> SlotsRead(const ExportEntry& entry) {
    std::set<int> slots;
    for (int i = 0; i < entry.InputCount(); ++i) {
        slots.insert(entry.inputs[i].slot);
        if (entry.inputs[i].kind == ValueKind::Double) slots.insert(entry.inputs[i].slot + 1);
    }
    return slots;
}

std::set<int> SlotsRead(const FormattingRow& row) {
    std::set<int> slots;
    for (int slot = 0; slot < kMaxPushedSlots; ++slot)
        if (row.ReadsSlot(slot)) slots.insert(slot);
    return slots;
}

// What differs between the catalogue's entry and the published row.
std::string CatalogueDifference(const FormattingRow& row, const ExportEntry& entry) {
    std::ostringstream out;
    if (entry.family != Family::Formatting) out << "family " << FamilyName(entry.family) << "; ";
    if (entry.convention != row.convention) out << "convention; ";
    if (entry.slots != row.slots) out << "slots " << entry.slots << ", want " << row.slots << "; ";
    if (RoutineName(entry.routine) != RoutineOf(row.group)) out << "routine " << RoutineName(entry.routine) << "; ";
    if (SlotsRead(entry) != SlotsRead(row)) out << "slots read differ; ";
    const bool fixed = (row.group == Group::NumberToText || row.group == Group::Rounding) && !row.digits.FromSlot();
    const ArgumentSource& digits = entry.arguments[1];
    if ((digits.kind == ArgumentSource::Kind::Number) != fixed || (fixed && digits.number != row.digits.constant))
        out << "constant digits; ";
    return out.str();
}

TEST(PublishedRows, AreTheCataloguesFormattingRowsAndAreExported) {
    EXPECT_EQ(FormattingRows().size(), static_cast<std::size_t>(kPublishedRows));
    const auto callerPops = std::count_if(FormattingRows().begin(), FormattingRows().end(),
                                          [](const FormattingRow& row) { return row.IsCallerPops(); });
    EXPECT_EQ(callerPops, kCallerPopsRows);
    const auto inCatalogue = std::count_if(Catalogue().begin(), Catalogue().end(),
                                           [](const ExportEntry& entry) { return entry.family == Family::Formatting; });
    EXPECT_EQ(inCatalogue, kPublishedRows);

    std::vector<std::string> faults;
    for (const FormattingRow& row : FormattingRows()) {
        if (row.IsCallerPops() && row.slots != row.HighestSlotRead())
            faults.push_back(std::string(row.code) + ": caller-pops slot column is not the highest slot read");
        const ExportEntry* entry = FindEntry(row.code);
        if (entry == nullptr) {
            faults.push_back(std::string(row.code) + ": not in the catalogue");
        } else if (const std::string difference = CatalogueDifference(row, *entry); !difference.empty()) {
            faults.push_back(std::string(row.code) + ": " + difference);
        }
        if (ExportAddress(row.code) == nullptr) faults.push_back(std::string(row.code) + ": not exported");
    }
    EXPECT_TRUE(faults.empty()) << Listed(faults);
}

std::string Describe(const FormattingRow& row, const DecoyPattern& decoy, int pushed, std::uint16_t controlWord,
                     int preloaded) {
    std::ostringstream out;
    out << row.code << " (" << pushed << " slots pushed, decoys " << decoy.name << ", control word "
        << Hex(controlWord) << ", " << preloaded << " preloaded): ";
    return out.str();
}

// Every call of `row` under `controlWord`: the contract, and a result equal
// to `expected`.
void CheckRowUnder(const FormattingRow& row, std::uint16_t controlWord, const RowInputs& inputs,
                   const Outcome& expected, std::vector<std::string>& faults) {
    const void* function = ExportAddress(row.code);
    for (const DecoyPattern& decoy : Decoys()) {
        for (int pushed : {MinimalPush(row), MinimalPush(row) + kExtraPushed}) {
            const Slots slots = PlaceInputs(row, inputs, decoy, pushed);
            for (int preloaded : kPreloadCounts) {
                const CallRecord record = CallAt(function, slots, controlWord, preloaded);
                std::string fault = ContractFault(row, record, pushed);
                const Outcome outcome = OutcomeOf(row, record);
                if (!(outcome == expected)) fault += "result " + Describe(row, outcome) + ", want " + Describe(row, expected);
                if (!fault.empty()) faults.push_back(Describe(row, decoy, pushed, controlWord, preloaded) + fault);
            }
        }
    }
}

TEST(CallingContract, EveryRowReadsOnlyItsSlotsAndKeepsTheContract) {
    std::vector<std::string> faults;
    for (const FormattingRow& row : FormattingRows()) {
        if (ExportAddress(row.code) == nullptr) continue;  // reported above
        const StandardCall call = StandardCallOf(row);
        for (std::uint16_t controlWord : kToNearest) CheckRowUnder(row, controlWord, call.inputs, call.expected, faults);
        for (std::uint16_t controlWord : kOtherControlWords) {
            if (ExactUnderAnyControlWord(row.group)) {
                CheckRowUnder(row, controlWord, call.inputs, call.expected, faults);
                continue;
            }
            // Numbers may round otherwise, but alike for every decoy, push and preload.
            const Slots plain = PlaceInputs(row, call.inputs, Decoys()[0], MinimalPush(row));
            const Outcome reference = OutcomeOf(row, CallRow(row, plain, controlWord));
            CheckRowUnder(row, controlWord, call.inputs, reference, faults);
        }
    }
    EXPECT_TRUE(faults.empty()) << Listed(faults);
}

}  // namespace
}  // namespace lumi::test
