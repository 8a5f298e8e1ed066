#include "tools/lumicall/commands/slot_arguments.h"

#include <bit>
#include <charconv>
#include <cstdlib>
#include <iterator>

#include "catalogue/describe.h"
#include "tools/lumicall/worker/system.h"
#include "tools/slotcall/slot_call.h"

namespace lumi::call {
namespace {

constexpr std::string_view kForms =
    "use d:NUMBER, i:INTEGER, t:TEXT, x:HEX or null, optionally as K=ARG to place it at slot K";

// Which arguments may fill a slot the row reads as each kind (a raw x: word always may).
struct Fit {
    ValueKind kind;
    ArgumentKind accepted[2];
    std::string_view hint;
};

constexpr Fit kFits[] = {
    {ValueKind::Double, {ArgumentKind::Double, ArgumentKind::Double}, "d:NUMBER there (or x:HEX in each slot)"},
    {ValueKind::Integer, {ArgumentKind::Integer, ArgumentKind::Integer}, "i:INTEGER or x:HEX"},
    {ValueKind::Word, {ArgumentKind::Integer, ArgumentKind::Integer}, "i:INTEGER or x:HEX"},
    {ValueKind::Truth, {ArgumentKind::Integer, ArgumentKind::Integer}, "i:INTEGER or x:HEX"},
    {ValueKind::HostTime, {ArgumentKind::Integer, ArgumentKind::Integer}, "i:SECONDS or x:HEX"},
    {ValueKind::Text, {ArgumentKind::Text, ArgumentKind::Null}, "t:TEXT, null or x:HEX"},
};

const Fit& FitFor(ValueKind kind) {
    for (const Fit& fit : kFits)
        if (fit.kind == kind) return fit;
    return kFits[0];
}

[[noreturn]] void Refuse(const std::string& words) { throw UsageError(words); }

double ParseDouble(std::string_view digits, std::string_view spelling) {
    const std::string text(digits);
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || end != text.c_str() + text.size())
        Refuse("'" + std::string(spelling) + "' is not a number after d:");
    return value;
}

std::uint32_t ParseInteger(std::string_view digits, std::string_view spelling) {
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error == std::errc::result_out_of_range)
        Refuse("'" + std::string(spelling) + "' is outside the 32-bit signed range");
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size())
        Refuse("'" + std::string(spelling) + "' is not a decimal integer after i:");
    return static_cast<std::uint32_t>(value);
}

std::uint32_t ParseHex(std::string_view digits, std::string_view spelling) {
    if (digits.starts_with("0x") || digits.starts_with("0X")) digits.remove_prefix(2);
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
    if (digits.empty() || digits.size() > 8 || error != std::errc() || end != digits.data() + digits.size())
        Refuse("'" + std::string(spelling) + "' is not a 32-bit hexadecimal word after x:");
    return value;
}

// Strips a leading "K=" and returns K, or -1.
int TakeSlotPosition(std::string_view& rest, std::string_view spelling) {
    const std::size_t equals = rest.find('=');
    const std::size_t colon = rest.find(':');
    if (equals == std::string_view::npos || (colon != std::string_view::npos && colon < equals)) return -1;
    int slot = -1;
    const auto [end, error] = std::from_chars(rest.data(), rest.data() + equals, slot);
    if (error != std::errc() || end != rest.data() + equals || slot < 0 || slot >= kMaxPushedSlots)
        Refuse("'" + std::string(spelling) + "': the slot before = must be 0 to " +
               std::to_string(kMaxPushedSlots - 1));
    rest.remove_prefix(equals + 1);
    return slot;
}

void CheckInput(const ExportEntry& entry, SlotInput input, const std::vector<SlotArgument>& arguments,
                const std::vector<int>& owner) {
    const int width = input.kind == ValueKind::Double ? 2 : 1;
    const Fit& fit = FitFor(input.kind);
    const std::string where = SlotWords(input) + " of " + std::string(entry.code) + " (" +
                              std::string(KindName(input.kind)) + ")";
    bool allRaw = true, anyGiven = false;
    for (int k = input.slot; k < input.slot + width; ++k) {
        const int index = k < static_cast<int>(owner.size()) ? owner[k] : -1;
        anyGiven |= index >= 0;
        allRaw &= index >= 0 && arguments[index].kind == ArgumentKind::Raw;
    }
    if (!anyGiven) Refuse(where + " has no argument: give " + std::string(fit.hint));
    if (allRaw) return;
    const SlotArgument& argument = arguments[owner[input.slot] >= 0 ? owner[input.slot] : owner[input.slot + 1]];
    const bool fits = argument.slot == input.slot && argument.Width() == width &&
                      (argument.kind == fit.accepted[0] || argument.kind == fit.accepted[1]);
    if (!fits) Refuse("'" + argument.spelling + "' does not fit " + where + ": give " + std::string(fit.hint));
}

}  // namespace

SlotArgument ParseArgument(std::string_view spelling) {
    SlotArgument argument;
    argument.spelling = std::string(spelling);
    std::string_view rest = spelling;
    argument.slot = TakeSlotPosition(rest, spelling);
    if (rest == "null") {
        argument.kind = ArgumentKind::Null;
        return argument;
    }
    if (rest.size() < 2 || rest[1] != ':') Refuse("'" + std::string(spelling) + "' is not an argument: " + std::string(kForms));
    const std::string_view value = rest.substr(2);
    switch (rest[0]) {
        case 'd':
            argument.kind = ArgumentKind::Double;
            argument.real = ParseDouble(value, spelling);
            break;
        case 'i':
            argument.kind = ArgumentKind::Integer;
            argument.word = ParseInteger(value, spelling);
            break;
        case 't': {
            argument.kind = ArgumentKind::Text;
            const std::wstring wide = Widened(value);
            argument.text.assign(wide.begin(), wide.end());
            break;
        }
        case 'x':
            argument.kind = ArgumentKind::Raw;
            argument.word = ParseHex(value, spelling);
            break;
        default:
            Refuse("'" + std::string(spelling) + "' is not an argument: " + std::string(kForms));
    }
    return argument;
}

SlotFill FillSlots(const ExportEntry& entry, const std::vector<SlotArgument>& given, std::mt19937& random) {
    std::vector<SlotArgument> arguments = given;
    int next = 0, reach = 0;
    for (SlotArgument& argument : arguments) {
        if (argument.slot < 0) argument.slot = next;
        next = argument.slot + argument.Width();
        reach = std::max(reach, next);
    }
    const bool calleePops = entry.convention == Convention::CalleePops;
    if (calleePops && reach > entry.slots)
        Refuse(std::string(entry.code) +
               (entry.slots == 0 ? std::string(" takes no slot")
                                 : " takes " + SlotCountWords(entry) + (entry.slots == 1 ? " slot" : " slots") +
                                       " and removes them itself") +
               "; the arguments reach slot " + std::to_string(reach - 1));
    if (reach > kMaxPushedSlots)
        Refuse("lumicall pushes at most " + std::to_string(kMaxPushedSlots) + " slots");
    const int count = calleePops ? entry.slots : std::max(SlotsToPush(entry), reach);

    std::vector<int> owner(count, -1);
    for (std::size_t i = 0; i < arguments.size(); ++i)
        for (int k = arguments[i].slot; k < arguments[i].slot + arguments[i].Width(); ++k) {
            if (owner[k] >= 0) Refuse("slot " + std::to_string(k) + " is given twice");
            owner[k] = static_cast<int>(i);
        }
    for (int i = 0; i < entry.InputCount(); ++i) CheckInput(entry, entry.inputs[i], arguments, owner);

    SlotFill fill;
    fill.given.assign(count, false);
    for (int k = 0; k < count; ++k) fill.words.push_back(static_cast<std::uint32_t>(random()));
    for (const SlotArgument& argument : arguments) {
        std::uint32_t* words = &fill.words[argument.slot];
        fill.given[argument.slot] = true;
        switch (argument.kind) {
            case ArgumentKind::Double: {
                const auto bits = std::bit_cast<std::uint64_t>(argument.real);
                words[0] = static_cast<std::uint32_t>(bits);
                words[1] = static_cast<std::uint32_t>(bits >> 32);
                fill.given[argument.slot + 1] = true;
                break;
            }
            case ArgumentKind::Text:
                fill.texts.push_back(argument.text);
                fill.textSlots.push_back(argument.slot);
                words[0] = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(fill.texts.back().c_str()));
                break;
            case ArgumentKind::Null: words[0] = 0; break;
            default: words[0] = argument.word; break;
        }
    }
    return fill;
}

Request RequestOf(const ExportEntry& entry, const SlotFill& fill, std::uint16_t controlWord) {
    Request request = RequestFor(entry, fill.words, controlWord);
    for (std::size_t i = 0; i < fill.texts.size(); ++i) request.PutText(fill.textSlots[i], fill.texts[i]);
    return request;
}

}  // namespace lumi::call
