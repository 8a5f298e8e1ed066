#include "tools/models/formatting_layout.h"

#include <map>
#include <vector>

#include "tools/slotcall/slot_call.h"

namespace lumi::test {
namespace {

constexpr FormattingRow NumberToText(std::string_view code, Convention convention, int slots, int value,
                                     Digits digits) {
    return {code, Group::NumberToText, convention, slots, value, -1, digits, Pattern::None};
}
constexpr FormattingRow TimeToText(std::string_view code, int highest, int time, Pattern pattern) {
    return {code, Group::TimeToText, CallerPops, highest, time, -1, {}, pattern};
}
constexpr FormattingRow Rounding(std::string_view code, int slots, int value, Digits digits) {
    return {code, Group::Rounding, CalleePops, slots, value, -1, digits, Pattern::None};
}
constexpr FormattingRow Larger(std::string_view code, int slots, int a, int b) {
    return {code, Group::Larger, CalleePops, slots, a, b, {}, Pattern::None};
}
constexpr FormattingRow Smaller(std::string_view code, int slots, int a, int b) {
    return {code, Group::Smaller, CalleePops, slots, a, b, {}, Pattern::None};
}
constexpr FormattingRow Search(std::string_view code, int slots, int text, int pattern) {
    return {code, Group::Search, CalleePops, slots, text, pattern, {}, Pattern::None};
}

// For caller-pops rows the slot column is the highest slot read.
constexpr FormattingRow kRows[] = {
    //           code          convention  slots value digits
    NumberToText("IIi1IIiI11", CalleePops, 6, 0, Fixed(0)),
    NumberToText("IIi11111II", CalleePops, 6, 1, Fixed(0)),
    NumberToText("III1I1iiIi", CalleePops, 6, 1, Fixed(2)),
    NumberToText("Ii1IiI1III", CalleePops, 8, 0, FromSlot(4)),
    NumberToText("iiI11i1II1", CalleePops, 8, 1, FromSlot(4)),
    NumberToText("11IiIIi1iI", CallerPops, 1, 0, Fixed(0)),
    NumberToText("1ii11i1i1i", CallerPops, 1, 0, Fixed(0)),
    NumberToText("IiIIii1I1I", CallerPops, 1, 0, Fixed(0)),
    NumberToText("i1II1I1IIi", CallerPops, 1, 0, Fixed(0)),
    NumberToText("i1IIi11iII", CallerPops, 1, 0, Fixed(0)),
    NumberToText("i1iiIIiiiI", CallerPops, 2, 1, Fixed(0)),
    NumberToText("IIi1Ii1iii", CallerPops, 3, 2, Fixed(0)),
    NumberToText("1iII1iii11", CallerPops, 4, 3, Fixed(0)),
    NumberToText("I11111111I", CallerPops, 4, 3, Fixed(0)),
    NumberToText("Ii1iIIii11", CallerPops, 2, 1, Fixed(2)),
    NumberToText("IIiIii1III", CallerPops, 2, 0, FromSlot(2)),
    NumberToText("Ii1i1iI11i", CallerPops, 2, 0, FromSlot(2)),
    NumberToText("1ii11IiI1I", CallerPops, 2, 1, FromSlot(0)),
    NumberToText("1111i11iii", CallerPops, 5, 1, FromSlot(5)),
    NumberToText("IIIiIiiiiI", CallerPops, 6, 1, FromSlot(6)),
    NumberToText("i1IiiiiiiI", CallerPops, 4, 3, FromSlot(0)),
    //         code          highest time pattern
    TimeToText("iII1IIiI1i", 0, 0, Pattern::Time),
    TimeToText("iI1iIiII1I", 2, 2, Pattern::Time),
    TimeToText("iI1I1III1I", 0, 0, Pattern::DateTime),
    TimeToText("1IIiiI1Ii1", 3, 3, Pattern::DateTime),
    TimeToText("I1IIiii11I", 0, 0, Pattern::DateTimeSeconds),
    //       code          slots value digits
    Rounding("iIIii1i1I1", 8, 0, FromSlot(3)),
    Rounding("ii1Ii1Iiii", 7, 0, FromSlot(3)),
    Rounding("iiiiii11iI", 7, 0, FromSlot(3)),
    Rounding("I1i1iIii1I", 7, 0, FromSlot(4)),
    Rounding("1i1iiiii1I", 7, 0, FromSlot(5)),
    Rounding("ii11iiiiII", 7, 0, FromSlot(5)),
    Rounding("I1Iii11III", 9, 0, Fixed(2)),
    Rounding("i1I1i1IIiI", 7, 1, FromSlot(3)),
    Rounding("IIiIi1iii1", 8, 2, Fixed(1)),
    Rounding("1ii1Ii1iiI", 7, 2, FromSlot(0)),
    Rounding("1iiiIi1II1", 7, 3, FromSlot(1)),
    Rounding("i1iIIIiI1I", 6, 4, Fixed(2)),
    //     code          slots a  b
    Larger("11iIIIi1i1", 7, 4, 0),
    Smaller("Iii1i1ii1I", 8, 6, 2),
    //     code          slots text pattern
    Search("iIiIIiIii1", 3, 2, 0),
    Search("Ii1II1ii11", 5, 3, 2),
};

}  // namespace

bool FormattingRow::ReadsSlot(int slot) const {
    const bool doubleValue = group != Group::TimeToText && group != Group::Search;
    if (slot == value || (doubleValue && slot == value + 1)) return true;
    if (other >= 0 && (slot == other || (ReturnsDouble() && slot == other + 1))) return true;
    return digits.FromSlot() && slot == digits.slot;
}

int FormattingRow::HighestSlotRead() const {
    int highest = -1;
    for (int slot = 0; slot < kMaxPushedSlots; ++slot)
        if (ReadsSlot(slot)) highest = slot;
    return highest;
}

std::span<const FormattingRow> FormattingRows() { return kRows; }

std::span<const FormattingRow> RowsOf(Group group) {
    static const std::map<Group, std::vector<FormattingRow>> byGroup = [] {
        std::map<Group, std::vector<FormattingRow>> rows;
        for (const FormattingRow& row : kRows) rows[row.group].push_back(row);
        return rows;
    }();
    return byGroup.at(group);
}

}  // namespace lumi::test
