// known_answers: writes the table of known answers that `lumicall verify`
// replays on a user's machine. Every answer comes from one of the tests'
// independent models (tools/models), never from the library's routines: the
// exact decimal model (number to text, rounding), the day-by-day calendar
// (time to text), the standard library's search, the comparison rule of the
// larger and smaller of two, and the arithmetic reference on this machine's
// x87 unit. Each answer is worked out under the twelve combinations of
// precision and rounding mode a control word can select, and written once
// with the combinations it holds for.
//
//   known_answers          the table to standard output
//   known_answers FILE     rewrites FILE when its content differs
#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "tools/models/arithmetic_reference.h"
#include "tools/models/calendar.h"
#include "tools/models/exact_decimal.h"
#include "tools/models/formatting_layout.h"
#include "tools/models/plain_search.h"
#include "tools/generated_file.h"

namespace {

using namespace lumi::test;
using lumi::SlotInput;
using lumi::ValueKind;

// ---- Precision and rounding ----------------------------------------------------

// Combination c: precision c / 4 (64, 53 or 24 bits), rounding mode c % 4 in
// the order of the control word's RC field.
constexpr int kCombinations = 12;
constexpr int kPrecisionBits[] = {64, 53, 24};
constexpr int kPrecisionField[] = {3, 2, 0};
constexpr char kRoundingLetters[] = "NDUZ";
constexpr std::uint16_t kAllExceptionsMasked = 0x007F;

X87Mode ModeOf(int c) { return {kPrecisionBits[c / 4], static_cast<Rounding>(c % 4)}; }

std::uint16_t ControlWordOf(int c) {
    return static_cast<std::uint16_t>(kAllExceptionsMasked | kPrecisionField[c / 4] << 8 | (c % 4) << 10);
}

// "NDUZ|ND--|----": the modes an answer holds under, for 64|53|24 bits.
std::string HeldWords(std::uint16_t mask) {
    std::string words;
    for (int c = 0; c < kCombinations; ++c) {
        if (c > 0 && c % 4 == 0) words += '|';
        words += (mask >> c & 1) ? kRoundingLetters[c % 4] : '-';
    }
    return words;
}

// ---- Deterministic draws --------------------------------------------------------

// mt19937_64's output is fixed by the standard; the distributions are not, so
// none is used and the table is the same wherever it is made.
class Draw {
public:
    explicit Draw(std::uint64_t seed) : random_(seed) {}
    std::uint64_t Bits() { return random_(); }
    std::int64_t Between(std::int64_t low, std::int64_t high) {
        return low + static_cast<std::int64_t>(random_() % static_cast<std::uint64_t>(high - low + 1));
    }
    double Sign() { return Between(0, 1) ? -1.0 : 1.0; }
    template <class T, std::size_t N>
    const T& OneOf(const T (&items)[N]) {
        return items[Between(0, N - 1)];
    }

private:
    std::mt19937_64 random_;
};

constexpr double kExactPowersOfTen[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8};

const double kSpecialValues[] = {
    0.0, -0.0, INFINITY, -INFINITY, NAN, -NAN, std::numeric_limits<double>::max(),
    -std::numeric_limits<double>::max(), std::numeric_limits<double>::min(),
    std::numeric_limits<double>::denorm_min(), -std::numeric_limits<double>::denorm_min(), 1e18,
    999999999999999872.0, 99999999.5, 2147483647.5, -2147483648.5, 2.1474836475, 0.5, -0.5,
};

const std::uint64_t kSpecialBits[] = {
    0, 0x8000000000000000, 0x7FF0000000000000, 0xFFF0000000000000, 0x7FF8000000000000,
    0x7FF0000000000001, 0xFFF8000000012345, 1, 0x000FFFFFFFFFFFFF, 0x0010000000000000,
    0x7FEFFFFFFFFFFFFF, 0x3FF0000000000000, 0xBFF0000000000000, 0x4024000000000000, 0x3FB999999999999A,
};

std::int32_t DrawDigits(Draw& draw) {
    static constexpr std::int32_t kExtremes[] = {INT32_MIN, INT32_MIN + 1, -400, 400, INT32_MAX - 300, INT32_MAX};
    return draw.Between(0, 19) == 0 ? draw.OneOf(kExtremes) : static_cast<std::int32_t>(draw.Between(-3, 20));
}

struct ValueAndDigits {
    double value;
    std::int32_t digits;
};

// What a script hands the number and rounding exports: prices with a few
// decimals, decimals a few units either side of a tie, any bit pattern, wide
// magnitudes and the special values. Prices and ties are shown with about
// as many decimals as they have: the row's own count where it fixes one.
ValueAndDigits DrawNumber(Draw& draw, const FormattingRow& row) {
    const auto decimalsNear = [&](int spread) {
        return static_cast<int>(row.digits.FromSlot() ? draw.Between(0, 6) : row.digits.constant + draw.Between(0, spread));
    };
    switch (draw.Between(0, 9)) {
        case 0:
        case 1:
        case 2: {
            const int decimals = decimalsNear(2);
            const double value = draw.Sign() * static_cast<double>(draw.Between(0, 999999999)) / kExactPowersOfTen[decimals];
            return {value, static_cast<std::int32_t>(decimals - draw.Between(0, 2))};
        }
        case 3:
        case 4: {
            const int decimals = decimalsNear(0);
            double value = draw.Sign() * static_cast<double>(draw.Between(0, 99999999) * 10 + 5) /
                           kExactPowersOfTen[decimals + 1];
            for (std::int64_t steps = draw.Between(-2, 2); steps != 0; steps += steps < 0 ? 1 : -1)
                value = std::nextafter(value, steps < 0 ? -INFINITY : INFINITY);
            return {value, decimals};
        }
        case 5:
            return {std::bit_cast<double>(draw.Bits()), DrawDigits(draw)};
        case 6:
        case 7:
            return {std::ldexp(draw.Sign() * static_cast<double>(draw.Between(1, 1 << 30)),
                               static_cast<int>(draw.Between(-1104, 993))),
                    DrawDigits(draw)};
        default:
            return {draw.OneOf(kSpecialValues), DrawDigits(draw)};
    }
}

// An arithmetic operand: mostly full significands of ordinary magnitude, some
// near either end of the double range, and the special values.
std::uint64_t DrawOperand(Draw& draw) {
    constexpr std::uint64_t kFraction = (std::uint64_t{1} << 52) - 1;
    const std::uint64_t sign = static_cast<std::uint64_t>(draw.Between(0, 1)) << 63;
    switch (draw.Between(0, 7)) {
        case 0:
            return draw.OneOf(kSpecialBits);
        case 1: {
            const std::int64_t exponent = draw.Between(0, 1) ? 2046 - draw.Between(0, 39) : 1 + draw.Between(0, 39);
            return sign | static_cast<std::uint64_t>(exponent) << 52 | (draw.Bits() & kFraction);
        }
        default:
            return sign | static_cast<std::uint64_t>(1023 - 40 + draw.Between(0, 79)) << 52 | (draw.Bits() & kFraction);
    }
}

// ---- Cases ------------------------------------------------------------------------

struct Input {
    int slot;
    ValueKind kind;       // Double, Integer or Text
    std::uint64_t bits;   // a double's bits, or a 32-bit integer
    std::u16string text;  // a text, unless null
    bool null;
};

struct Case {
    std::vector<Input> inputs;                     // in slot order
    std::array<std::string, kCombinations> answers;  // as the table writes them
};

struct Section {
    std::string_view code;
    std::string heading;
    const char* answerMacro;
    std::vector<Case> cases;
};

std::string Hex16(std::uint64_t bits) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%016llX", static_cast<unsigned long long>(bits));
    return text;
}

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

std::string Integer(std::int64_t value) {
    return value == INT32_MIN ? "-2147483647 - 1" : std::to_string(value);  // INT32_MIN has no literal
}

// The shortest decimal that reads back as the double.
std::string Decimal(double value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
}

std::array<std::string, kCombinations> Everywhere(const std::string& answer) {
    std::array<std::string, kCombinations> answers;
    answers.fill(answer);
    return answers;
}

Input DoubleAt(int slot, double value) {
    return {slot, ValueKind::Double, std::bit_cast<std::uint64_t>(value), u"", false};
}
Input IntegerAt(int slot, std::int32_t value) {
    return {slot, ValueKind::Integer, static_cast<std::uint32_t>(value), u"", false};
}
Input TextAt(int slot, const char16_t* text) {
    return {slot, ValueKind::Text, 0, text == nullptr ? u"" : text, text == nullptr};
}

Case InSlotOrder(std::vector<Input> inputs, std::array<std::string, kCombinations> answers) {
    std::sort(inputs.begin(), inputs.end(), [](const Input& a, const Input& b) { return a.slot < b.slot; });
    return {std::move(inputs), std::move(answers)};
}

std::int32_t DigitsOf(const FormattingRow& row, std::int32_t drawn) {
    return row.digits.FromSlot() ? drawn : row.digits.constant;
}

std::vector<Input> NumberInputs(const FormattingRow& row, double value, std::int32_t digits) {
    std::vector<Input> inputs{DoubleAt(row.value, value)};
    if (row.digits.FromSlot()) inputs.push_back(IntegerAt(row.digits.slot, digits));
    return inputs;
}

Case NumberToTextCase(const FormattingRow& row, ValueAndDigits in) {
    const std::int32_t digits = DigitsOf(row, in.digits);
    std::array<std::string, kCombinations> answers;
    for (int c = 0; c < kCombinations; ++c) answers[c] = Quoted(ModelText(in.value, digits, '.', ModeOf(c)));
    return InSlotOrder(NumberInputs(row, in.value, digits), answers);
}

Case RoundingCase(const FormattingRow& row, ValueAndDigits in) {
    const std::int32_t digits = DigitsOf(row, in.digits);
    std::array<std::string, kCombinations> answers;
    for (int c = 0; c < kCombinations; ++c)
        answers[c] = Hex16(std::bit_cast<std::uint64_t>(ModelRoundToDigitsStored(in.value, digits, ModeOf(c))));
    return InSlotOrder(NumberInputs(row, in.value, digits), answers);
}

std::string TimeText(std::int32_t time, Pattern pattern) {
    const CivilTime t = CivilTimeOf(time);
    char text[40];
    if (pattern == Pattern::Time) std::snprintf(text, sizeof text, "%d:%d", t.hour, t.minute);
    if (pattern == Pattern::DateTime)
        std::snprintf(text, sizeof text, "%04d.%02d.%02d %d:%d", t.year, t.month, t.day, t.hour, t.minute);
    if (pattern == Pattern::DateTimeSeconds)
        std::snprintf(text, sizeof text, "%04d.%02d.%02d %d:%d:%d", t.year, t.month, t.day, t.hour, t.minute,
                      t.second);
    return text;
}

Case TimeCase(const FormattingRow& row, std::int32_t time) {
    return {{IntegerAt(row.value, time)}, Everywhere(Quoted(TimeText(time, row.pattern)))};
}

// One ordered comparison, ties and NaNs giving b; the x87 hands a signalling
// NaN back quiet.
Case ExtremeCase(const FormattingRow& row, std::uint64_t aBits, std::uint64_t bBits) {
    constexpr std::uint64_t kQuietBit = std::uint64_t{1} << 51;
    const double a = std::bit_cast<double>(aBits), b = std::bit_cast<double>(bBits);
    const bool takeA = row.group == Group::Larger ? a > b : a < b;
    std::uint64_t result = takeA ? aBits : bBits;
    if (std::isnan(std::bit_cast<double>(result))) result |= kQuietBit;
    return InSlotOrder({DoubleAt(row.value, a), DoubleAt(row.other, b)}, Everywhere(Hex16(result)));
}

Case SearchCase(const FormattingRow& row, const char16_t* text, const char16_t* pattern) {
    return InSlotOrder({TextAt(row.value, text), TextAt(row.other, pattern)},
                       Everywhere(Integer(PlainSearch(text, pattern))));
}

Case ArithmeticCase(const ArithmeticRow& row, const std::vector<std::uint64_t>& values) {
    std::uint32_t words[lumi::kMaxPushedSlots] = {};
    std::vector<Input> inputs;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const SlotInput input = row.inputs[i];
        words[input.slot] = static_cast<std::uint32_t>(values[i]);
        if (input.kind == ValueKind::Double) words[input.slot + 1] = static_cast<std::uint32_t>(values[i] >> 32);
        inputs.push_back({input.slot, input.kind, values[i], u"", false});
    }
    std::array<std::string, kCombinations> answers;
    for (int c = 0; c < kCombinations; ++c)
        answers[c] = row.result == ValueKind::Double ? Hex16(ReferenceDoubleBits(row, words, ControlWordOf(c)))
                                                     : Integer(row.integer(Frame{words}));
    return {std::move(inputs), answers};
}

// ---- The inputs of each group -----------------------------------------------------------

constexpr int kCasesPerNumberRow = 110;
constexpr int kCasesPerRoundingRow = 110;
constexpr int kCasesPerTimeRow = 80;
constexpr int kCasesPerExtremeRow = 100;
constexpr int kCasesPerSearchRow = 100;
constexpr int kCasesPerArithmeticRow = 50;

// Cases worked out by hand in the routines' descriptions, first in each row.
const ValueAndDigits kNumberEdges[] = {
    {0.0, 2}, {-0.0, 2}, {1.0, 0}, {0.125, 2}, {2.5, 0}, {-2.5, 0}, {0.5, 0}, {0.4, 0}, {-0.4, 0}, {-0.6, 0},
    {9.5, 0}, {1.005, 2}, {0.1245, 3}, {1.0585, 3}, {3.14159265358979, 10}, {1234567.891, 3}, {1.23456, 5},
    {1234.56789, 5}, {0.987654321, 9}, {-1234.5678, 2}, {-0.004, 2}, {-0.005, 2}, {0.05, 1},
    {0.000123456789, 18}, {1e-9, 8}, {5e-9, 8}, {1e-18, 18}, {4e-19, 18}, {12345678.9, 3}, {99999999.4, 2},
    {99999999.5, 0}, {99999999.99, 2}, {100000000.0, 3}, {123456789.0, 2}, {-123456789.0, 1},
    {1234500000.0, 4}, {1234500000.0, 5}, {1e300, 2}, {1.7976931348623157e308, 2}, {1.5, 19}, {-6e-20, 18},
    {-6e-20, 19}, {123.456, -1}, {125.0, -1}, {4.9, -1}, {400.0, -3}, {12345678.0, -2}, {555555555.0, -9},
    {INFINITY, 2}, {-INFINITY, 2}, {NAN, 2}, {152.18955, 4}, {6.20665, 4}, {1.5, INT32_MAX}, {1.5, INT32_MIN},
};

const ValueAndDigits kRoundingEdges[] = {
    {1.005, 2}, {2.675, 2}, {1.2345, 3}, {0.285, 2}, {2.5, 0}, {-2.5, 0}, {-2.6, 0}, {0.5, 0}, {97.5, 0},
    {-0.5, 0}, {-0.0, 0}, {1e-10, 5}, {-1e-10, 5}, {0.49999999999999994, 0}, {1.45, 1}, {-1.45, 1},
    {-1.55, 1}, {0.123456789, 8}, {0.123456789, 7}, {1.23456789, 100}, {1.0000000005, 9}, {1.5, -3},
    {123.456, 1}, {1234567.891, 3}, {2.1474836474, 9}, {-2.1474836485, 9}, {-0.05, 1}, {-0.005, 2},
    {2.1474836475, 9}, {3.0, 9}, {INFINITY, 2}, {-INFINITY, 2}, {NAN, 2},
};

const std::int32_t kTimeEdges[] = {
    0, 59, 60, 3599, 32707, 43200, 47223, 86399, 86400, -1, -86400, -14182940, 951827445, 1330473600,
    1413676800, 1413709507, 1413763199, INT32_MIN, INT32_MAX,
};

const std::uint64_t kExtremeEdges[][2] = {
    {0x3FF0000000000000, 0x4000000000000000}, {0x4000000000000000, 0x3FF0000000000000},
    {0x0000000000000000, 0x8000000000000000}, {0x8000000000000000, 0x0000000000000000},
    {0x7FF8000000000000, 0x4014000000000000}, {0x4014000000000000, 0x7FF8000000000000},
    {0x7FF0000000000001, 0x4014000000000000}, {0x4014000000000000, 0x7FF0000000000001},
    {0xFFF8000000012345, 0xFFF0000000000000},
};

struct SearchEdge {
    const char16_t* text;
    const char16_t* pattern;
};

const SearchEdge kSearchEdges[] = {
    {u"abcabc", u"bc"}, {u"abcabc", u""}, {u"", u""}, {u"", u"a"}, {u"abc", u"abcd"}, {u"a", u"A"},
    {u"aab", u"ab"}, {u"x\U0001F600y", u"y"}, {u"abc", nullptr}, {nullptr, u"a"}, {nullptr, nullptr},
    {u"Attempt to Open Buy @", u"Buy"},
};

// Texts over a small alphabet, so patterns often occur, now and then with a
// letter outside ASCII or a surrogate pair.
std::u16string DrawText(Draw& draw, int longest) {
    static const char16_t* const kPieces[] = {u"a", u"b", u"c", u"a", u"b", u"c", u"a", u"b",
                                              u"A", u"B", u"\u00E9", u"\U0001F600"};
    std::u16string text;
    for (std::int64_t length = draw.Between(0, longest); length > 0; --length) text += draw.OneOf(kPieces);
    return text;
}

Section Begin(std::string_view code, std::string heading, const char* answerMacro) {
    return {code, std::move(heading), answerMacro, {}};
}

std::string SlotWords(const SlotInput& input) {
    return input.kind == ValueKind::Double ? "slots " + std::to_string(input.slot) + "-" + std::to_string(input.slot + 1)
                                           : "slot " + std::to_string(input.slot);
}

std::string DigitsWords(const FormattingRow& row) {
    return row.digits.FromSlot() ? "digits slot " + std::to_string(row.digits.slot)
                                 : "digits " + std::to_string(row.digits.constant);
}

Section FormattingSection(const FormattingRow& row, Draw& draw) {
    const std::string value = SlotWords({static_cast<std::int8_t>(row.value), ValueKind::Double});
    const std::string other = SlotWords({static_cast<std::int8_t>(row.other), ValueKind::Double});
    switch (row.group) {
        case Group::NumberToText: {
            Section section = Begin(row.code, "FormatFixed: value " + value + ", " + DigitsWords(row), "GIVES_STR");
            for (const ValueAndDigits& edge : kNumberEdges) section.cases.push_back(NumberToTextCase(row, edge));
            while (section.cases.size() < kCasesPerNumberRow) section.cases.push_back(NumberToTextCase(row, DrawNumber(draw, row)));
            return section;
        }
        case Group::Rounding: {
            Section section = Begin(row.code, "RoundToDigits: value " + value + ", " + DigitsWords(row), "GIVES_DBL");
            for (const ValueAndDigits& edge : kRoundingEdges) section.cases.push_back(RoundingCase(row, edge));
            while (section.cases.size() < kCasesPerRoundingRow) section.cases.push_back(RoundingCase(row, DrawNumber(draw, row)));
            return section;
        }
        case Group::TimeToText: {
            static const char* const kPatterns[] = {"", "\"h:n\"", "\"yyyy.mm.dd h:n\"", "\"yyyy.mm.dd h:n:s\""};
            Section section = Begin(row.code, "FormatTime: time slot " + std::to_string(row.value) + ", pattern " +
                                                  kPatterns[static_cast<int>(row.pattern)], "GIVES_STR");
            for (std::int32_t time : kTimeEdges) section.cases.push_back(TimeCase(row, time));
            while (section.cases.size() < kCasesPerTimeRow)
                section.cases.push_back(TimeCase(row, static_cast<std::int32_t>(draw.Bits())));
            return section;
        }
        case Group::Larger:
        case Group::Smaller: {
            const char* routine = row.group == Group::Larger ? "MaxOf" : "MinOf";
            Section section = Begin(row.code, std::string(routine) + ": a " + value + ", b " + other, "GIVES_DBL");
            for (const auto& edge : kExtremeEdges) section.cases.push_back(ExtremeCase(row, edge[0], edge[1]));
            while (section.cases.size() < kCasesPerExtremeRow) {
                const std::uint64_t a = DrawOperand(draw);
                section.cases.push_back(ExtremeCase(row, a, draw.Between(0, 4) == 0 ? a : DrawOperand(draw)));
            }
            return section;
        }
        case Group::Search: {
            Section section = Begin(row.code, "FindText: text slot " + std::to_string(row.value) + ", pattern slot " +
                                                  std::to_string(row.other) + ", from the start", "GIVES_INT");
            for (const SearchEdge& edge : kSearchEdges) section.cases.push_back(SearchCase(row, edge.text, edge.pattern));
            while (section.cases.size() < kCasesPerSearchRow) {
                const std::u16string text = DrawText(draw, 10);
                std::u16string pattern = DrawText(draw, 3);
                if (!text.empty() && draw.Between(0, 1) == 0) {  // a piece of the text itself
                    const auto from = static_cast<std::size_t>(draw.Between(0, text.size() - 1));
                    pattern = text.substr(from, static_cast<std::size_t>(draw.Between(1, text.size() - from)));
                }
                const bool nullText = draw.Between(0, 19) == 0, nullPattern = draw.Between(0, 19) == 0;
                section.cases.push_back(
                    SearchCase(row, nullText ? nullptr : text.c_str(), nullPattern ? nullptr : pattern.c_str()));
            }
            return section;
        }
    }
    return {};
}

Section ArithmeticSection(const ArithmeticRow& row, Draw& draw) {
    std::string reads;
    for (const SlotInput& input : row.inputs)
        if (input.slot >= 0)
            reads += (reads.empty() ? "" : ", ") + SlotWords(input) + (input.kind == ValueKind::Double ? " double" : " integer");
    const char* macro = row.result == ValueKind::Double ? "GIVES_DBL" : "GIVES_INT";
    Section section = Begin(row.code, "arithmetic: " + reads, macro);
    // A few slot-7 values of the truth row that tell 134 from its neighbours.
    static constexpr std::int32_t kNearOneThirtyFour[] = {134, 134, -134, 135, 133};
    while (section.cases.size() < kCasesPerArithmeticRow) {
        std::vector<std::uint64_t> values;
        for (const SlotInput& input : row.inputs) {
            if (input.slot < 0) break;
            if (input.kind == ValueKind::Double) values.push_back(DrawOperand(draw));
            else if (row.result == ValueKind::Truth) values.push_back(static_cast<std::uint32_t>(
                draw.Between(0, 1) ? draw.OneOf(kNearOneThirtyFour) : static_cast<std::int32_t>(draw.Bits())));
            else values.push_back(static_cast<std::uint32_t>(draw.Between(0, 1) ? draw.Between(-1000, 1000) : draw.Bits()));
        }
        section.cases.push_back(ArithmeticCase(row, values));
    }
    return section;
}

// ---- Writing -----------------------------------------------------------------------------

// A UTF-16 literal: printable ASCII as it stands, every other unit escaped.
std::string Utf16Literal(const Input& input) {
    if (input.null) return "nullptr";
    std::string literal = "u\"";
    bool afterEscape = false;
    for (char16_t unit : input.text) {
        const bool plain = unit >= 0x20 && unit < 0x7F && unit != u'"' && unit != u'\\';
        if (plain && afterEscape && std::isxdigit(static_cast<unsigned char>(unit))) literal += "\" u\"";
        if (plain) {
            literal += static_cast<char>(unit);
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%04X", static_cast<unsigned>(unit));
            literal += escape;
        }
        afterEscape = !plain;
    }
    return literal + "\"";
}

std::string InputWords(const Case& c) {
    std::string words;
    for (const Input& input : c.inputs) {
        words += words.empty() ? "(" : ", ";
        if (input.kind == ValueKind::Double) words += "DBL(" + Hex16(input.bits) + ")";
        else if (input.kind == ValueKind::Text) words += "STR(" + Utf16Literal(input) + ")";
        else words += "INT(" + Integer(static_cast<std::int32_t>(input.bits)) + ")";
    }
    return words + ")";
}

// The doubles of a case in decimal, for a reader of the table.
std::string DecimalNote(const Case& c) {
    std::string note;
    for (const Input& input : c.inputs)
        if (input.kind == ValueKind::Double)
            note += (note.empty() ? "  // " : ", ") + Decimal(std::bit_cast<double>(input.bits));
    return note;
}

std::string AnswerWords(const Section& section, const Case& c) {
    std::string words;
    std::array<bool, kCombinations> written{};
    for (int c1 = 0; c1 < kCombinations; ++c1) {
        if (written[c1]) continue;
        std::uint16_t mask = 0;
        for (int c2 = c1; c2 < kCombinations; ++c2)
            if (c.answers[c2] == c.answers[c1]) {
                mask |= static_cast<std::uint16_t>(1 << c2);
                written[c2] = true;
            }
        words += ", " + std::string(section.answerMacro) + "(\"" + HeldWords(mask) + "\", " + c.answers[c1] + ")";
    }
    return words;
}

constexpr std::string_view kIntro =
    "// Known answers that `lumicall verify` replays against a lumivextaran.dll.\n"
    "// Written by tools/known_answers from the tests' own models, never from the\n"
    "// library's routines; do not edit. The native build rewrites this file:\n"
    "// commit it when it changes.\n"
    "//\n"
    "// KNOWN(code, (inputs in slot order), answers...)\n"
    "//   inputs:  DBL(bits of a double), INT(32-bit integer), STR(UTF-16 text, or nullptr)\n"
    "//   answers: GIVES_STR(held, text), GIVES_DBL(held, bits of a double), GIVES_INT(held, integer)\n"
    "//   held:    the rounding modes under which the answer holds, for 64|53|24-bit\n"
    "//            precision: N to nearest, D down, U up, Z toward zero, - not this one\n"
    "// Texts are written with \".\" as the decimal separator and \":\" as the time\n"
    "// separator; verify puts in the machine's own.\n";

constexpr std::size_t kWidestAligned = 60;

std::string Table() {
    std::vector<Section> sections;
    Draw formattingDraw(20250101), arithmeticDraw(20250202);
    for (const FormattingRow& row : FormattingRows()) sections.push_back(FormattingSection(row, formattingDraw));
    for (const ArithmeticRow& row : ArithmeticRows()) sections.push_back(ArithmeticSection(row, arithmeticDraw));

    std::ostringstream out;
    std::size_t total = 0;
    for (const Section& section : sections) total += section.cases.size();
    out << kIntro << "// " << total << " cases.\n";
    for (const Section& section : sections) {
        out << "\n// " << section.code << "  " << section.heading << "\n";
        // Aligned answers, but a rare long text does not push out every line.
        std::size_t width = 0;
        for (const Case& c : section.cases) width = std::max(width, std::min(InputWords(c).size(), kWidestAligned));
        for (const Case& c : section.cases) {
            std::string inputs = InputWords(c) + ",";
            if (inputs.size() <= width) inputs.resize(width + 1, ' ');
            out << "KNOWN(" << section.code << ", " << inputs << AnswerWords(section, c).substr(1) << ")"
                << DecimalNote(c) << "\n";
        }
    }
    return out.str();
}

}  // namespace

int main(int argc, char** argv) { return lumi::WriteGenerated(argc, argv, Table(), "known_answers"); }
